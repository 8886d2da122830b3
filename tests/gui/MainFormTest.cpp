// The main window on the offscreen platform, started on an empty application folder.
#include "app/FakeJVLink.h"
#include "app/SiblingFolders.h"
#include "app/WorkFolders.h"
#include "gui/AppEntry.h"
#include "gui/CompiUnit.h"
#include "gui/KaimeSettingUnit.h"
#include "gui/KaimeUnit.h"
#include "gui/Main.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QtTest>
#include <tuple>
#include <vector>

using namespace solvane;
namespace fs = std::filesystem;

namespace {

struct Message {
    MessageKind kind;
    QString caption, text;
};

std::vector<std::string> linesOf(const fs::path& p)
{
    std::vector<std::string> out;
    for (const auto& l : splitLines(readFile(p).value_or("")))
        out.push_back(fromSjis(l));
    return out;
}

class SiblingFree : public SiblingRegistry {
public:
    std::string InstallPath(std::string_view) const override { return {}; }
};

// One started shell and its main window, answering every message into a list.
struct Session {
    explicit Session(const fs::path& folder, int initResult = 0, std::vector<std::string> args = {})
        : jvlink(initResult), shell(AppShellOptions{folder, &clock, &registry, {}, std::move(args)})
    {
        started = shell.start();
        form = std::make_unique<TMainForm>(shell, jvlink);
        form->setMessageSink([this](MessageKind k, const QString& c, const QString& t) {
            messages.push_back({k, c, t});
        });
    }

    ManualClock clock{DateTime{2024, 6, 1, 10, 0, 0}};
    SiblingFree registry;
    test::FakeJVLink jvlink;
    AppShell shell;
    bool started = false;
    std::unique_ptr<TMainForm> form;
    std::vector<Message> messages;
};

const char* const kButtons[][2] = {
    {"KekkaGetBtn", "結果情報"}, {"SokuhoOddsBtn", "速報ｵｯｽﾞ"}, {"GetDMBtn", "ﾏｲﾆﾝｸﾞ"},
    {"NextRaceBtn", "直前ﾚｰｽ"},  {"JVBtn", "JVﾃﾞｰﾀ取得"},       {"InputFormBtn", "買い目"},
    {"ReadYosoBtn", "予想取込"}, {"SimBtn", "ｼﾐｭﾚｰｼｮﾝ"},        {"HelpButton", "ヘルプ"},
    {"QuitButton", "終了"},      {"GetKaisaiBtn", "変更情報"},  {"DirectReadBtn", "一気読み"},
};
const char* const kMenuItems[][2] = {
    {"JVDataMenu", "JVデータ取得(&J)"},
    {"N110", "1日分の全オッズを一括取得"},
    {"T1", "時系列オッズより取得(&T)"},
    {"ExitMenu", "終了(&X)"},
    {"OzGetTimeMenu", "データ自動取得時刻設定(&T)"},
    {"OverWriteOKMenu", "手動でオッズ取得済でも指定時刻に自動取得を行う"},
    {"Sound1Menu", "オッズ取得後、アラート音を鳴らす"},
    {"NM3", "投資金額設定"},
    {"N12", "時系列オッズフォルダ指定(&T)"},
    {"HarunireFolder", "ハルニレフォルダ指定(&K)"},
    {"KelvoFolderMenu", "Kelvo投票プラグイン２フォルダ指定"},
    {"ManualMenu", "使用解説書(&C)"},
    {"HarunireMenu", "ハルニレ中央競馬版"},
};

} // namespace

class MainFormTest : public QObject {
    Q_OBJECT

private slots:
    void firstRunOnAnEmptyFolder();
    void everyCommandExistsAndNoneCrashes();
    void helpAndSiblingLaunchReportFailures();
    void markerFilesShowTheHiddenCommands();
    void jvInitFailureIsShownAndTheProgramGoesOn();
    void closeWritesGeometryAndTheClosingBlock();
    void entryWithoutJVLinkEndsWithoutAWindow();
    void entryWithANonEmptyListFileEndsAfterStartUp();
};

void MainFormTest::firstRunOnAnEmptyFolder()
{
    test::TempDir dir;
    Session s(dir.path());
    QVERIFY(s.started);
    s.form->show();
    for (auto name : kWorkFolders)
        QVERIFY2(fs::is_directory(dir / std::string(name)), std::string(name).c_str());
    QCOMPARE(linesOf(dir / "ErrorLog.txt").size(), std::size_t(2));
    QCOMPARE(linesOf(dir / "Log" / "20240601.log").size(), std::size_t(2));
    QCOMPARE(s.form->size(), QGuiApplication::primaryScreen()->availableGeometry().size()); // fills the screen
    QCOMPARE(s.jvlink.sids.size(), std::size_t(1));
    QVERIFY(s.messages.empty());

    auto* pages = s.form->findChild<QTabWidget*>("PageControl1");
    QVERIFY(pages);
    QCOMPARE(pages->tabText(0), QString("出馬表"));
    QCOMPARE(pages->tabText(1), QString("結果"));
    QVERIFY(!pages->isTabVisible(pages->indexOf(s.form->findChild<QWidget*>("TestSheet"))));
    QVERIFY(s.form->findChild<QAction*>("Sound1Menu")->isChecked());
    QVERIFY(!s.form->findChild<QAction*>("OverWriteOKMenu")->isChecked());
    for (const char* name : {"DateCombo", "DatList", "DLlabel", "StringGrid1", "Label1", "Label2", "Label3",
                             "BashoLabel", "RaceLabel", "OzGetTimeLabel", "RestTimeLabel"})
        QVERIFY2(s.form->findChild<QWidget*>(name), name);
    // Before any race the header keeps its own height; it does not fill the window above the hidden pages.
    QVERIFY(QTest::qWaitForWindowExposed(s.form.get()));
    auto* header = s.form->findChild<QWidget*>("HeaderPanel");
    QVERIFY(header && header->isVisible());
    QVERIFY2(header->height() <= header->sizeHint().height(), std::to_string(header->height()).c_str());
    s.form->close();
}

void MainFormTest::everyCommandExistsAndNoneCrashes()
{
    test::TempDir dir;
    Session s(dir.path());
    s.form->show();
    for (const auto& b : kButtons) {
        auto* button = s.form->findChild<QPushButton*>(b[0]);
        QVERIFY2(button, b[0]);
        QCOMPARE(button->text(), QString::fromUtf8(b[1]));
    }
    for (const auto& m : kMenuItems) {
        auto* action = s.form->findChild<QAction*>(m[0]);
        QVERIFY2(action, m[0]);
        QCOMPARE(action->text(), QString::fromUtf8(m[1]));
    }
    QVERIFY(s.form->findChild<QPushButton*>("GetKaisaiBtn")->isHidden());

    // "ｼﾐｭﾚｰｼｮﾝ" opens the rule window beside the main window, without a message.
    QTest::mouseClick(s.form->findChild<QPushButton*>("SimBtn"), Qt::LeftButton);
    QVERIFY(s.messages.empty());
    QVERIFY(s.form->kaimeSettingForm() && s.form->kaimeSettingForm()->isVisible());
    QCOMPARE(s.form->kaimeSettingForm()->windowTitle(), QString("買い目設定"));
    QVERIFY(!s.form->kaimeSettingForm()->isModal());

    // The combination form needs a loaded day; the stake dialog and the plug-in folder open without one.
    s.messages.clear();
    QTest::mouseClick(s.form->findChild<QPushButton*>("InputFormBtn"), Qt::LeftButton);
    QCOMPARE(s.messages.size(), std::size_t(1));
    QCOMPARE(s.messages[0].text, QString("開催日のデータを読み込んでください。"));
    QVERIFY(s.form->kaimeForm() && !s.form->kaimeForm()->isVisible());
    QString dialogShown;
    s.form->setDialogRunner([&](QDialog& dialog) {
        dialogShown = dialog.windowTitle();
        return 0;
    });
    s.form->findChild<QAction*>("NM3")->trigger();
    QCOMPARE(dialogShown, QString("投資金設定"));
    QString chooserCaption;
    s.form->setFolderChooser([&](QWidget*, const QString& caption, const QString&) {
        chooserCaption = caption;
        return QString(); // cancelled: nothing is stored
    });
    s.form->findChild<QAction*>("KelvoFolderMenu")->trigger();
    QCOMPARE(chooserCaption, QString("Kelvo投票プラグイン２フォルダの指定"));

    // The race-list toggle hides and shows the list's panel.
    auto* panel = s.form->findChild<QWidget*>("Panel1");
    QTest::mouseClick(s.form->findChild<QPushButton*>("SpeedButton1"), Qt::LeftButton);
    QVERIFY(panel->isHidden());
    QTest::mouseClick(s.form->findChild<QPushButton*>("SpeedButton1"), Qt::LeftButton);
    QVERIFY(!panel->isHidden());

    // Check marks are written at once.
    s.form->findChild<QAction*>("OverWriteOKMenu")->trigger();
    s.form->findChild<QAction*>("Sound1Menu")->trigger();
    SettingsFile ini(dir / "solvane.ini");
    QVERIFY(ini.get(keys::OverWriteOK));
    QVERIFY(!ini.get(keys::Sound1));
    // The forecast window opens once; a second press brings the same window forward.
    QTest::mouseClick(s.form->findChild<QPushButton*>("ReadYosoBtn"), Qt::LeftButton);
    TCompiForm* compi = s.form->compiForm();
    QVERIFY(compi && compi->isVisible());
    QTest::mouseClick(s.form->findChild<QPushButton*>("ReadYosoBtn"), Qt::LeftButton);
    QCOMPARE(s.form->compiForm(), compi);
    s.form->close();
}

void MainFormTest::helpAndSiblingLaunchReportFailures()
{
    test::TempDir dir;
    Session s(dir.path());
    s.form->show();
    s.form->findChild<QAction*>("ManualMenu")->trigger();
    QCOMPARE(s.messages.size(), std::size_t(1));
    QCOMPARE(s.messages[0].kind, MessageKind::Information);
    QCOMPARE(s.messages[0].text, QString("使用解説書[Solvane.pdf]が見つかりません。"));

    // The real launcher: there is no Harunire.exe in the application folder.
    s.form->findChild<QAction*>("HarunireMenu")->trigger();
    QCOMPARE(s.messages.size(), std::size_t(2));
    QCOMPARE(s.messages[1].kind, MessageKind::Error);
    QCOMPARE(s.messages[1].caption, QString("確認"));
    QCOMPARE(s.messages[1].text, QString("「ハルニレ中央競馬版」の起動に失敗しました"));

    // What goes to the shell: file, parameter text and working folder.
    std::vector<std::tuple<fs::path, std::string, fs::path>> launched;
    s.form->setShellLauncher(
        [&](const fs::path& file, std::string_view parameters, const fs::path& folder, std::string*) {
            launched.emplace_back(file, parameters, folder);
            return true;
        });
    QVERIFY(writeFileAtomic(dir / "Solvane.pdf", "%PDF-1.4"));
    QTest::mouseClick(s.form->findChild<QPushButton*>("HelpButton"), Qt::LeftButton);
    QVERIFY(s.shell.settings().set(keys::Harunire, (dir / "box").string()));
    s.form->findChild<QAction*>("HarunireMenu")->trigger();
    QCOMPARE(launched.size(), std::size_t(2));
    QCOMPARE(std::get<0>(launched[0]), dir / "Solvane.pdf");
    QCOMPARE(std::get<1>(launched[0]), std::string());
    QCOMPARE(std::get<0>(launched[1]), dir / "box" / "Harunire.exe");
    QCOMPARE(std::get<2>(launched[1]), dir / "box");
    QCOMPARE(s.messages.size(), std::size_t(2));
    s.form->close();
}

void MainFormTest::markerFilesShowTheHiddenCommands()
{
    test::TempDir dir;
    QVERIFY(writeFileAtomic(dir / "OnlyTheDeveloperAvailableFunction.key", ""));
    QVERIFY(writeFileAtomic(dir / "Master.key", ""));
    Session s(dir.path());
    s.form->resize(1366, 728); // the toolbar holds every button
    s.form->show();
    auto* pages = s.form->findChild<QTabWidget*>("PageControl1");
    QVERIFY(pages->isTabVisible(pages->indexOf(s.form->findChild<QWidget*>("TestSheet"))));
    QVERIFY(s.form->findChild<QAction*>("T1")->isVisible());
    QVERIFY(s.form->findChild<QAction*>("N12")->isVisible());
    QVERIFY(s.form->findChild<QAction*>("TimeSeriesSeparator")->isVisible());
    QVERIFY(!s.form->findChild<QPushButton*>("DirectReadBtn")->isHidden());
    s.form->close();

    test::TempDir plain;
    Session p(plain.path());
    QVERIFY(!p.form->findChild<QAction*>("T1")->isVisible());
    QVERIFY(!p.form->findChild<QAction*>("TimeSeriesSeparator")->isVisible());
    QVERIFY(p.form->findChild<QPushButton*>("DirectReadBtn")->isHidden());
}

void MainFormTest::jvInitFailureIsShownAndTheProgramGoesOn()
{
    test::TempDir dir;
    Session s(dir.path(), -103);
    s.form->show();
    QCOMPARE(s.messages.size(), std::size_t(1));
    QCOMPARE(s.messages[0].kind, MessageKind::Plain);
    QVERIFY(s.messages[0].text.startsWith("JVInitエラー："));
    QVERIFY(s.messages[0].text.endsWith("(-103)"));
    s.form->hide();
    s.form->show();
    QCOMPARE(s.jvlink.sids.size(), std::size_t(1)); // the session is opened once
    QVERIFY(s.form->isVisible());
    s.form->close();
}

void MainFormTest::closeWritesGeometryAndTheClosingBlock()
{
    test::TempDir dir;
    QVERIFY(writeFileAtomic(dir / "solvane.ini", "[locate]\r\ntop=40\r\nleft=50\r\nwidth=800\r\nheight=500\r\n"));
    Session s(dir.path());
    s.form->show();
    QCOMPARE(s.form->size(), QSize(800, 500));
    s.form->resize(900, 640);
    s.clock.set({2024, 6, 2, 0, 5, 0});
    QVERIFY(s.form->close());
    SettingsFile ini(dir / "solvane.ini");
    QCOMPARE(ini.get(keys::LocateWidth), 900);
    QCOMPARE(ini.get(keys::LocateHeight), 640);
    QCOMPARE(ini.get(keys::LocateLeft), s.form->pos().x());
    QCOMPARE(ini.get(keys::LocateTop), s.form->pos().y());
    const auto log = linesOf(dir / "Log" / "20240601.log");
    QCOMPARE(log.size(), std::size_t(6));
    QCOMPARE(QString::fromStdString(log[3]), QString("■利用終了 2024/06/02 00:05:00"));
}

void MainFormTest::entryWithoutJVLinkEndsWithoutAWindow()
{
    test::TempDir dir;
    qputenv("SOLVANE_HOME", QByteArray::fromStdString(dir.path().string()));
    std::vector<Message> messages;
    bool windowMade = false;
    EntryHooks hooks;
    hooks.createJVLink = [](AppShell&, std::string* error) -> std::unique_ptr<JVLink> {
        *error = "no component";
        return nullptr;
    };
    hooks.inform = [&](MessageKind k, const QString& c, const QString& t) { messages.push_back({k, c, t}); };
    hooks.onMainWindow = [&](TMainForm&) { windowMade = true; };
    QCOMPARE(RunSolvane(*qApp, {}, hooks), 1);
    QVERIFY(!windowMade);
    QCOMPARE(messages.size(), std::size_t(1));
    QCOMPARE(messages[0].kind, MessageKind::Information);
    QCOMPARE(messages[0].text, QString("JRA-VANのホームページより【JV-Link】を入手し、インストールしてください。"));
    QVERIFY(fs::is_empty(dir.path())); // no file touched
    qunsetenv("SOLVANE_HOME");
}

void MainFormTest::entryWithANonEmptyListFileEndsAfterStartUp()
{
    test::TempDir dir;
    test::TempDir feed;
    qputenv("SOLVANE_HOME", QByteArray::fromStdString(dir.path().string()));
    qputenv("SOLVANE_FEED", QByteArray::fromStdString(feed.path().string()));
    QVERIFY(writeFileAtomic(dir / "list.txt", "0520240601051101\r\n"));
    const fs::path before = fs::current_path();
    ManualClock clock(DateTime{2024, 6, 1, 8, 0, 0});
    std::vector<Message> messages;
    bool windowMade = false;
    EntryHooks hooks; // the real JV-Link factory over an existing feed folder
    hooks.clock = &clock;
    hooks.inform = [&](MessageKind k, const QString& c, const QString& t) { messages.push_back({k, c, t}); };
    hooks.onMainWindow = [&](TMainForm& form) { windowMade = form.isVisible(); };
    QCOMPARE(RunSolvane(*qApp, {"list.txt"}, hooks), 0);
    fs::current_path(before);
    QVERIFY(windowMade);
    QVERIFY(messages.empty());
    QVERIFY(!fs::exists(dir / "ErrorLog.txt")); // normal-mode steps skipped
    const auto log = linesOf(dir / "Log" / "20240601.log");
    QCOMPARE(log.size(), std::size_t(6)); // opened and closed
    qunsetenv("SOLVANE_HOME");
    qunsetenv("SOLVANE_FEED");
}

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
