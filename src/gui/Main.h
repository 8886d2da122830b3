// The main window: the tool bar, the menus, the race list, the race pages and the status line. It owns
// the controls only; start-up, shutdown and every rule behind a command are AppShell's (or, for the
// race-day commands, their own core units').
#pragma once

#include "app/AppShell.h"
#include "gui/AlarmSound.h"
#include "gui/Dialogs.h"
#include "raceday/RaceCard.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QTabWidget;
class QDialog;
class QTableView;
class QTimer;
class QToolBar;
class QWidget;

namespace solvane {

class OddsPageWidget;

class CardGridView;
class RaceHeaderPanel;
class JVLink;
struct RaceDay;
struct DayLoadResult;
class TDeForm;
class TextGridModel;
class TCompiForm;
class TKaimeForm;
class TKaimeSettingForm;
class TSqlExportForm;
class ScheduleState;
struct FetchEnv;
struct FetchResult;
struct NextRaceSelection;

// The width that shows every line of the race list and the next-race list whole.
int RaceListWidth(const QListWidget& list);

class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    // shell has run start(); jvlink is the session opened when the window is first shown.
    TMainForm(AppShell& shell, JVLink& jvlink, QWidget* parent = nullptr);
    ~TMainForm() override;

    AppShell& shell() { return shell_; }
    // What the date box and the race list show, for the windows that follow them: the day's text
    // ("2024年01月06日", empty without a day) and the chosen race's line ("中山 1R", nothing without one).
    QString selectedDay() const;
    std::optional<QString> selectedRace() const;
    // Where companion windows may open (global coordinates): the race pages right of the card's 枠, 馬
    // and 馬名, so a bettor still sees which horse each row of the card is.
    QRect companionArea() const;
    JVLink& jvlink() { return jvlink_; }

    void setMessageSink(MessageSink sink) { inform_ = std::move(sink); }
    // The manual and the sibling program are opened through the shell; tests watch it instead.
    void setShellLauncher(ShellLauncher launcher) { launch_ = std::move(launcher); }
    void setDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }
    void setBeeper(Beeper beeper) { beep_ = std::move(beeper); }
    void setSoundPlayer(SoundPlayer player) { playSound_ = std::move(player); }
    void setFolderChooser(FolderChooser chooser) { chooseFolder_ = std::move(chooser); }

    // Tool bar and menu commands handled by the shell.
    void HelpButtonClick();
    void QuitButtonClick();
    void HarunireMenuClick();
    void Sound1MenuClick();
    void OverWriteOKMenuClick();
    void SpeedButton1Click();
    // "JVﾃﾞｰﾀ取得": the bulk import window, modal; afterwards the list of stored days is rebuilt.
    void JVBtnClick();
    // "リスト作成": the stored race days into DateCombo, newest first, nothing selected or loaded.
    void MakeDataListBtnClick();
    // "初期化": every race's derived values reset; the shown card follows.
    void IniBtnClick();
    // A date chosen in DateCombo: the day is loaded, the race list filled and its first race selected.
    void DateComboChange();
    // A race chosen in the race list: the header, the race card, the entries window and the results
    // page show it; marks are cleared and the card is in horse-number order.
    void DatListClick();
    // "一気読み": every stored day loaded in turn, oldest first, without messages.
    void DirectReadBtnClick();
    // "予想取込": the forecast mark window (one at a time); the day is reloaded when it closes.
    void ReadYosoBtnClick();
    // "買い目": shows the combination form of the selected race.
    void InputFormBtnClick();
    // "投資金額設定": the default stakes per bet type.
    void NM3Click();
    // "Kelvo投票プラグイン２フォルダ指定": the voting plug-in's folder.
    void KelvoFolderMenuClick();
    TKaimeForm* kaimeForm() const { return KaimeForm; }
    // "ｼﾐｭﾚｰｼｮﾝ": the rule window "買い目設定", not modal; one window for the run, made on first use.
    void SimBtnClick();
    TKaimeSettingForm* kaimeSettingForm() const { return KaimeSettingForm; }
    // "SQLite書き出し…": the stored days of a period written into a SQLite file; one window for the run,
    // not modal, made on first use.
    void SqlExportMenuClick();
    TSqlExportForm* sqlExportForm() const { return SqlExportForm; }
    // The texts of the date box ("2024年01月06日"), newest first: the days a backtest can take.
    QStringList dateItems() const;
    // The day of dayKey ("2024年01月06日" or "20240106") selected in the date box and loaded as a
    // choice there loads it. False when the box has no such day.
    bool loadDay(const QString& dayKey);
    // The same without the messages of a load, for a day shown at the end of a run over many days.
    bool loadDayQuietly(const QString& dayKey);
    // "ハルニレフォルダ指定(&K)": the compi-index box's folder.
    void HarunireFolderClick();
    TCompiForm* compiForm() const;
    // "出馬表作成": the card of the shown race rebuilt from the model (new odds or results); the order of
    // the rows and the marks are kept.
    void sisushutubaBtnClick();
    // "SortDe": sorts the card again by the last clicked heading.
    void SortDeBtnClick();
    // A click (or Space) on a cell of the card; row -1 is the heading.
    void StringGrid1MouseDown(int row, int column);
    // "POP出馬表": the entries window.
    void PopDeBtnClick();
    // PageUp / PageDown: the previous or next race of the list.
    void stepRace(int delta);

    // Race-day live work (MainLive.cpp). Every decision is the schedule's; the window only carries out
    // what a tick returns and shows it.
    // The one-second timer "Timer1": one schedule tick at the shell clock's time. Tests call it directly.
    void Timer1Timer();
    // "速報ｵｯｽﾞ", "結果情報", "ﾏｲﾆﾝｸﾞ" and the hidden "変更情報": one fetch as the button does it.
    void SokuhoOddsBtnClick();
    void KekkaGetBtnClick();
    void GetDMBtnClick();
    void GetKaisaiBtnClick();
    // "直近R": NowTimeRaceList refilled, the next race selected in it.
    void NextRBtnClick();
    // "直前ﾚｰｽ": the race posting next after this minute selected and shown.
    void NextRaceBtnClick();
    // "データ自動取得時刻設定(&T)": the fetch-time window, modal, made afresh each time.
    void OzGetTimeMenuClick();
    // "時系列オッズより取得(&T)", "時系列オッズフォルダ指定(&T)", "1日分の全オッズを一括取得".
    void T1Click();
    void N12Click();
    void N110Click();
    const ScheduleState& schedule() const { return *schedule_; }

    const RaceDay& raceDay() const { return *day_; }
    // The combination form writes the per-race stakes into the day.
    RaceDay& raceDay() { return *day_; }
    const RaceCardState& raceCard() const { return card_; }
    // The marks of the shown race, by horse number; what the combination form and the rule window read.
    const Marks& cardMarks() const { return card_.marks(); }
    // Marks put by the program (a selection rule); the card shows them and marksChanged follows.
    void setCardMarks(const Marks& marks);
    TDeForm* deForm() const { return DeForm; }

signals:
    // A race was selected and shown: the combination form reloads its stake from RaceStakeList and
    // rebuilds its combinations (KaimeMakeBtnClick).
    void raceSelected(int slot);
    // The user or the program changed a mark: the combination form rebuilds its combinations.
    void marksChanged(int slot);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Runs at the end of every successful selection; announces raceSelected.
    void onRaceSelected();

private:
    void clearDay();
    void showLoadedDay(const DayLoadResult& result);
    void buildToolBar();
    void buildMenus();
    void buildPages();
    void buildHeader(QWidget* parent);
    void showCard();
    // Enter or double-click on the race list: that race on the card, and the keyboard moves to it.
    void openListedRace();
    void applyMarkers();
    QAction* addAction(QMenu* menu, const char* name, const QString& caption, void (TMainForm::*slot)());
    // toolBar null: a hidden button of the window, pressed only by the program.
    QPushButton* addButton(QToolBar* toolBar, const char* name, const QString& caption, const QString& hint,
                           void (TMainForm::*slot)());
    void message(MessageKind kind, const QString& caption, const QString& text);
    // Live work helpers (MainLive.cpp).
    void buildLive();
    FetchEnv fetchEnv();
    void showFetch(const FetchResult& result);
    void redisplayRace();
    void showPayoutPanel(int slot); // -1: none
    void showNextRace(const NextRaceSelection& next);
    void beep();
    void playAlarm(const std::string& file);
    void onDayLoadedLive(const DayLoadResult& result);

    AppShell& shell_;
    JVLink& jvlink_;
    MessageSink inform_;
    ShellLauncher launch_ = ShellOpen;
    DialogRunner runDialog_;
    Beeper beep_;
    SoundPlayer playSound_;
    FolderChooser chooseFolder_;
    std::unique_ptr<ScheduleState> schedule_;
    std::unique_ptr<AlarmSound> alarm_; // made on the first alert
    QTimer* Timer1 = nullptr;
    QLabel* NowTimLabel = nullptr;
    QLabel* RestTimeLabel = nullptr;
    QListWidget* NowTimeRaceList = nullptr;
    bool shownOnce_ = false;
    bool closed_ = false;

    // Work that lets events run while it goes on (a real-time fetch, the timers' jobs, reading every
    // day) holds a WorkScope: meanwhile the day cannot be changed under it, and a close waits until the
    // work is over, so the work never writes into a day or a log that has gone.
    class WorkScope {
    public:
        explicit WorkScope(TMainForm& form);
        ~WorkScope();
        WorkScope(const WorkScope&) = delete;
        WorkScope& operator=(const WorkScope&) = delete;

    private:
        TMainForm& form_;
    };
    int work_ = 0;
    // Loads among many (the batch load, a day shown after a backtest): their messages are held back, and
    // so are those of a race-list click or a time-series import arriving meanwhile.
    bool quiet_ = false;
    bool closePending_ = false;

    QComboBox* DateCombo = nullptr;
    QListWidget* DatList = nullptr;
    QWidget* Panel1 = nullptr; // the race-list panel
    QTabWidget* PageControl1 = nullptr;
    RaceHeaderPanel* HeaderPanel = nullptr;
    CardGridView* StringGrid1 = nullptr;
    TextGridModel* cardModel_ = nullptr;
    RaceCardState card_;
    TDeForm* DeForm = nullptr;
    QLabel* DLlabel = nullptr;
    QLabel* SeiRecLabel = nullptr;
    QTableView* ResultsView = nullptr;
    TextGridModel* resultsModel_ = nullptr;
    QTableView* PayoutPanel = nullptr;
    OddsPageWidget* oddsPage_ = nullptr;
    TextGridModel* payoutModel_ = nullptr;
    std::unique_ptr<RaceDay> day_;
    QPointer<TCompiForm> compiForm_;
    TKaimeForm* KaimeForm = nullptr;
    TKaimeSettingForm* KaimeSettingForm = nullptr;
    TSqlExportForm* SqlExportForm = nullptr;
    QAction* DirectReadBtnAction = nullptr;
    QAction* T1 = nullptr;
    QAction* N12 = nullptr;
    QAction* TimeSeriesSeparator = nullptr;
    QAction* Sound1Menu = nullptr;
    QAction* OverWriteOKMenu = nullptr;
};

} // namespace solvane
