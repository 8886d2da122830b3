#include "gui/OddsPageWidget.h"

#include "gui/ColumnFitter.h"
#include "gui/Dialogs.h"
#include "gui/FrozenColumns.h"
#include "gui/GridCopy.h"
#include "gui/TextGridModel.h"
#include "raceday/RaceCardColours.h"
#include "raceday/RaceDay.h"

#include <QColor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTabBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace solvane {
namespace {

// 馬番 and 馬名 of the horse matrices stay in sight while 18 columns of odds scroll across.
constexpr int kFrozenColumns = 2;

QString colourName(std::uint32_t rgb)
{
    return QColor::fromRgb(rgb).name();
}

// A swatch of the shading key, drawn as its cells are.
QLabel* legendSwatch(const OddsLegendItem& item, QWidget* parent)
{
    auto* label = new QLabel(q(item.text), parent);
    QString css = QString("QLabel { border: 1px solid #b0b0b0; padding: 1px 6px; background-color: %1;")
                      .arg(colourName(item.style.hasBackground ? item.style.background : kWhite));
    if (item.style.hasForeground)
        css += QString(" color: %1;").arg(colourName(item.style.foreground));
    if (item.style.bold)
        css += " font-weight: bold;";
    label->setStyleSheet(css + " }");
    return label;
}

} // namespace

OddsPageWidget::OddsPageWidget(QWidget* parent) : QWidget(parent)
{
    setObjectName("OddsPage");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(4);

    OddsTypeBar = new QTabBar(this);
    OddsTypeBar->setObjectName("OddsTypeBar");
    OddsTypeBar->setExpanding(false);
    OddsTypeBar->setDrawBase(false);
    for (OddsType type : kOddsTypes)
        OddsTypeBar->addTab(q(std::string(OddsTypeName(type))));
    column->addWidget(OddsTypeBar);

    auto* line = new QHBoxLayout;
    line->setSpacing(4);
    OddsCaption = new QLabel(this);
    OddsCaption->setObjectName("OddsCaption");
    line->addWidget(OddsCaption, 1);
    for (const OddsLegendItem& item : OddsLegend())
        line->addWidget(legendSwatch(item, this));
    column->addLayout(line);

    OddsGrid = new QTableView(this);
    OddsGrid->setObjectName("OddsGrid");
    model_ = new TextGridModel(OddsGrid);
    OddsGrid->setModel(model_);
    OddsGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    OddsGrid->setSortingEnabled(false);
    OddsGrid->verticalHeader()->hide();
    OddsGrid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    OddsGrid->horizontalHeader()->setHighlightSections(false);
    OddsGrid->horizontalHeader()->setStyleSheet(
        QString("QHeaderView::section { background-color: %1; border: 1px solid #a8a0c8; padding: 2px; }")
            .arg(colourName(kCardHeadingColour)));
    ColumnFitter::attach(OddsGrid, [this](QTableView&) { fitColumns(); });
    frozen_ = FrozenColumns::attach(OddsGrid, kFrozenColumns);
    GridCopy::attach(OddsGrid);
    GridCopy::attach(frozen_->overlay());
    column->addWidget(OddsGrid, 1);

    connect(OddsTypeBar, &QTabBar::currentChanged, this, [this] {
        listRows_ = kOddsListStep;
        toTop_ = true;
        rebuild();
    });
    connect(OddsGrid->verticalScrollBar(), &QScrollBar::valueChanged, this, &OddsPageWidget::growList);
}

void OddsPageWidget::showRace(const RaceDay& day, int slot)
{
    if (&day != day_ || slot != slot_) {
        listRows_ = kOddsListStep;
        toTop_ = true;
    }
    day_ = &day;
    slot_ = slot;
    if (isVisible())
        rebuild();
    else
        stale_ = true;
}

void OddsPageWidget::clear()
{
    day_ = nullptr;
    slot_ = -1;
    listRows_ = kOddsListStep;
    rebuild();
}

OddsType OddsPageWidget::type() const
{
    return kOddsTypes.at(static_cast<std::size_t>(std::max(0, OddsTypeBar->currentIndex())));
}

void OddsPageWidget::setType(OddsType type)
{
    OddsTypeBar->setCurrentIndex(static_cast<int>(type));
}

void OddsPageWidget::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (stale_)
        rebuild();
}

void OddsPageWidget::rebuild()
{
    stale_ = false;
    if (!day_) {
        listLength_ = 0;
        matrixFrom_ = -1;
        OddsCaption->clear();
        model_->setGrid(TextGrid());
        frozen_->overlay()->hide();
        return;
    }
    OddsPage page = BuildOddsPage(*day_, slot_, type(), listRows_);
    listLength_ = page.listLength;
    matrixFrom_ = page.matrix ? page.labelColumns : -1;
    OddsCaption->setText(q(page.caption));
    // The view keeps its scroll position through the reset: a grown list or new odds stay where the
    // user was reading.
    model_->setGrid(std::move(page.grid));
    // The other grids are narrow enough to be seen whole.
    frozen_->overlay()->setVisible(matrixFrom_ == kFrozenColumns);
    if (toTop_)
        OddsGrid->scrollToTop();
    toTop_ = false;
}

void OddsPageWidget::growList(int scrollValue)
{
    QScrollBar* down = OddsGrid->verticalScrollBar();
    // Only a scroll to the end of a list that scrolls at all: a reset that empties the view for a moment
    // moves it to 0 of 0.
    if (!day_ || !IsOddsList(type()) || down->maximum() == 0 || scrollValue < down->maximum() ||
        model_->rowCount() >= listLength_)
        return;
    listRows_ = model_->rowCount() + kOddsListStep;
    rebuild();
}

void OddsPageWidget::fitColumns()
{
    FitColumnsToTexts(*OddsGrid);
    if (matrixFrom_ < 0)
        return;
    // A matrix reads as a matrix when every number column is as wide as the widest.
    int widest = 0;
    for (int c = matrixFrom_; c < model_->columnCount(); ++c)
        widest = std::max(widest, OddsGrid->columnWidth(c));
    for (int c = matrixFrom_; c < model_->columnCount(); ++c)
        OddsGrid->setColumnWidth(c, widest);
}

} // namespace solvane
