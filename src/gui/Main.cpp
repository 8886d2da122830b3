#include "gui/Main.h"

#include "gui/OddsPageWidget.h"

#include "app/LoadSettings.h"
#include "gui/ColumnFitter.h"
#include "gui/CompanionWindow.h"
#include "gui/CompiUnit.h"
#include "gui/DeUnit.h"
#include "gui/GetDataUnit.h"
#include "gui/GridCopy.h"
#include "gui/KaimeSetUnit.h"
#include "gui/KaimeSettingUnit.h"
#include "gui/KaimeUnit.h"
#include "gui/SqlExportUnit.h"
#include "gui/TextGridModel.h"
#include "raceday/DayLoader.h"
#include "raceday/Payouts.h"
#include "raceday/RaceDay.h"
#include "store/Store.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "voting/Schedule.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>
#include <utility>

namespace solvane {

int RaceListWidth(const QListWidget& list)
{
    // The widest line either race list can hold: a post time, a venue of two characters and "12R".
    return list.fontMetrics().horizontalAdvance(QStringLiteral("00:00 札幌12R")) + 2 * list.frameWidth() +
           list.style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 16;
}

TMainForm::TMainForm(AppShell& shell, JVLink& jvlink, QWidget* parent)
    : QMainWindow(parent), shell_(shell), jvlink_(jvlink)
{
    setObjectName("MainForm");
    setWindowTitle("Solvane");
    inform_ = [this](MessageKind kind, const QString& caption, const QString& text) {
        ShowMessageBox(this, kind, caption, text);
    };

    auto* central = new QWidget(this);
    central->setObjectName("MainPanel");
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(2, 2, 2, 2);
    setCentralWidget(central);

    buildToolBar();
    buildMenus();
    buildPages();
    // The combination form lives for the whole run and follows the race selection and the marks.
    KaimeForm = new TKaimeForm(shell_.settings(), shell_.appFolder(), this);
    KaimeForm->attach(*this);

    // The status line shows the hint (status tip) of whatever the pointer rests on.
    statusBar()->setObjectName("StatusBar1");
    DLlabel = new QLabel(this);
    DLlabel->setObjectName("DLlabel");
    statusBar()->addPermanentWidget(DLlabel);
    SeiRecLabel = new QLabel(this);
    SeiRecLabel->setObjectName("SeiRecLabel");
    SeiRecLabel->setAutoFillBackground(true);
    statusBar()->addPermanentWidget(SeiRecLabel);

    day_ = std::make_unique<RaceDay>();
    buildLive();
    connect(DateCombo, &QComboBox::activated, this, &TMainForm::DateComboChange);
    connect(DatList, &QListWidget::currentRowChanged, this, &TMainForm::DatListClick);

    applyMarkers();
    Sound1Menu->setChecked(shell_.sound1());
    OverWriteOKMenu->setChecked(shell_.overWriteOK());

    // The first start fills the screen, so the whole card is in sight on a 1366x768 screen; afterwards
    // the window opens where it was closed.
    if (StoredGeometry(shell_.settings(), kMainGeometry)) {
        const WindowGeometry g = shell_.savedGeometry();
        move(g.left, g.top);
        resize(g.width, g.height);
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        setGeometry(screen->availableGeometry());
    }

    // Normal mode lists the stored race days at start-up; command-line mode skips it.
    if (!shell_.commandLineMode())
        MakeDataListBtnClick();

    if (!shell_.warnings().empty())
        statusBar()->showMessage(q(shell_.warnings().back()));
}

QPushButton* TMainForm::addButton(QToolBar* toolBar, const char* name, const QString& caption, const QString& hint,
                                  void (TMainForm::*slot)())
{
    auto* button = new QPushButton(caption, toolBar ? static_cast<QWidget*>(toolBar) : this);
    button->setObjectName(name);
    button->setStatusTip(hint);
    button->setToolTip(hint);
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QPushButton::clicked, this, slot);
    if (toolBar)
        toolBar->addWidget(button)->setObjectName(QString(name) + "Action");
    return button;
}

void TMainForm::buildToolBar()
{
    // A tool bar rather than a row of widgets: when the window is narrow, the buttons that do not fit
    // move into the bar's extension menu instead of widening the window.
    QToolBar* bar = addToolBar("ToolBar1");
    bar->setObjectName("ToolBar1");
    bar->setMovable(false);
    bar->setFloatable(false);

    DateCombo = new QComboBox(bar);
    DateCombo->setObjectName("DateCombo");
    DateCombo->setEditable(false);
    DateCombo->setMinimumContentsLength(14);
    DateCombo->setStatusTip("開催日を選択します");
    DateCombo->setPlaceholderText("開催日を選択");
    bar->addWidget(DateCombo);

    auto* f = addButton(bar, "SpeedButton1", "F", "レースリストの表示/非表示を行います", &TMainForm::SpeedButton1Click);
    f->setFixedWidth(28);
    addButton(bar, "KekkaGetBtn", "結果情報", "レース結果データを取得します", &TMainForm::KekkaGetBtnClick);
    addButton(bar, "SokuhoOddsBtn", "速報ｵｯｽﾞ", "速報オッズを取得します", &TMainForm::SokuhoOddsBtnClick);
    addButton(bar, "GetDMBtn", "ﾏｲﾆﾝｸﾞ", "マイニングを取得します", &TMainForm::GetDMBtnClick);
    addButton(bar, "NextRaceBtn", "直前ﾚｰｽ", "次に発走するレースを表示します", &TMainForm::NextRaceBtnClick);
    addButton(bar, "JVBtn", "JVﾃﾞｰﾀ取得", "JV-Linkからデータを取得します", &TMainForm::JVBtnClick);
    addButton(bar, "InputFormBtn", "買い目", "入力フォームを開きます", &TMainForm::InputFormBtnClick);
    addButton(bar, "ReadYosoBtn", "予想取込", "予想印を取り込みます", &TMainForm::ReadYosoBtnClick);
    addButton(bar, "SimBtn", "ｼﾐｭﾚｰｼｮﾝ", "過去のレースで買い目を検証します", &TMainForm::SimBtnClick);
    addButton(bar, "DirectReadBtn", "一気読み", "保存済みの全開催日を順に読み込みます", &TMainForm::DirectReadBtnClick);
    DirectReadBtnAction = bar->findChild<QAction*>("DirectReadBtnAction");
    // Buttons pressed by the program itself (after an import, by a timer), never by the user.
    for (auto [name, caption, slot] : {std::tuple{"GetKaisaiBtn", "変更情報", &TMainForm::GetKaisaiBtnClick},
                                       std::tuple{"MakeDataListBtn", "リスト作成", &TMainForm::MakeDataListBtnClick},
                                       std::tuple{"IniBtn", "初期化", &TMainForm::IniBtnClick}}) {
        auto* hidden = addButton(nullptr, name, caption, QString(), slot);
        hidden->hide();
    }
    auto* gap = new QWidget(bar);
    gap->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(gap);
    addButton(bar, "HelpButton", "ヘルプ", "使用解説書を開きます", &TMainForm::HelpButtonClick);
    addButton(bar, "QuitButton", "終了", "プログラムを終了します", &TMainForm::QuitButtonClick);
}

QAction* TMainForm::addAction(QMenu* menu, const char* name, const QString& caption, void (TMainForm::*slot)())
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, slot);
    return action;
}

void TMainForm::buildMenus()
{
    menuBar()->setObjectName("MainMenu1");
    QMenu* file = menuBar()->addMenu("ﾌｧｲﾙ(&F)");
    file->setObjectName("FileMenu");
    addAction(file, "JVDataMenu", "JVデータ取得(&J)", &TMainForm::JVBtnClick);
    addAction(file, "N110", "1日分の全オッズを一括取得", &TMainForm::N110Click);
    T1 = addAction(file, "T1", "時系列オッズより取得(&T)", &TMainForm::T1Click);
    file->addSeparator();
    addAction(file, "SqlExportMenu", "SQLite書き出し…", &TMainForm::SqlExportMenuClick);
    file->addSeparator();
    addAction(file, "ExitMenu", "終了(&X)", &TMainForm::QuitButtonClick);

    QMenu* option = menuBar()->addMenu("ｵﾌﾟｼｮﾝ(&O)");
    option->setObjectName("OptionMenu");
    addAction(option, "OzGetTimeMenu", "データ自動取得時刻設定(&T)", &TMainForm::OzGetTimeMenuClick);
    OverWriteOKMenu = addAction(option, "OverWriteOKMenu", "手動でオッズ取得済でも指定時刻に自動取得を行う",
                                &TMainForm::OverWriteOKMenuClick);
    OverWriteOKMenu->setCheckable(true);
    Sound1Menu = addAction(option, "Sound1Menu", "オッズ取得後、アラート音を鳴らす", &TMainForm::Sound1MenuClick);
    Sound1Menu->setCheckable(true);
    option->addSeparator();
    addAction(option, "NM3", "投資金額設定", &TMainForm::NM3Click);

    QMenu* folder = menuBar()->addMenu("ﾌｫﾙﾀﾞ指定(&F)");
    folder->setObjectName("FolderMenu");
    N12 = addAction(folder, "N12", "時系列オッズフォルダ指定(&T)", &TMainForm::N12Click);
    TimeSeriesSeparator = folder->addSeparator();
    TimeSeriesSeparator->setObjectName("TimeSeriesSeparator");
    addAction(folder, "HarunireFolder", "ハルニレフォルダ指定(&K)", &TMainForm::HarunireFolderClick);
    addAction(folder, "KelvoFolderMenu", "Kelvo投票プラグイン２フォルダ指定", &TMainForm::KelvoFolderMenuClick);

    QMenu* help = menuBar()->addMenu("ﾍﾙﾌﾟ(&H)");
    help->setObjectName("HelpMenu");
    addAction(help, "ManualMenu", "使用解説書(&C)", &TMainForm::HelpButtonClick);
    addAction(help, "HarunireMenu", "ハルニレ中央競馬版", &TMainForm::HarunireMenuClick);
}

void TMainForm::buildPages()
{
    auto* body = new QWidget(centralWidget());
    body->setObjectName("BodyPanel");
    auto* row = new QHBoxLayout(body);
    row->setContentsMargins(0, 0, 0, 0);
    centralWidget()->layout()->addWidget(body);

    Panel1 = new QWidget(body);
    Panel1->setObjectName("Panel1");
    auto* listBox = new QVBoxLayout(Panel1);
    listBox->setContentsMargins(0, 0, 0, 0);
    DatList = new QListWidget(Panel1);
    DatList->setObjectName("DatList");
    DatList->setFixedWidth(RaceListWidth(*DatList));
    listBox->addWidget(DatList);
    row->addWidget(Panel1);

    auto* right = new QWidget(body);
    right->setObjectName("RacePanel");
    auto* column = new QVBoxLayout(right);
    column->setContentsMargins(0, 0, 0, 0);
    row->addWidget(right, 1);

    buildHeader(right);

    PageControl1 = new QTabWidget(right);
    PageControl1->setObjectName("PageControl1");
    column->addWidget(PageControl1, 1);

    auto* card = new QWidget(PageControl1);
    card->setObjectName("TabSheet1");
    auto* cardBox = new QHBoxLayout(card);
    cardBox->setContentsMargins(0, 0, 0, 0);
    cardBox->setSpacing(2);
    StringGrid1 = new CardGridView(&CardClickOf, card);
    StringGrid1->setObjectName("StringGrid1");
    cardModel_ = new TextGridModel(StringGrid1);
    StringGrid1->setModel(cardModel_);
    ColumnFitter::attach(StringGrid1, [](QTableView& view) { static_cast<CardGridView&>(view).fitColumns(); });
    FreezeHorseColumns(StringGrid1, &CardClickOf);
    GridCopy::attach(StringGrid1);
    cardModel_->setGrid(card_.grid());
    cardBox->addWidget(StringGrid1, 1);
    // Once the race is run, its payouts beside the card, all in sight without scrolling.
    PayoutPanel = new QTableView(card);
    PayoutPanel->setObjectName("PayoutPanel");
    payoutModel_ = new TextGridModel(PayoutPanel);
    PayoutPanel->setModel(payoutModel_);
    PayoutPanel->verticalHeader()->hide();
    PayoutPanel->verticalHeader()->setDefaultSectionSize(PayoutPanel->fontMetrics().height() + 4);
    PayoutPanel->setSelectionMode(QAbstractItemView::ContiguousSelection);
    PayoutPanel->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ColumnFitter::attach(PayoutPanel, [](QTableView& view) {
        FitColumnsToTexts(view);
        int width = 2 * view.frameWidth() + view.verticalScrollBar()->sizeHint().width();
        for (int c = 0; c < view.model()->columnCount(); ++c)
            width += view.columnWidth(c);
        view.setFixedWidth(width);
    });
    GridCopy::attach(PayoutPanel);
    PayoutPanel->hide();
    cardBox->addWidget(PayoutPanel);
    connect(StringGrid1, &CardGridView::cellClicked, this, &TMainForm::StringGrid1MouseDown);
    connect(StringGrid1, &CardGridView::stepRace, this, &TMainForm::stepRace);
    PageControl1->addTab(card, "出馬表");

    auto* results = new QWidget(PageControl1);
    results->setObjectName("TabSheet2");
    auto* resultsBox = new QVBoxLayout(results);
    ResultsView = new QTableView(results);
    ResultsView->setObjectName("ResultsGrid");
    resultsModel_ = new TextGridModel(ResultsView);
    ResultsView->setModel(resultsModel_);
    ColumnFitter::attach(ResultsView);
    GridCopy::attach(ResultsView);
    ResultsView->verticalHeader()->hide();
    ResultsView->setSelectionMode(QAbstractItemView::NoSelection);
    resultsBox->addWidget(ResultsView);
    PageControl1->addTab(results, "結果");
    oddsPage_ = new OddsPageWidget(PageControl1);
    PageControl1->addTab(oddsPage_, "オッズ");

    auto* test = new QWidget(PageControl1);
    test->setObjectName("TestSheet");
    PageControl1->addTab(test, "テスト");
    // Nothing to show until a race is selected; until then the header keeps its height above an empty
    // page rather than filling the window.
    PageControl1->hide();
    column->addStretch();

    DatList->installEventFilter(this);
    connect(DatList, &QListWidget::itemDoubleClicked, this, &TMainForm::openListedRace);
    DeForm = new TDeForm(shell_.settings(), this);
    for (auto [name, caption, slot] : {std::tuple{"sisushutubaBtn", "出馬表作成", &TMainForm::sisushutubaBtnClick},
                                       std::tuple{"SortDeBtn", "SortDe", &TMainForm::SortDeBtnClick}})
        addButton(nullptr, name, caption, QString(), slot)->hide();
}

void TMainForm::buildHeader(QWidget* parent)
{
    HeaderPanel = new RaceHeaderPanel(parent);
    auto* pop = addButton(nullptr, "PopDeBtn", "POP出馬表", "外部窓に出馬表を表示します", &TMainForm::PopDeBtnClick);
    HeaderPanel->addTrailingWidget(pop);
    parent->layout()->addWidget(HeaderPanel);
}

void TMainForm::applyMarkers()
{
    const bool developer = shell_.developerMode();
    PageControl1->setTabVisible(PageControl1->indexOf(findChild<QWidget*>("TestSheet")), developer);
    T1->setVisible(developer);
    N12->setVisible(developer);
    TimeSeriesSeparator->setVisible(developer);
    DirectReadBtnAction->setVisible(shell_.masterMode());
}

void TMainForm::message(MessageKind kind, const QString& caption, const QString& text)
{
    if (inform_)
        inform_(kind, caption, text);
}

void TMainForm::IniBtnClick()
{
    solvane::IniBtnClick(*day_);
    sisushutubaBtnClick();
    if (card_.slot() >= 0)
        oddsPage_->showRace(*day_, card_.slot());
}

void TMainForm::HelpButtonClick()
{
    if (!shell_.manualPath()) {
        message(MessageKind::Information, "Solvane", q(kManualMissing));
        return;
    }
    if (!shell_.openManual(nullptr, launch_))
        message(MessageKind::Information, "Solvane", "使用解説書[Solvane.pdf]を開けませんでした。");
}

void TMainForm::QuitButtonClick()
{
    close();
}

void TMainForm::HarunireMenuClick()
{
    if (!shell_.startHarunire(nullptr, launch_))
        message(MessageKind::Error, q(kHarunireFailedCaption), q(kHarunireFailed));
}

void TMainForm::Sound1MenuClick()
{
    if (!shell_.setSound1(Sound1Menu->isChecked()))
        message(MessageKind::Error, "Solvane", q(shell_.warnings().back()));
}

void TMainForm::OverWriteOKMenuClick()
{
    if (!shell_.setOverWriteOK(OverWriteOKMenu->isChecked()))
        message(MessageKind::Error, "Solvane", q(shell_.warnings().back()));
}

void TMainForm::SpeedButton1Click()
{
    Panel1->setVisible(Panel1->isHidden());
}

TMainForm::~TMainForm() = default;

void TMainForm::JVBtnClick()
{
    TGetDataForm form(jvlink_, shell_.settings(), shell_.clock(), shell_.appFolder(), this);
    form.exec();
    DatList->clear();
    MakeDataListBtnClick();
}

void TMainForm::MakeDataListBtnClick()
{
    DateCombo->clear();
    for (const std::string& day : StoredDayList(shell_.appFolder()))
        DateCombo->addItem(QString::fromStdString(day));
    DateCombo->setCurrentIndex(-1);
}

void TMainForm::DateComboChange()
{
    const int index = DateCombo->currentIndex();
    if (index < 0 || work_ > 0)
        return;
    const WorkScope work(*this);
    const std::string dayKey = DateCombo->itemText(index).toStdString();
    clearDay();

    // TPrgrsForm: only shows when a load takes long enough to be noticed.
    QProgressDialog progress(this);
    progress.setObjectName("PrgrsForm");
    progress.setWindowTitle("Solvane");
    progress.setCancelButton(nullptr);
    progress.setMinimumDuration(300);
    progress.setWindowModality(Qt::WindowModal);
    LoadOptions options = LoadOptionsFrom(shell_.settings(), shell_.appFolder());
    options.quiet = quiet_;
    const DayLoadResult result =
        solvane::DateComboChange(*day_, dayKey, options, shell_.clock(), [&](const LoadProgress& p) {
            if (p.finished) {
                progress.reset();
                return;
            }
            progress.setLabelText(q(p.text) + "\n" + q(p.dayKey));
            progress.setMaximum(p.maximum);
            progress.setValue(p.position);
        });
    progress.reset();
    showLoadedDay(result);
}

void TMainForm::clearDay()
{
    DatList->blockSignals(true);
    DatList->clear();
    DatList->blockSignals(false);
    PageControl1->hide();
    resultsModel_->setGrid(TextGrid());
    showPayoutPanel(-1);
    oddsPage_->clear();
    // Nothing of the previous day stays on screen, even when this day's first race cannot be shown.
    card_.clear();
    cardModel_->setGrid(card_.grid());
    DeForm->clearRace();
    HeaderPanel->showHeader(RaceHeader{});
}

void TMainForm::showLoadedDay(const DayLoadResult& result)
{
    onDayLoadedLive(result);
    if (!result.message.empty()) {
        message(MessageKind::Information, "Solvane", q(result.message));
        return;
    }
    if (!result.notes.error.empty())
        statusBar()->showMessage(q(result.notes.error));

    SeiRecLabel->setText(q(result.resultsLabel));
    QPalette palette = SeiRecLabel->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(result.resultsLabelColor));
    SeiRecLabel->setPalette(palette);

    DatList->blockSignals(true);
    for (const RaceListItem& item : day_->RaceList)
        DatList->addItem(q(item.text));
    DatList->blockSignals(false);
    if (result.pressNextRace)
        NextRBtnClick();
    if (result.selectFirstRace && DatList->count() > 0)
        DatList->setCurrentRow(0); // runs DatListClick
}

void TMainForm::InputFormBtnClick()
{
    if (DatList->count() == 0) {
        message(MessageKind::Information, "Solvane", "開催日のデータを読み込んでください。");
        return;
    }
    ShowCompanion(*KaimeForm, *this, companionArea(), shell_.settings(), kKaimeGeometry,
                  QSize(keys::KaimelocateWidth.def, keys::KaimelocateHeight.def));
}

void TMainForm::SimBtnClick()
{
    if (!KaimeSettingForm)
        KaimeSettingForm = new TKaimeSettingForm(*this);
    ShowCompanion(*KaimeSettingForm, *this, companionArea(), shell_.settings(), kKaimeSettingGeometry,
                  KaimeSettingForm->sizeHint());
}

void TMainForm::SqlExportMenuClick()
{
    if (!SqlExportForm)
        SqlExportForm = new TSqlExportForm(shell_, this);
    else if (!SqlExportForm->running())
        SqlExportForm->resetPeriod(); // an import since the last use may have added days
    SqlExportForm->show();
    SqlExportForm->raise();
    SqlExportForm->activateWindow();
}

QStringList TMainForm::dateItems() const
{
    QStringList items;
    for (int i = 0; i < DateCombo->count(); ++i)
        items << DateCombo->itemText(i);
    return items;
}

bool TMainForm::loadDay(const QString& dayKey)
{
    int index = DateCombo->findText(dayKey);
    if (index < 0 && dayKey.size() == 8)
        index = DateCombo->findText(dayKey.left(4) + "年" + dayKey.mid(4, 2) + "月" + dayKey.mid(6, 2) + "日");
    if (index < 0 || work_ > 0)
        return false;
    DateCombo->setCurrentIndex(index);
    DateComboChange();
    return true;
}

bool TMainForm::loadDayQuietly(const QString& dayKey)
{
    const bool was = std::exchange(quiet_, true);
    const bool loaded = loadDay(dayKey);
    quiet_ = was;
    return loaded;
}

void TMainForm::NM3Click()
{
    TKaimeSetForm dialog(shell_.settings(), this);
    // New default stakes reach the tables when the race is shown again.
    dialog.setOnSaved([this] {
        if (DatList->count() > 0)
            DatListClick();
    });
    runDialog_(dialog);
}

void TMainForm::KelvoFolderMenuClick()
{
    solvane::KelvoFolderMenuClick(this, shell_.settings(), shell_.appFolder(), inform_, chooseFolder_);
}

void TMainForm::ReadYosoBtnClick()
{
    if (compiForm_) {
        compiForm_->raise();
        compiForm_->activateWindow();
        return;
    }
    compiForm_ = new TCompiForm(shell_.settings(), shell_.appFolder(), this);
    compiForm_->setAttribute(Qt::WA_DeleteOnClose);
    compiForm_->setMessageSink(inform_);
    // New marks show once the window closes: the chosen day is loaded again.
    compiForm_->setOnClosed([this] {
        if (DateCombo->currentIndex() >= 0)
            DateComboChange();
    });
    compiForm_->show();
}

TCompiForm* TMainForm::compiForm() const
{
    return compiForm_;
}

void TMainForm::HarunireFolderClick()
{
    // The loader reads the folder again at every day load, so nothing else needs refreshing here.
    solvane::HarunireFolderClick(this, shell_.settings(), shell_.appFolder(), inform_);
}

void TMainForm::DirectReadBtnClick()
{
    std::vector<std::string> items;
    for (int i = 0; i < DateCombo->count(); ++i)
        items.push_back(DateCombo->itemText(i).toStdString());
    // The loader steps from the oldest day to the newest with its messages held back; each loaded day
    // is shown as it comes, and pending events run between days so the window keeps answering.
    const WorkScope work(*this);
    const bool was = std::exchange(quiet_, true);
    solvane::DirectReadBtnClick(*day_, items, LoadOptionsFrom(shell_.settings(), shell_.appFolder()), shell_.clock(),
                                [&](const std::string& dayKey, const DayLoadResult& result) {
                                    {
                                        const QSignalBlocker block(DateCombo);
                                        DateCombo->setCurrentIndex(DateCombo->findText(q(dayKey)));
                                    }
                                    clearDay();
                                    showLoadedDay(result);
                                    QApplication::processEvents();
                                });
    quiet_ = was;
}

void TMainForm::DatListClick()
{
    const RaceChoice choice = ChooseRace(*day_, DatList->currentRow(), card_.slot());
    if (!choice.selected) {
        if (choice.emptySlot >= 0 && !quiet_)
            message(MessageKind::Information, "Solvane", q(NoRunnersMessage(*day_, choice.emptySlot)));
        if (choice.listRow >= 0) {
            const QSignalBlocker block(DatList);
            DatList->setCurrentRow(choice.listRow);
        }
        return;
    }
    const int slot = day_->CurRace;
    StringGrid1->hide();
    HeaderPanel->showHeader(BuildRaceHeader(*day_, slot));
    // Each grid's ColumnFitter fits it once it is shown, so a page nobody looks at costs nothing.
    resultsModel_->setGrid(ResultsGrid(*day_, slot));
    showPayoutPanel(slot);
    oddsPage_->showRace(*day_, slot);
    // Marks cleared, every direction flag 1, rows in horse-number order.
    card_.select(*day_, slot);
    cardModel_->setGrid(card_.grid());
    DeForm->selectRace(*day_, slot);
    StringGrid1->show();
    PageControl1->show();
    StringGrid1->clearSelection();
    StringGrid1->setCurrentIndex(QModelIndex());
    onRaceSelected();
}

void TMainForm::onRaceSelected()
{
    emit raceSelected(card_.slot());
}

void TMainForm::showCard()
{
    StringGrid1->showGrid(*cardModel_, card_.grid());
}

void TMainForm::sisushutubaBtnClick()
{
    card_.refill(*day_);
    showCard();
    DeForm->refill(*day_);
}

void TMainForm::SortDeBtnClick()
{
    card_.resort();
    showCard();
}

void TMainForm::StringGrid1MouseDown(int row, int column)
{
    const CardClick kind = CardClickOf(row, column);
    if (!card_.click(row, column))
        return;
    showCard();
    if (kind == CardClick::Mark)
        emit marksChanged(card_.slot());
}

void TMainForm::setCardMarks(const Marks& marks)
{
    card_.setMarks(marks);
    showCard();
    emit marksChanged(card_.slot());
}

void TMainForm::PopDeBtnClick()
{
    DeForm->show();
    DeForm->raise();
}

void TMainForm::stepRace(int delta)
{
    const int row = DatList->currentRow() + delta;
    if (row >= 0 && row < DatList->count())
        DatList->setCurrentRow(row); // runs DatListClick
}

void TMainForm::openListedRace()
{
    const int row = DatList->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= day_->RaceList.size())
        return;
    if (day_->RaceList[static_cast<std::size_t>(row)].slot != card_.slot())
        DatListClick();
    StringGrid1->setFocus();
    if (cardModel_->rowCount() > 0 && !StringGrid1->currentIndex().isValid())
        StringGrid1->setCurrentIndex(cardModel_->index(0, card::Uma));
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == DatList && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            openListedRace();
            return true;
        case Qt::Key_PageDown:
            stepRace(1);
            return true;
        case Qt::Key_PageUp:
            stepRace(-1);
            return true;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    const std::string error = shell_.shown(jvlink_);
    if (!error.empty())
        message(MessageKind::Plain, "Solvane", q(error));
}

QString TMainForm::selectedDay() const
{
    return DateCombo->currentText();
}

std::optional<QString> TMainForm::selectedRace() const
{
    if (const QListWidgetItem* item = DatList->currentItem(); item && DatList->currentRow() >= 0)
        return item->text();
    return std::nullopt;
}

QRect TMainForm::companionArea() const
{
    QRect area(PageControl1->mapToGlobal(QPoint(0, 0)), PageControl1->size());
    if (StringGrid1->model() && StringGrid1->model()->columnCount() > card::Name) {
        int horse = StringGrid1->verticalHeader()->isVisible() ? StringGrid1->verticalHeader()->width() : 0;
        for (int c = 0; c <= card::Name; ++c)
            horse += StringGrid1->columnWidth(c);
        const int right = StringGrid1->viewport()->mapToGlobal(QPoint(horse, 0)).x();
        area.setLeft(std::max(area.left(), right + 4));
    }
    return area;
}

void TMainForm::showPayoutPanel(int slot)
{
    payoutModel_->setGrid(PayoutPanelGrid(*day_, slot));
    PayoutPanel->setVisible(payoutModel_->rowCount() > 0);
}

TMainForm::WorkScope::WorkScope(TMainForm& form) : form_(form)
{
    if (form_.work_++ == 0)
        form_.DateCombo->setEnabled(false);
}

TMainForm::WorkScope::~WorkScope()
{
    if (--form_.work_ != 0)
        return;
    form_.DateCombo->setEnabled(true);
    if (form_.closePending_) {
        form_.closePending_ = false;
        QTimer::singleShot(0, &form_, &QWidget::close);
    }
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (work_ > 0) {
        closePending_ = true;
        event->ignore();
        return;
    }
    if (!closed_) {
        closed_ = true;
        const bool normal = !isMaximized() && !isMinimized() && !isFullScreen();
        const QRect frame = normal ? QRect(pos(), size()) : normalGeometry();
        if (DeForm->isVisible())
            DeForm->close(); // its geometry goes to [locateDE]
        if (KaimeSettingForm)
            KaimeSettingForm->close(); // a backtest still running is stopped and waited for
        if (SqlExportForm)
            SqlExportForm->close(); // so is an export
        if (!shell_.shutdown(WindowGeometry{frame.top(), frame.left(), frame.width(), frame.height()}))
            message(MessageKind::Error, "Solvane", q(shell_.warnings().back()));
    }
    event->accept();
}

} // namespace solvane
