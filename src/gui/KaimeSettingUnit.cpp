#include "gui/KaimeSettingUnit.h"

#include "gui/Main.h"

#include "app/KaimeSettings.h"
#include "app/LoadSettings.h"
#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "gui/CompanionWindow.h"
#include "gui/WorkerProgress.h"
#include "raceday/TimeSeries.h"
#include "util/Files.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDateEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

#include <exception>

namespace solvane {
namespace {

constexpr std::array<std::array<const char*, kRuleConditions>, kRuleGroups> kListNames{{
    {"JCompiListBox1", "TanninListBox1", "JDMListBox1", "JTMListBox1", "FIListBox1", "TFPListBox1", "TFVListBox1",
     "TFFListBox1"},
    {"JCompiListBox2", "TanninListBox2", "JDMListBox2", "JTMListBox2", "FIListBox2", "TFPListBox2", "TFVListBox2",
     "TFFListBox2"},
    {"JCompiListBox3", "TanninListBox3", "JDMListBox3", "JTMListBox3", "FIListBox3", "TFPListBox3", "TFVListBox3",
     "TFFListBox3"},
}};
constexpr std::array<const char*, kRuleGroups> kGroupCaptions{"◎指定（１着指定）", "○指定(２着指定)",
                                                              "▲指定（３着指定）"};
constexpr const char* kRuleFilter = "買い目設定ファイル (*.ini);;すべてのファイル (*)";

std::size_t at(int i)
{
    return static_cast<std::size_t>(i);
}

QDate toQDate(const DateTime& t)
{
    return QDate(t.year, t.month, t.day);
}

} // namespace

TKaimeSettingForm::TKaimeSettingForm(TMainForm& main) : QWidget(&main, Qt::Window), main_(main)
{
    setObjectName("KaimeSettingForm");
    setWindowTitle("買い目設定");
    inform_ = OwnBeepMessageBoxes(this); // the beep is the window's own (beep_)
    ask_ = [this](const QString& text) { return AskYesNo(this, text); };
    beep_ = [] { QApplication::beep(); };
    chooseSave_ = [](QWidget* parent, const QString& caption, const QString& start, const QString& filter) {
        return QFileDialog::getSaveFileName(parent, caption, start, filter);
    };
    chooseOpen_ = [](QWidget* parent, const QString& caption, const QString& start, const QString& filter) {
        return QFileDialog::getOpenFileName(parent, caption, start, filter);
    };

    KenshoForm = new TKenshoForm(main_.shell().appFolder(), this);
    buildControls();
    resetPeriod();
}

TKaimeSettingForm::~TKaimeSettingForm()
{
    stopRun();
}

void TKaimeSettingForm::setMessageSink(MessageSink sink)
{
    inform_ = sink;
    KenshoForm->setMessageSink(std::move(sink));
}

void TKaimeSettingForm::buildControls()
{
    auto* root = new QVBoxLayout(this);
    auto* groups = new QHBoxLayout;
    root->addLayout(groups);
    for (int g = 0; g < kRuleGroups; ++g) {
        auto* box = new QGroupBox(kGroupCaptions[at(g)], this);
        box->setObjectName(QString("GroupBox%1").arg(g + 1));
        auto* grid = new QGridLayout(box);
        grid->setHorizontalSpacing(4);
        grid->setVerticalSpacing(2);
        for (int c = 0; c < kRuleConditions; ++c) {
            const auto condition = static_cast<RuleCondition>(c);
            auto* caption = new QLabel(q(RuleCaption(condition)), box);
            caption->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
            grid->addWidget(caption, 0, c);
            auto* list = new QListWidget(box);
            list->setObjectName(kListNames[at(g)][at(c)]);
            list->setSelectionMode(QAbstractItemView::MultiSelection);
            list->setContextMenuPolicy(Qt::CustomContextMenu);
            list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            int width = caption->sizeHint().width();
            for (const std::string& item : RuleItems(condition)) {
                auto* entry = new QListWidgetItem(q(item), list);
                entry->setTextAlignment(Qt::AlignCenter);
                width = std::max(width, list->fontMetrics().horizontalAdvance(q(item)) + 12);
            }
            // Every item in view: the rank lists show all 18 places without scrolling.
            const int frame = 2 * list->frameWidth();
            list->setFixedSize(width + frame, list->count() * list->sizeHintForRow(0) + frame + 2);
            connect(list, &QListWidget::customContextMenuRequested, this, [this, list] { toggleAll(list); });
            grid->addWidget(list, 1, c, Qt::AlignTop | Qt::AlignHCenter);
            lists_[at(g)][at(c)] = list;
        }
        grid->setRowStretch(2, 1);

        auto* radio = new QGroupBox(box);
        radio->setObjectName(QString("OrAndRadioGroup%1").arg(g + 1));
        auto* radioRow = new QHBoxLayout(radio);
        radioRow->setContentsMargins(6, 2, 6, 2);
        auto* buttons = new QButtonGroup(radio);
        buttons->setObjectName(QString("OrAndRadioGroup%1Buttons").arg(g + 1));
        for (int i = 0; i < 2; ++i) {
            auto* button = new QRadioButton(i == 0 ? "OR条件" : "AND条件", radio);
            button->setObjectName(QString("OrAndRadioGroup%1_%2").arg(g + 1).arg(i));
            buttons->addButton(button, i);
            radioRow->addWidget(button);
        }
        radioRow->addStretch();
        buttons->button(0)->setChecked(true);
        OrAndRadioGroup[at(g)] = buttons;
        grid->addWidget(radio, 3, 0, 1, kRuleConditions);
        groups->addWidget(box, 0, Qt::AlignTop);
    }
    groups->addStretch();

    auto* periodRow = new QHBoxLayout;
    root->addLayout(periodRow);
    periodRow->addWidget(new QLabel("期間", this));
    const auto makePicker = [this](QDateEdit*& picker, QLabel*& label, const char* name, const char* labelName) {
        picker = new QDateEdit(this);
        picker->setObjectName(name);
        picker->setCalendarPopup(true);
        picker->setDisplayFormat("yyyy/MM/dd");
        label = new QLabel(this);
        label->setObjectName(labelName);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance("0000年00月00日") + 8);
        connect(picker, &QDateEdit::dateChanged, this, &TKaimeSettingForm::showPeriod);
    };
    makePicker(DateTimePicker1, DateLabel1, "DateTimePicker1", "DateLabel1");
    makePicker(DateTimePicker2, DateLabel2, "DateTimePicker2", "DateLabel2");
    periodRow->addWidget(DateTimePicker1);
    periodRow->addWidget(DateLabel1);
    periodRow->addWidget(new QLabel("～", this));
    periodRow->addWidget(DateTimePicker2);
    periodRow->addWidget(DateLabel2);
    periodRow->addSpacing(16);
    SpinEdit1 = new QSpinBox(this);
    SpinEdit1->setObjectName("SpinEdit1");
    SpinEdit1->setRange(1, kBacktestMaxYears);
    periodRow->addWidget(SpinEdit1);
    periodRow->addWidget(new QLabel("年分", this));
    connect(SpinEdit1, &QSpinBox::valueChanged, this, &TKaimeSettingForm::SpinEdit1Change);
    periodRow->addSpacing(12);
    // The odds the run builds with: the final ones (0), or those a bettor saw N minutes before the post.
    periodRow->addWidget(new QLabel("ｵｯｽﾞ", this));
    OddsBeforeEdit = new QSpinBox(this);
    OddsBeforeEdit->setObjectName("OddsBeforeEdit");
    OddsBeforeEdit->setRange(0, kMaxOddsBefore);
    OddsBeforeEdit->setSpecialValueText("確定ｵｯｽﾞ");
    OddsBeforeEdit->setPrefix("発走");
    OddsBeforeEdit->setSuffix("分前");
    OddsBeforeEdit->setToolTip("確定オッズで集計するか、発走の何分前（1～60）の時系列オッズで集計するかを選びます");
    periodRow->addWidget(OddsBeforeEdit);
    periodRow->addStretch();

    const auto makeButton = [this](const char* name, const char* caption, const char* hint) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(name);
        button->setToolTip(hint);
        return button;
    };
    SaveBtn = makeButton("SaveBtn", "保存", "条件をファイルに保存します");
    LoadBtn = makeButton("LoadBtn", "読込", "保存した条件を読み込みます");
    KaimeCKBtn = makeButton("KaimeCKBtn", "買い目に反映", "表示中のレースに条件で印を付けます");
    SimBtn = makeButton("SimBtn", "ｼﾐｭﾚｰｼｮﾝ開始", "期間内の全レースを条件で集計します");
    CancelBtn = makeButton("CancelBtn", "中止", "集計を中止します");
    CancelBtn->setEnabled(false);
    connect(SaveBtn, &QPushButton::clicked, this, &TKaimeSettingForm::SaveBtnClick);
    connect(LoadBtn, &QPushButton::clicked, this, &TKaimeSettingForm::LoadBtnClick);
    connect(KaimeCKBtn, &QPushButton::clicked, this, &TKaimeSettingForm::KaimeCKBtnClick);
    connect(SimBtn, &QPushButton::clicked, this, &TKaimeSettingForm::SimBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TKaimeSettingForm::CancelBtnClick);
    for (QPushButton* b : {SaveBtn, LoadBtn})
        periodRow->addWidget(b);
    periodRow->addSpacing(16);
    for (QPushButton* b : {KaimeCKBtn, SimBtn, CancelBtn})
        periodRow->addWidget(b);

    auto* progressRow = new QHBoxLayout;
    root->addLayout(progressRow);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false); // the label beside it says how far the run is
    progressRow->addWidget(ProgressBar1, 1);
    ProgressLabel = new QLabel(this);
    ProgressLabel->setObjectName("ProgressLabel");
    ProgressLabel->setMinimumWidth(ProgressLabel->fontMetrics().horizontalAdvance("0000/0000日  00000.0 R/秒") + 8);
    progressRow->addWidget(ProgressLabel, 1);
    root->addStretch();
}

void TKaimeSettingForm::toggleAll(QListWidget* list)
{
    const bool any = !list->selectedItems().isEmpty();
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setSelected(!any);
}

SelectionRule TKaimeSettingForm::rule() const
{
    SelectionRule rule;
    for (int g = 0; g < kRuleGroups; ++g) {
        RuleGroup& group = rule.groups[at(g)];
        group.andMode = OrAndRadioGroup[at(g)]->checkedId() == 1;
        for (int c = 0; c < kRuleConditions; ++c) {
            const QListWidget* list = lists_[at(g)][at(c)];
            for (int i = 0; i < list->count(); ++i)
                group.select(static_cast<RuleCondition>(c), i, list->item(i)->isSelected());
        }
    }
    return rule;
}

void TKaimeSettingForm::setRule(const SelectionRule& rule)
{
    for (int g = 0; g < kRuleGroups; ++g) {
        const RuleGroup& group = rule.groups[at(g)];
        OrAndRadioGroup[at(g)]->button(group.andMode ? 1 : 0)->setChecked(true);
        for (int c = 0; c < kRuleConditions; ++c) {
            QListWidget* list = lists_[at(g)][at(c)];
            for (int i = 0; i < list->count(); ++i)
                list->item(i)->setSelected(group.isSelected(static_cast<RuleCondition>(c), i));
        }
    }
}

std::string TKaimeSettingForm::fromText() const
{
    return DateTimePicker1->date().toString("yyyyMMdd").toStdString();
}

std::string TKaimeSettingForm::toText() const
{
    return DateTimePicker2->date().toString("yyyyMMdd").toStdString();
}

void TKaimeSettingForm::showPeriod()
{
    DateLabel1->setText(DateTimePicker1->date().toString("yyyy年MM月dd日"));
    DateLabel2->setText(DateTimePicker2->date().toString("yyyy年MM月dd日"));
}

void TKaimeSettingForm::resetPeriod()
{
    const BacktestPeriod period =
        BacktestPeriodFromYears(main_.shell().clock().now(), main_.shell().settings().get(keys::KenshoPeriod));
    {
        const QSignalBlocker block(SpinEdit1);
        SpinEdit1->setValue(period.years);
    }
    DateTimePicker2->setDate(toQDate(period.to));
    DateTimePicker1->setDate(toQDate(period.from));
    showPeriod();
}

void TKaimeSettingForm::SpinEdit1Change(int years)
{
    if (!main_.shell().settings().set(keys::KenshoPeriod, years))
        tell(MessageKind::Error, "設定ファイルに書き込めませんでした。");
    const DateTime end{DateTimePicker2->date().year(), DateTimePicker2->date().month(), DateTimePicker2->date().day()};
    DateTimePicker1->setDate(toQDate(BacktestPeriodFromYears(end, years).from));
}

void TKaimeSettingForm::showEvent(QShowEvent* event)
{
    // Opening the window starts from today's period; coming back from the task bar keeps it.
    if (!event->spontaneous() && !running())
        resetPeriod();
    QWidget::showEvent(event);
}

void TKaimeSettingForm::closeEvent(QCloseEvent* event)
{
    stopRun();
    QWidget::closeEvent(event);
}

void TKaimeSettingForm::tell(MessageKind kind, const QString& text)
{
    if (kind != MessageKind::Plain && beep_)
        beep_();
    if (inform_)
        inform_(kind, windowTitle(), text);
}

void TKaimeSettingForm::KaimeCKBtnClick()
{
    const int slot = main_.raceCard().slot();
    if (slot < 0)
        return;
    const std::optional<Marks> marks = ApplyRule(main_.raceDay(), slot, rule());
    if (!marks)
        return;
    // The card shows the marks and announces them; the combination form rebuilds its tables.
    main_.setCardMarks(*marks);
}

void TKaimeSettingForm::SimBtnClick()
{
    if (running())
        return;
    SettingsFile& settings = main_.shell().settings();
    // At bet-time odds the snapshots come from the time-series folders: without one there is nothing to run.
    const int minutesBefore = OddsBeforeEdit->value();
    std::vector<std::filesystem::path> seriesFolders = TimeSeriesFoldersFrom(settings, main_.shell().appFolder());
    if (minutesBefore > 0 && seriesFolders.empty()) {
        tell(MessageKind::Information, q(kTimeSeriesFolderNotSet));
        return;
    }
    if (!ask_(q(kBacktestQuestion)))
        return;

    KenshoForm->prepareRun(DateLabel1->text(), DateLabel2->text());

    BacktestOptions options;
    if (minutesBefore > 0) {
        options.oddsBeforeMinutes = minutesBefore;
        options.seriesFolders = std::move(seriesFolders);
    }
    options.from = fromText();
    options.to = toText();
    options.rule = rule();
    options.mode = HaibunModeFrom(settings);
    options.multi = MultiOptionsFrom(settings);
    options.load = LoadOptionsFrom(settings, main_.shell().appFolder());
    std::vector<std::string> items;
    for (const QString& item : main_.dateItems())
        items.push_back(item.toStdString());

    const int days = static_cast<int>(BacktestDays(items, options.from, options.to).size());
    ProgressBar1->setRange(0, std::max(days, 1));
    ProgressBar1->setValue(0);
    ProgressLabel->setText(QString("0/%1日").arg(days));
    ProgressLabel->setToolTip(QString());
    SimBtn->setEnabled(false);
    CancelBtn->setEnabled(true);
    setCursor(Qt::BusyCursor);

    const Clock* clock = &main_.shell().clock();
    // The worker has its own race day and copies of everything it reads.
    run_.start(
        this, &TKaimeSettingForm::showProgress,
        [items = std::move(items), options = std::move(options), clock](const auto& report, std::atomic<bool>* cancel) {
            try {
                return RunBacktest(items, options, *clock, report, cancel);
            } catch (const std::exception& e) {
                BacktestResult failed;
                failed.outcome = BacktestOutcome::Failed;
                failed.message = std::string("集計中にエラーが発生しました：") + e.what();
                return failed;
            }
        },
        [this](const BacktestResult& result) { finishRun(result); });
}

void TKaimeSettingForm::showProgress()
{
    const std::optional<BacktestProgress> taken = run_.take();
    if (!taken)
        return;
    const BacktestProgress& p = *taken;
    if (p.daysTotal > 0)
        ProgressBar1->setRange(0, p.daysTotal);
    ProgressBar1->setValue(std::min(p.daysDone, ProgressBar1->maximum()));
    ProgressLabel->setText(
        QString("%1/%2日  %3 R/秒").arg(p.daysDone).arg(p.daysTotal).arg(p.racesPerSecond, 0, 'f', 1));
}

void TKaimeSettingForm::CancelBtnClick()
{
    if (run_.cancel()) {
        CancelBtn->setEnabled(false);
        ProgressLabel->setText("中止しています…");
    }
}

void TKaimeSettingForm::stopRun()
{
    // The stopped run's result is shown here, quietly, instead of by finishRun.
    const std::optional<BacktestResult> result = run_.stop();
    if (!result)
        return;
    SimBtn->setEnabled(true);
    CancelBtn->setEnabled(false);
    unsetCursor();
    ProgressLabel->setText(result->outcome == BacktestOutcome::Written
                               ? QString("%1レースを書き込みました。").arg(result->lines)
                               : QString("集計を中止しました。"));
}

void TKaimeSettingForm::finishRun(const BacktestResult& result)
{
    showProgress();
    SimBtn->setEnabled(true);
    CancelBtn->setEnabled(false);
    unsetCursor();
    if (!result.notes.empty())
        ProgressLabel->setToolTip(q(result.notes.front()) +
                                  (result.notes.size() > 1 ? QString(" ほか%1件").arg(result.notes.size() - 1) : ""));

    switch (result.outcome) {
    case BacktestOutcome::Written: {
        // What was written, and what was left out and why: a total must never hide skipped races.
        ProgressLabel->setText(q(BacktestSummary(result)).replace('\n', "  "));
        // The day loaded last stays in the main window, loaded without its messages as during the run.
        if (!result.lastDayKey.empty()) {
            main_.loadDayQuietly(q(result.lastDayKey));
        }
        KenshoForm->ReadDataBtnClick();
        ShowCompanion(*KenshoForm, main_, main_.companionArea(), main_.shell().settings(), kKenshoGeometry,
                      QSize(1280, 860));
        break;
    }
    case BacktestOutcome::NoData:
        ProgressLabel->setText(QString());
        tell(MessageKind::Information, q(result.message));
        break;
    case BacktestOutcome::Cancelled:
        ProgressLabel->setText("集計を中止しました。");
        break;
    case BacktestOutcome::Failed:
        ProgressLabel->setText(QString());
        tell(MessageKind::Error, q(result.message));
        break;
    }
    emit runFinished(result.outcome);
}

void TKaimeSettingForm::SaveBtnClick()
{
    const QString start = q(pathToUtf8(main_.shell().appFolder() / "KaimeSetting.ini"));
    const QString file = chooseSave_(this, "買い目設定の保存", start, kRuleFilter);
    if (file.isEmpty())
        return;
    std::string error;
    if (!writeFileAtomic(pathFromUtf8(file.toStdString()), FormatRuleFile(rule()), &error))
        tell(MessageKind::Error, "買い目設定ファイルを保存できませんでした。\n" + q(error));
}

void TKaimeSettingForm::LoadBtnClick()
{
    const QString start = q(pathToUtf8(main_.shell().appFolder()));
    const QString file = chooseOpen_(this, "買い目設定の読込", start, kRuleFilter);
    if (file.isEmpty())
        return;
    const auto text = readFile(pathFromUtf8(file.toStdString()));
    if (!text) {
        tell(MessageKind::Error, "買い目設定ファイルを読み込めません：" + file);
        return;
    }
    const RuleFileParse parsed = ParseRuleFile(*text);
    if (!parsed.rule) {
        tell(MessageKind::Error, QFileInfo(file).fileName() + " " + q(parsed.error));
        return;
    }
    setRule(*parsed.rule);
}

} // namespace solvane
