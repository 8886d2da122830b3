// The main window's race-day live work on a generated day that is today: the schedule tick driven
// second by second on a manual clock (the window's timer stopped), the fetch buttons, the next-race
// commands, the clock and countdown, the fetch-time window and the time-series odds commands.
#include "app/AppShell.h"
#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "app/SiblingFolders.h"
#include "app/WorkFolders.h"
#include "feedgen/Feed.h"
#include "gui/Main.h"
#include "gui/OzGetTimeUnit.h"
#include "jvdata/JVMessage.h"
#include "jvdata/LocalJVLink.h"
#include "jvdata/MemoryJVLink.h"
#include "raceday/RaceDay.h"
#include "store/BulkImport.h"
#include "store/Store.h"
#include "support/GeneratedSeason.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"
#include "voting/Schedule.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QtTest>

using namespace solvane;
namespace fs = std::filesystem;

namespace {

using test::NoSiblings;

DateTime At(int h, int m, int s, int day = 6)
{
    return DateTime{2024, 1, day, h, m, s};
}

DateTime AtHhmmss(std::string_view hhmmss)
{
    return At(static_cast<int>(toIntDef(hhmmss.substr(0, 2), 0)), static_cast<int>(toIntDef(hhmmss.substr(2, 2), 0)),
              static_cast<int>(toIntDef(hhmmss.substr(4, 2), 0)));
}

// Saturday 2024-01-06 generated as a live day (its snapshots follow the clock) with the time-series
// folder, and imported at 09:30 that morning.
struct LiveDay : test::GeneratedSeason {
    LiveDay() : GeneratedSeason(At(9, 30, 0), options(), DateTime{2024, 1, 1})
    {
        if (!error.empty())
            qFatal("%s", error.c_str());
    }
    static feedgen::FeedOptions options()
    {
        feedgen::FeedOptions o;
        o.from = o.to = DateTime{2024, 1, 6};
        o.seed = 3;
        o.liveToday = true;
        return o;
    }
};

LiveDay* g_day = nullptr;

// The main window on the live day with every outside effect recorded: messages, beeps, sounds and
// dialogs. The one-second timer is stopped; tests tick by hand.
struct Window {
    NoSiblings registry;
    AppShell shell;
    std::unique_ptr<TMainForm> form;
    QStringList messages, sounds;
    int beeps = 0;
    std::function<int(QDialog&)> onDialog;

    explicit Window(JVLink& link, bool load = true)
        : shell(AppShellOptions{g_day->home, &g_day->clock, &registry, {}, {}})
    {
        if (!shell.start())
            qFatal("shell did not start");
        g_day->setFaults("");
        shell.settings().set(keys::OzAlarm, "/sounds/alarm.wav");
        form = std::make_unique<TMainForm>(shell, link);
        form->findChild<QTimer*>("Timer1")->stop();
        form->setMessageSink([this](MessageKind, const QString&, const QString& text) { messages << text; });
        form->setBeeper([this] { ++beeps; });
        form->setSoundPlayer([this](const QString& file) { sounds << file; });
        form->setDialogRunner([this](QDialog& d) { return onDialog ? onDialog(d) : 0; });
        setMenu("Sound1Menu", true);
        setMenu("OverWriteOKMenu", false);
        form->show();
        if (load)
            loadDay();
    }
    explicit Window(bool load = true) : Window(*g_day->link, load) {}

    void loadDay()
    {
        form->findChild<QComboBox*>("DateCombo")->setCurrentIndex(0);
        form->DateComboChange();
    }
    void setMenu(const char* name, bool on)
    {
        auto* action = form->findChild<QAction*>(name);
        if (action->isChecked() != on)
            action->trigger();
    }
    void tickAt(const DateTime& t)
    {
        g_day->clock.set(t);
        form->Timer1Timer();
    }
    QString label(const char* name) const { return form->findChild<QLabel*>(name)->text(); }
    QListWidget* list(const char* name) const { return form->findChild<QListWidget*>(name); }
    const RaceDay& day() const { return form->raceDay(); }
    int dailyLines(const char* part)
    {
        const std::string sjis = toSjis(part);
        int n = 0;
        for (const std::string& line : shell.dailyLog().lines())
            n += line.find(sjis) != std::string::npos;
        return n;
    }
    // The listed dueSlots due at the race's first fetch time, and that time.
    std::pair<std::string, std::vector<int>> earliestDue() const
    {
        std::string first = "999999";
        for (const RaceListItem& item : day().RaceList)
            first = std::min(first, day().RaceRecs[static_cast<std::size_t>(item.slot)].AutoOzTime);
        std::vector<int> dueSlots;
        for (const RaceListItem& item : day().RaceList)
            if (day().RaceRecs[static_cast<std::size_t>(item.slot)].AutoOzTime == first)
                dueSlots.push_back(item.slot);
        return {first, dueSlots};
    }
    std::string postOf(int slot) const
    {
        return std::string(field(day().RaRecs[static_cast<std::size_t>(slot)], 874, 4));
    }
    bool fetched(int slot) const { return form->schedule().flags().get(day().DayKey, slot); }
};

} // namespace

class LiveWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { g_day = new LiveDay; }
    void cleanupTestCase()
    {
        delete g_day;
        g_day = nullptr;
    }
    void init() { g_day->clock.set(At(9, 30, 0)); }

    void loadFillsTheNextRaceListAndTheClockAndCountdownTick();
    void oddsComeAtTheirSecondWithTheAlertAsTheMenusSay_data();
    void oddsComeAtTheirSecondWithTheAlertAsTheMenusSay();
    void aManualOddsFetchHoldsBackTheScheduledOne();
    void anotherDayRunsNoTimerAndStopsTheClock();
    void nextRaceCommands();
    void theTimersFetchesAreSilentButTheirErrorsShowAndLog();
    void fetchButtonsBeepAsTheirKindSays();
    void allOddsOfTheDayFetchesEveryRace();
    void timeSeriesCommands();
    void fetchTimeWindowOpensFromTheMenu();
    void closingDuringAFetchWaitsForItsEnd();
    void aFetchRefitsTheCardsColumnsWhereTheUserLeftIt();
};

void LiveWindowTest::loadFillsTheNextRaceListAndTheClockAndCountdownTick()
{
    Window w;
    QListWidget* next = w.list("NowTimeRaceList");
    QCOMPARE(next->count(), static_cast<int>(w.day().RaceList.size()));
    QString previous;
    int firstNotEarlier = -1;
    for (int i = 0; i < next->count(); ++i) {
        const QString line = next->item(i)->text();
        QVERIFY2(previous <= line, qPrintable(line));
        previous = line;
        if (firstNotEarlier < 0 && line.left(5) >= "09:30")
            firstNotEarlier = i;
    }
    QCOMPARE(next->currentRow(), firstNotEarlier);

    auto* rest = w.form->findChild<QLabel*>("RestTimeLabel");
    QVERIFY(rest->isVisibleTo(w.form.get()));
    w.tickAt(At(9, 30, 0));
    QCOMPARE(w.label("NowTimLabel"), QString("09:30:00"));
    // The first race of the list is selected after the load; its countdown from 09:30:00.
    const std::string post = w.postOf(w.day().CurRace);
    const long long left =
        (toIntDef(post.substr(0, 2), 0) * 60 + toIntDef(post.substr(2, 2), 0)) * 60 - (9 * 60 + 30) * 60;
    QVERIFY(left > 0);
    QCOMPARE(w.label("RestTimeLabel"),
             q("発走までの残り時間：" + strprintf("%02lld:%02lld:%02lld", left / 3600, left / 60 % 60, left % 60)));
    w.tickAt(AtHhmmss(post + "00"));
    QCOMPARE(w.label("RestTimeLabel"), QString("発走済み"));
}

void LiveWindowTest::oddsComeAtTheirSecondWithTheAlertAsTheMenusSay_data()
{
    QTest::addColumn<bool>("sound1");
    QTest::addColumn<bool>("overWriteOK");
    QTest::newRow("alert, once") << true << false;
    QTest::newRow("no alert, once") << false << false;
    QTest::newRow("alert, both times") << true << true;
    QTest::newRow("no alert, both times") << false << true;
}

void LiveWindowTest::oddsComeAtTheirSecondWithTheAlertAsTheMenusSay()
{
    QFETCH(bool, sound1);
    QFETCH(bool, overWriteOK);
    Window w;
    w.setMenu("Sound1Menu", sound1);
    w.setMenu("OverWriteOKMenu", overWriteOK);
    const auto [first, dueSlots] = w.earliestDue();
    const int n = static_cast<int>(dueSlots.size());
    const int before = w.dailyLines("■オッズ取得 ");

    // The second before: nothing.
    w.tickAt(AtHhmmss(first).addSeconds(-1));
    QCOMPARE(w.dailyLines("■オッズ取得 "), before);
    w.tickAt(AtHhmmss(first));
    QCOMPARE(w.dailyLines("■オッズ取得 "), before + n);
    for (const int slot : dueSlots)
        QVERIFY(w.fetched(slot));
    QCOMPARE(w.sounds, sound1 ? QStringList{"/sounds/alarm.wav"} : QStringList{});
    QCOMPARE(w.label("DLlabel"), QString());
    QCOMPARE(w.beeps, 0);

    // The second time: a second chance only, unless the menu asks for both.
    const std::string second = w.day().RaceRecs[static_cast<std::size_t>(dueSlots.front())].AutoTohyoTime1;
    w.tickAt(AtHhmmss(second));
    QCOMPARE(w.dailyLines("■オッズ取得 "), before + (overWriteOK ? 2 * n : n));
    QCOMPARE(w.sounds.size(), sound1 ? (overWriteOK ? 2 : 1) : 0);
}

void LiveWindowTest::aManualOddsFetchHoldsBackTheScheduledOne()
{
    Window w;
    const auto [first, dueSlots] = w.earliestDue();
    const int slot = dueSlots.front();
    for (std::size_t i = 0; i < w.day().RaceList.size(); ++i)
        if (w.day().RaceList[i].slot == slot)
            w.list("DatList")->setCurrentRow(static_cast<int>(i));
    QCOMPARE(w.form->raceCard().slot(), slot);
    QTest::mouseClick(w.form->findChild<QPushButton*>("SokuhoOddsBtn"), Qt::LeftButton);
    QVERIFY(w.fetched(slot));
    QCOMPARE(w.beeps, 0);
    const int before = w.dailyLines("■オッズ取得 ");
    w.tickAt(AtHhmmss(first));
    // Only the other races due then are fetched; the alert follows them when there are any.
    QCOMPARE(w.dailyLines("■オッズ取得 "), before + static_cast<int>(dueSlots.size()) - 1);
    QCOMPARE(w.sounds.size(), dueSlots.size() > 1 ? 1 : 0);
}

void LiveWindowTest::anotherDayRunsNoTimerAndStopsTheClock()
{
    // The day after: the clock runs until the Saturday is loaded, then stops; nothing is fetched.
    g_day->clock.set(At(9, 59, 0, 7));
    MemoryJVLink link;
    Window w(link, false);
    w.tickAt(At(9, 59, 59, 7));
    QCOMPARE(w.label("NowTimLabel"), QString("09:59:59"));
    w.loadDay();
    QVERIFY(!w.form->findChild<QLabel*>("RestTimeLabel")->isVisibleTo(w.form.get()));
    link.calls.clear();
    const auto [first, dueSlots] = w.earliestDue();
    QVERIFY(!dueSlots.empty());
    // Past the results interval and the change interval, through the Sunday's fetch times.
    for (DateTime t = At(10, 0, 0, 7); t <= At(10, 20, 0, 7); t = t.addSeconds(1))
        w.tickAt(t);
    w.tickAt(AtHhmmss(first).addDays(1));
    QCOMPARE(link.calls, std::vector<std::string>{});
    QCOMPARE(w.label("NowTimLabel"), QString("09:59:59"));
    QCOMPARE(w.sounds.size(), 0);
    QCOMPARE(w.beeps, 0);
}

void LiveWindowTest::nextRaceCommands()
{
    Window w;
    QListWidget* next = w.list("NowTimeRaceList");
    // A minute at which some race posts, in the middle of the day.
    const int middle = next->count() / 2;
    const QString minute = next->item(middle)->text().left(5);
    const DateTime at = At(minute.left(2).toInt(), minute.mid(3, 2).toInt(), 30);
    g_day->clock.set(at);

    // "直近R": the race posting this minute is still next.
    QTest::mouseClick(w.form->findChild<QPushButton*>("NextRBtn"), Qt::LeftButton);
    QCOMPARE(next->currentItem()->text().left(5), minute);
    QVERIFY(next->currentRow() == 0 || next->item(next->currentRow() - 1)->text().left(5) < minute);

    // "直前ﾚｰｽ": the soonest race after this minute, shown on the card.
    std::string soonest = "9999";
    for (const RaceListItem& item : w.day().RaceList)
        if (w.postOf(item.slot) > minute.toStdString().substr(0, 2) + minute.toStdString().substr(3, 2))
            soonest = std::min(soonest, w.postOf(item.slot));
    QTest::mouseClick(w.form->findChild<QPushButton*>("NextRaceBtn"), Qt::LeftButton);
    const int shown = w.form->raceCard().slot();
    QCOMPARE(w.postOf(shown), soonest);
    QCOMPARE(w.day().RaceList[static_cast<std::size_t>(w.list("DatList")->currentRow())].slot, shown);

    // After the last race: "直近R" points at the last line, "直前ﾚｰｽ" does nothing.
    g_day->clock.set(At(17, 30, 0));
    QTest::mouseClick(w.form->findChild<QPushButton*>("NextRBtn"), Qt::LeftButton);
    QCOMPARE(next->currentRow(), next->count() - 1);
    QTest::mouseClick(w.form->findChild<QPushButton*>("NextRaceBtn"), Qt::LeftButton);
    QCOMPARE(w.form->raceCard().slot(), shown);
    QVERIFY(w.messages.isEmpty());
}

void LiveWindowTest::theTimersFetchesAreSilentButTheirErrorsShowAndLog()
{
    Window w;
    g_day->setFaults("[JVClose:0B14]\r\nresult=-1\r\n");
    const auto errorLog = [] {
        return QString::fromStdString(fromSjis(readFile(g_day->home / "ErrorLog.txt").value_or("")));
    };
    // The change fetch five minutes after the load: its close fails.
    w.tickAt(At(9, 35, 0));
    const QString closeError = q(JVMessage("JVClose", -1));
    QCOMPARE(w.label("DLlabel"), closeError);
    QVERIFY(errorLog().contains("【エラー】09:35:00：" + closeError));
    // Mining ten minutes after the load: its open is refused. The change fetch runs after it that
    // second, so the label ends with that fetch's state; the log keeps the refusal.
    g_day->setFaults("[JVRTOpen:0B13]\r\nresult=-202\r\n");
    w.tickAt(At(9, 40, 0));
    QVERIFY2(errorLog().contains("【エラー】09:40:00："), qPrintable(errorLog()));
    QVERIFY(errorLog().contains(q(JVMessage("JVRTOpen", -202))));
    QCOMPARE(w.beeps, 0);
}

void LiveWindowTest::fetchButtonsBeepAsTheirKindSays()
{
    // A clean close: never a beep for odds, one for each results, mining and change request.
    const std::pair<const char*, int> buttons[] = {
        {"SokuhoOddsBtn", 0}, {"KekkaGetBtn", 1}, {"GetDMBtn", 2}, {"GetKaisaiBtn", 1}};
    for (const auto& [name, beeps] : buttons) {
        Window w;
        w.form->findChild<QPushButton*>(name)->click();
        QVERIFY2(w.beeps == beeps, name);
        QCOMPARE(w.label("DLlabel"), QString());
        QCOMPARE(w.messages, QStringList{});
    }
    // Without a chosen race the race buttons do nothing.
    Window idle(false);
    for (const auto& [name, beeps] : buttons)
        idle.form->findChild<QPushButton*>(name)->click();
    QCOMPARE(idle.beeps, 0);
}

void LiveWindowTest::allOddsOfTheDayFetchesEveryRace()
{
    Window empty(false);
    empty.form->findChild<QAction*>("N110")->trigger();
    QCOMPARE(empty.messages, QStringList{"開催日ﾃﾞｰﾀを読み込んでください。"});

    // Every race has announced odds by 14:00.
    g_day->clock.set(At(14, 0, 0));
    Window w;
    w.form->findChild<QAction*>("N110")->trigger();
    for (const RaceListItem& item : w.day().RaceList)
        QVERIFY2(w.fetched(item.slot), item.text.c_str());
    QCOMPARE(w.list("DatList")->currentRow(), w.list("DatList")->count() - 1);
    QCOMPARE(w.form->raceCard().slot(), w.day().RaceList.back().slot);
    QCOMPARE(w.messages, QStringList{});
}

void LiveWindowTest::timeSeriesCommands()
{
    Window w;
    const auto o1 = [] {
        return splitLines(readFile(StoreFolder(g_day->home) / pathFromUtf8("2024年01月06日.jvO1")).value_or(""));
    };
    w.shell.settings().set(keys::Jikeiretu, "");
    w.form->findChild<QAction*>("T1")->trigger();
    QCOMPARE(w.messages, QStringList{"時系列ｵｯｽﾞﾌｫﾙﾀﾞ指定をしてください。"});

    // The folder dialog: cancelled, then a folder chosen.
    QString caption, start;
    QString answer;
    w.form->setFolderChooser([&](QWidget*, const QString& c, const QString& s) {
        caption = c;
        start = s;
        return answer;
    });
    w.form->findChild<QAction*>("N12")->trigger();
    QCOMPARE(caption, QString("時系列ｵｯｽﾞﾃﾞｰﾀﾌｫﾙﾀﾞの指定"));
    QCOMPARE(w.shell.settings().get(keys::Jikeiretu), std::string());
    answer = q(pathToUtf8(g_day->feed / "jikeiretu"));
    w.form->findChild<QAction*>("N12")->trigger();
    QCOMPARE(w.shell.settings().get(keys::Jikeiretu), answer.toStdString());

    w.messages.clear();
    const std::size_t races = w.day().RaceList.size();
    w.form->findChild<QAction*>("T1")->trigger();
    QCOMPARE(w.messages, QStringList{q(std::to_string(races) + "ﾚｰｽ分の単複枠ｵｯｽﾞ\n" + std::to_string(races) +
                                       "ﾚｰｽ分の馬連ｵｯｽﾞを取りこみました。")});
    QCOMPARE(o1().size(), races);
    // The day was loaded again: its list is back with the first race shown.
    QCOMPARE(w.list("DatList")->count(), static_cast<int>(races));
    QCOMPARE(w.list("DatList")->currentRow(), 0);
}

void LiveWindowTest::fetchTimeWindowOpensFromTheMenu()
{
    Window w;
    QString title;
    w.onDialog = [&](QDialog& d) {
        title = d.windowTitle();
        auto* form = qobject_cast<TOzGetTimeForm*>(&d);
        if (!form)
            return 0;
        form->findChild<QSpinBox*>("SpinEdit1")->setValue(7);
        form->findChild<QPushButton*>("OKBtn")->click();
        return d.result();
    };
    w.form->findChild<QAction*>("OzGetTimeMenu")->trigger();
    QCOMPARE(title, QString("データﾞ自動取得時刻指定"));
    QCOMPARE(w.shell.settings().get(keys::AutoOzGet), 7);
    // Taken at the next load: the first race's time moves to seven minutes before its post.
    w.loadDay();
    const auto [first, dueSlots] = w.earliestDue();
    const std::string post = w.postOf(dueSlots.front());
    QCOMPARE(AtHhmmss(first).addSeconds(7 * 60), AtHhmmss(post + "00"));
    w.shell.settings().set(keys::AutoOzGet, 10);
}

QTEST_MAIN(LiveWindowTest)
#include "LiveWindowTest.moc"

// The window is closed while a results fetch lets events run: it stays open, with the day fixed,
// until the fetch is over, then closes; the daily log closes after the fetch's lines.
void LiveWindowTest::closingDuringAFetchWaitsForItsEnd()
{
    Window w;
    bool openInside = false, dayFixedInside = false;
    QTimer::singleShot(0, w.form.get(), [&] {
        w.form->close();
        openInside = w.form->isVisible();
        dayFixedInside = !w.form->findChild<QComboBox*>("DateCombo")->isEnabled();
    });
    w.form->findChild<QPushButton*>("KekkaGetBtn")->click();
    QVERIFY(openInside);
    QVERIFY(dayFixedInside);
    QCOMPARE(w.beeps, 1);
    QTRY_VERIFY(!w.form->isVisible());
    QVERIFY(!w.shell.dailyLog().isOpen());
}

// A fetch changes the card's texts in place: every column is fitted to its new texts (here the win
// odds column starts narrower than its texts, as after a fit to the blanks shown before the odds were
// announced), and the card stays scrolled where the user left it.
void LiveWindowTest::aFetchRefitsTheCardsColumnsWhereTheUserLeftIt()
{
    Window w;
    auto* card = w.form->findChild<QTableView*>("StringGrid1");
    w.form->resize(800, 600); // the card scrolls across
    w.list("DatList")->setCurrentRow(w.list("DatList")->count() - 1);
    QCoreApplication::processEvents();
    card->setColumnWidth(card::TanOz, 8);
    card->horizontalScrollBar()->setValue(card->horizontalScrollBar()->maximum() / 2);
    const int scrolled = card->horizontalScrollBar()->value();
    QVERIFY(scrolled > 0);

    g_day->clock.set(At(15, 50, 0));
    QTest::mouseClick(w.form->findChild<QPushButton*>("SokuhoOddsBtn"), Qt::LeftButton);
    QCoreApplication::processEvents();
    QVERIFY(!card->model()->index(0, card::TanOz).data().toString().trimmed().isEmpty());
    // The name column is fitted to the names without their padding blanks.
    for (int c = 0; c < card->model()->columnCount(); ++c) {
        QVERIFY2(c == card::Name || card->columnWidth(c) >= static_cast<QAbstractItemView*>(card)->sizeHintForColumn(c),
                 qPrintable(QString::number(c)));
    }
    QCOMPARE(card->horizontalScrollBar()->value(), scrolled);
}
