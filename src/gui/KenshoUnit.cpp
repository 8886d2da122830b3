#include "gui/KenshoUnit.h"

#include "gui/ColumnFitter.h"
#include "gui/GridCopy.h"
#include "gui/TextGridModel.h"
#include "kaime/BakenType.h"
#include "util/Files.h"
#include "verify/Backtest.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QGraphicsLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QPen>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <QValueAxis>

#include <cmath>

namespace solvane {
namespace {

constexpr std::array<const char*, kKenshoLists> kListNames{"BashoList0", "TrackList0", "AgeList0",
                                                           "ClassList0", "JuryoList0", "TosuList0"};
// One colour per bet type, in the file's order, so the eight lines stay apart.
constexpr std::array<std::uint32_t, kBakenTypes> kSeriesColors{0xE03030, 0xF08C00, 0xC8A800, 0x2E9E3E,
                                                               0x12A4A4, 0x2060D0, 0x8040C0, 0xD02090};

constexpr std::size_t kChartPoints = 3000;

// A series drawn without an entry of its own in the legend.
void hideLegendOf(QChart* chart, QAbstractSeries* series)
{
    for (QLegendMarker* marker : chart->legend()->markers(series))
        marker->setVisible(false);
}

std::size_t at(int i)
{
    return static_cast<std::size_t>(i);
}

// The table views of this window: no editing, no row numbers, rows of one text line.
void setUpGrid(QTableView* view)
{
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(20);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->setWordWrap(false);
}

} // namespace

TKenshoForm::TKenshoForm(std::filesystem::path appFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), appFolder_(std::move(appFolder))
{
    setObjectName("KenshoForm");
    setWindowTitle("検証");
    inform_ = [this](MessageKind kind, const QString& caption, const QString& text) {
        ShowMessageBox(this, kind, caption, text);
    };
    chooseSave_ = [](QWidget* parent, const QString& caption, const QString& start, const QString& filter) {
        return QFileDialog::getSaveFileName(parent, caption, start, filter);
    };
    buildControls();
    // Wide enough for the filters and a good part of the 40 columns; the rest scrolls sideways.
    resize(1280, 860);
}

TKenshoForm::~TKenshoForm() = default;

void TKenshoForm::buildControls()
{
    auto* root = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    root->addLayout(top);

    auto* filters = new QGroupBox("レース属性指定", this);
    filters->setObjectName("FilterGroup");
    auto* grid = new QGridLayout(filters);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(2);
    for (int l = 0; l < kKenshoLists; ++l) {
        const auto which = static_cast<KenshoList>(l);
        grid->addWidget(new QLabel(q(KenshoCaption(which)), filters), 0, l);
        auto* list = new QListWidget(filters);
        list->setObjectName(kListNames[at(l)]);
        list->setSelectionMode(QAbstractItemView::MultiSelection);
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        for (const std::string& item : KenshoItems(which))
            list->addItem(q(item));
        int width = 0;
        for (const std::string& item : KenshoItems(which))
            width = std::max(width, list->fontMetrics().horizontalAdvance(q(item)));
        // Ten rows in view; the longer lists (頭数) scroll.
        const int rows = std::min(list->count(), 10);
        const int frame = 2 * list->frameWidth();
        list->setFixedHeight(rows * list->sizeHintForRow(0) + frame + 2);
        list->setFixedWidth(width + frame + 12 +
                            (list->count() > rows ? list->style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0));
        connect(list, &QListWidget::customContextMenuRequested, this, [this, list] { toggleAll(list); });
        grid->addWidget(list, 1, l, Qt::AlignTop);
        lists_[at(l)] = list;
    }
    auto* distance = new QHBoxLayout;
    distance->addWidget(new QLabel("距離", filters));
    KyoriEdit01 = new QSpinBox(filters);
    KyoriEdit01->setObjectName("KyoriEdit01");
    KyoriEdit01->setRange(kKyoriLowMin, kKyoriLowMax);
    KyoriEdit01->setSingleStep(kKyoriStep);
    KyoriEdit01->setValue(kKyoriLowMin);
    distance->addWidget(KyoriEdit01);
    distance->addWidget(new QLabel("～", filters));
    KyoriEdit02 = new QSpinBox(filters);
    KyoriEdit02->setObjectName("KyoriEdit02");
    KyoriEdit02->setRange(kKyoriHighMin, kKyoriHighMax);
    KyoriEdit02->setSingleStep(kKyoriStep);
    KyoriEdit02->setValue(kKyoriHighMax);
    distance->addWidget(KyoriEdit02);
    distance->addWidget(new QLabel("m", filters));
    distance->addStretch();
    grid->addLayout(distance, 2, 0, 1, kKenshoLists);
    top->addWidget(filters);

    auto* side = new QVBoxLayout;
    ReadDataBtn = new QPushButton("検証", this);
    ReadDataBtn->setObjectName("ReadDataBtn");
    ReadDataBtn->setMinimumWidth(110);
    ReadDataBtn->setToolTip("選んだ条件でレースを集計します");
    connect(ReadDataBtn, &QPushButton::clicked, this, &TKenshoForm::ReadDataBtnClick);
    side->addWidget(ReadDataBtn, 0, Qt::AlignLeft);
    CsvSaveBtn = new QPushButton("CSV保存", this);
    CsvSaveBtn->setObjectName("CsvSaveBtn");
    CsvSaveBtn->setMinimumWidth(110);
    CsvSaveBtn->setToolTip("一覧をCSVファイルに保存します");
    connect(CsvSaveBtn, &QPushButton::clicked, this, &TKenshoForm::CsvSaveBtnClick);
    side->addWidget(CsvSaveBtn, 0, Qt::AlignLeft);
    CompareCheck = new QCheckBox("前回の実行と比較", this);
    CompareCheck->setObjectName("CompareCheck");
    CompareCheck->setToolTip("今回と前回のバックテストを共通のレースで並べます"
                             "（例：確定ｵｯｽﾞと発走5分前のｵｯｽﾞ）。グラフの破線が前回です");
    side->addWidget(CompareCheck, 0, Qt::AlignLeft);
    side->addSpacing(12);
    side->addWidget(new QLabel("■採用ﾃﾞｰﾀ範囲", this));
    auto* period = new QHBoxLayout;
    StartDateLabel = new QLabel(this);
    StartDateLabel->setObjectName("StartDateLabel");
    EndDateLabel = new QLabel(this);
    EndDateLabel->setObjectName("EndDateLabel");
    period->addWidget(StartDateLabel);
    period->addWidget(new QLabel("～", this));
    period->addWidget(EndDateLabel);
    period->addStretch();
    side->addLayout(period);
    auto* count = new QHBoxLayout;
    count->addWidget(new QLabel("件数：", this));
    CtLabel = new QLabel(this);
    CtLabel->setObjectName("CtLabel");
    count->addWidget(CtLabel);
    count->addStretch();
    // The run that wrote the file: its days and races, and what it left out and why.
    RunLabel = new QLabel(this);
    RunLabel->setObjectName("RunLabel");
    RunLabel->setWordWrap(true);
    side->addLayout(count);
    side->addWidget(RunLabel);
    side->addStretch();
    top->addLayout(side);
    top->addStretch();

    // The totals stay in sight; below them, the races and the chart of the recovery rates share one
    // place as two pages, so that on a 768-pixel screen either has room for itself.
    StringGrid2 = new QTableView(this);
    StringGrid2->setObjectName("StringGrid2");
    setUpGrid(StringGrid2);
    StringGrid2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    summaryModel_ = new TextGridModel(StringGrid2);
    StringGrid2->setModel(summaryModel_);
    GridCopy::attach(StringGrid2);
    summaryModel_->setGrid(KenshoSummary(KenshoTotals{}));
    StringGrid2->horizontalHeader()->setDefaultSectionSize(72);
    // The row headings as wide as the longest ("比較のデータ数"), the types' columns no narrower than 72.
    ColumnFitter::attach(StringGrid2, [](QTableView& view) {
        FitColumnsToTexts(view);
        for (int c = 1; c < view.model()->columnCount(); ++c)
            view.setColumnWidth(c, std::max(view.columnWidth(c), 72));
    });
    fitSummaryHeight();
    root->addWidget(StringGrid2);

    auto* pages = Pages = new QTabWidget(this);
    pages->setObjectName("KenshoPages");
    root->addWidget(pages, 1);

    StringGrid1 = new QTableView(pages);
    StringGrid1->setObjectName("StringGrid1");
    setUpGrid(StringGrid1);
    gridModel_ = new TextGridModel(StringGrid1);
    StringGrid1->setModel(gridModel_);
    ColumnFitter::attach(StringGrid1);
    GridCopy::attach(StringGrid1);
    gridModel_->setGrid(TextGrid(KenshoHeadings(), 1));
    pages->addTab(StringGrid1, "レース一覧");

    auto* chart = new QChart;
    chart->setObjectName("RecoveryChart");
    // The page's tab names the chart (and, comparing two runs, which line is which); the legend takes one
    // line above it.
    chart->legend()->setAlignment(Qt::AlignTop);
    chart->setMargins(QMargins(4, 0, 4, 0));
    // No frame around the chart inside its page: every pixel of height goes to the curves.
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setBackgroundRoundness(0);
    ChartView = new QChartView(chart, pages);
    ChartView->setObjectName("ChartView");
    ChartView->setRenderHint(QPainter::Antialiasing);
    ChartView->setMinimumHeight(160);
    pages->addTab(ChartView, "回収率の推移");
}

// The totals show every row without a scroll bar: three, or seven when two runs are compared.
void TKenshoForm::fitSummaryHeight()
{
    StringGrid2->setFixedHeight(StringGrid2->horizontalHeader()->sizeHint().height() +
                                summaryModel_->rowCount() * StringGrid2->verticalHeader()->defaultSectionSize() +
                                2 * StringGrid2->frameWidth());
}

void TKenshoForm::toggleAll(QListWidget* list)
{
    const bool any = !list->selectedItems().isEmpty();
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setSelected(!any);
}

KenshoFilter TKenshoForm::filter() const
{
    KenshoFilter f;
    for (int l = 0; l < kKenshoLists; ++l)
        for (int i = 0; i < lists_[at(l)]->count(); ++i)
            f.select(static_cast<KenshoList>(l), i, lists_[at(l)]->item(i)->isSelected());
    f.distanceLow = KyoriEdit01->value();
    f.distanceHigh = KyoriEdit02->value();
    return f;
}

void TKenshoForm::prepareRun(const QString& startDate, const QString& endDate)
{
    StartDateLabel->setText(startDate);
    EndDateLabel->setText(endDate);
    gridModel_->setGrid(TextGrid(KenshoHeadings(), 1));
    summaryModel_->setGrid(KenshoSummary(KenshoTotals{}));
    fitSummaryHeight();
    showChart(KenshoResult{});
    for (QListWidget* list : lists_)
        list->clearSelection();
    KyoriEdit01->setValue(kKyoriLowMin);
    KyoriEdit02->setValue(kKyoriHighMax);
}

void TKenshoForm::ReadDataBtnClick()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ReadDataBtn->setEnabled(false);
    CtLabel->clear();
    RunLabel->clear();
    const KenshoResult result =
        CompareCheck->isChecked()
            ? CompareBacktestRuns(BacktestFile(appFolder_), PreviousBacktestFile(appFolder_), filter())
            : solvane::ReadDataBtnClick(BacktestFile(appFolder_), filter());
    if (!result.error.empty()) {
        QApplication::restoreOverrideCursor();
        inform_(MessageKind::Error, windowTitle(), q(result.error));
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (result.fileFound) {
        gridModel_->setGrid(result.grid); // fitted by its ColumnFitter
        summaryModel_->setGrid(result.summary);
        fitSummaryHeight();
        CtLabel->setText(QString::number(result.rows.size()));
        std::string run = result.runSummary;
        if (result.compared)
            run += (run.empty() ? "" : "\n") + KenshoComparisonText(result);
        RunLabel->setText(q(run));
        showChart(result);
    }
    ReadDataBtn->setEnabled(true);
    QApplication::restoreOverrideCursor();
}

void TKenshoForm::showChart(const KenshoResult& result)
{
    QChart* chart = ChartView->chart();
    chart->removeAllSeries();
    // Removed series are deleted by the chart; removed axes are handed back to be deleted here.
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    Pages->setTabText(Pages->indexOf(ChartView), result.compared
                                                     ? q("回収率の推移（実線：今回 " + result.oddsLabel +
                                                         "　破線：前回 " + result.compared->oddsLabel + "）")
                                                     : QString("回収率の推移"));
    if (result.rows.empty())
        return;

    auto* x = new QValueAxis;
    x->setTitleText("レース（日付順）");
    x->setLabelFormat("%d");
    auto* y = new QValueAxis;
    y->setTitleText("回収率(%)");
    y->setLabelFormat("%.0f");
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);

    // Two runs: the shown one solid, the compared one dashed in the same colour; a type's legend entry
    // shows or hides both.
    const auto curves = CumulativeRecovery(result.rows);
    const auto others =
        result.compared ? CumulativeRecovery(result.compared->rows) : std::array<std::vector<double>, kBakenTypes>{};
    const double last = static_cast<double>(result.rows.size());
    double top = 100;
    auto addCurve = [&](const std::vector<double>& curve, int t, bool dashed) {
        auto* series = new QLineSeries;
        series->setName(q(InfoOf(kAllBakenTypes[at(t)]).name));
        QPen pen(QColor::fromRgb(kSeriesColors[at(t)]));
        pen.setWidthF(1.5);
        if (dashed)
            pen.setStyle(Qt::DashLine);
        series->setPen(pen);
        QList<QPointF> points;
        points.reserve(static_cast<qsizetype>(curve.size()));
        // Years of races make tens of thousands of points a line; a few thousand draw the same curve.
        const std::size_t step = std::max<std::size_t>(1, curve.size() / kChartPoints);
        for (std::size_t i = 0; i < curve.size(); ++i) {
            if (std::isnan(curve[i]) || (i % step != 0 && i + 1 != curve.size()))
                continue;
            points.append(QPointF(static_cast<double>(i + 1), curve[i]));
            top = std::max(top, curve[i]);
        }
        series->replace(points);
        chart->addSeries(series);
        series->attachAxis(x);
        series->attachAxis(y);
        return series;
    };
    for (int t = 0; t < kBakenTypes; ++t) {
        QLineSeries* shown = addCurve(curves[at(t)], t, false);
        QLineSeries* compared = result.compared ? addCurve(others[at(t)], t, true) : nullptr;
        if (compared)
            hideLegendOf(chart, compared);
        for (QLegendMarker* marker : chart->legend()->markers(shown))
            connect(marker, &QLegendMarker::clicked, chart, [chart, marker, shown, compared] {
                const bool visible = !shown->isVisible();
                shown->setVisible(visible);
                if (compared) {
                    compared->setVisible(visible);
                    hideLegendOf(chart, compared);
                }
                // Hiding a series hides its entry too; the entry stays, dimmed, to show it again.
                marker->setVisible(true);
                QColor label = marker->labelBrush().color();
                label.setAlphaF(visible ? 1.0 : 0.4);
                marker->setLabelBrush(label);
            });
    }
    // The break-even line at 100 %, without a legend entry of its own.
    auto* even = new QLineSeries;
    even->setName("100%");
    QPen dash(Qt::gray);
    dash.setStyle(Qt::DashLine);
    even->setPen(dash);
    even->append(1, 100);
    even->append(std::max(last, 2.0), 100);
    chart->addSeries(even);
    even->attachAxis(x);
    even->attachAxis(y);
    hideLegendOf(chart, even);

    x->setRange(1, std::max(last, 2.0));
    x->applyNiceNumbers();
    y->setRange(0, top * 1.05);
    y->applyNiceNumbers();
}

void TKenshoForm::CsvSaveBtnClick()
{
    const QString start = q(pathToUtf8(appFolder_ / "kensho.csv"));
    const QString file = chooseSave_(this, "CSV保存", start, "CSVファイル (*.csv)");
    if (file.isEmpty())
        return;
    std::string error;
    if (!writeFileAtomic(pathFromUtf8(file.toStdString()), KenshoCsv(gridModel_->grid()), &error))
        inform_(MessageKind::Error, windowTitle(), "CSVファイルを保存できませんでした。\n" + q(error));
}

} // namespace solvane
