// The combination window on a generated, imported day: tables from the card's marks, the allocation
// modes and the stake, 消 clicks, heading sorts, the mark buttons, the remembered page, the vote to a
// fake plug-in, the default-stake dialog and the plug-in folder menu.
#include "app/AppShell.h"
#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "app/SiblingFolders.h"
#include "app/WorkFolders.h"
#include "feedgen/Feed.h"
#include "gui/KaimeSetUnit.h"
#include "gui/KaimeUnit.h"
#include "gui/Main.h"
#include "jvdata/LocalJVLink.h"
#include "raceday/RaceRecords.h"
#include "store/BulkImport.h"
#include "store/Store.h"
#include "support/GeneratedSeason.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/Text.h"
#include "voting/BetFile.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QtTest>

using namespace solvane;
namespace fs = std::filesystem;

namespace {

using test::NoSiblings;

struct ImportedDay : test::OneImportedDay {
    ImportedDay()
    {
        if (!error.empty())
            qFatal("%s", error.c_str());
    }
};

ImportedDay* g_day = nullptr;

// The main window on the imported day with the combination window attached, race list row 3 selected.
struct Window {
    NoSiblings registry;
    AppShell shell{AppShellOptions{g_day->home, &g_day->clock, &registry, {}, {}}};
    std::unique_ptr<TMainForm> main;
    std::unique_ptr<TKaimeForm> form;
    QStringList messages;
    QStringList questions;
    bool answer = true;
    int beeps = 0;

    Window()
    {
        if (!shell.start())
            qFatal("shell did not start");
        main = std::make_unique<TMainForm>(shell, *g_day->link);
        main->setMessageSink([this](MessageKind, const QString&, const QString& text) { messages << text; });
        main->show();
        main->findChild<QComboBox*>("DateCombo")->setCurrentIndex(0);
        main->DateComboChange();
        form = std::make_unique<TKaimeForm>(shell.settings(), g_day->home);
        form->setMessageSink([this](MessageKind, const QString&, const QString& text) { messages << text; });
        form->setQuestion([this](const QString& text) {
            questions << text;
            return answer;
        });
        form->setBeeper([this] { ++beeps; });
        form->attach(*main);
        form->show();
        main->findChild<QListWidget*>("DatList")->setCurrentRow(3);
    }
    ~Window() { form.reset(); }

    const RaceDay& day() const { return main->raceDay(); }
    int slot() const { return day().CurRace; }
    template <class T> T* child(const char* name) const
    {
        T* w = form->findChild<T*>(name);
        if (!w)
            qFatal("no %s", name);
        return w;
    }
    QTableView* grid(BakenType type) const
    {
        static const char* names[] = {"StringGrid3",  "StringGrid5",  "StringGrid28", "StringGrid30",
                                      "StringGrid31", "StringGrid32", "StringGrid33", "StringGrid34"};
        return child<QTableView>(names[IndexOf(type)]);
    }
    QString cell(BakenType type, int row, int column) const
    {
        return grid(type)->model()->index(row, column).data().toString();
    }
    QString label(const char* name, BakenType type) const
    {
        return child<QLabel>(QString("%1%2").arg(name).arg(IndexOf(type)).toUtf8().constData())->text();
    }
    void showPage(BakenType type) const { child<QTabWidget>("PageControl1")->setCurrentIndex(IndexOf(type)); }
    void clickCell(BakenType type, int row, int column) const
    {
        QTableView* view = grid(type);
        const QPoint at = view->visualRect(view->model()->index(row, column)).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    }
    void clickHeading(BakenType type, int column) const
    {
        QHeaderView* heading = grid(type)->horizontalHeader();
        const int x = heading->sectionViewportPosition(column) + heading->sectionSize(column) / 2;
        QTest::mouseClick(heading->viewport(), Qt::LeftButton, {}, QPoint(x, heading->height() / 2));
    }
    // Every cell of every page exactly as the core builds the tables from the same race and settings.
    void compareWithCore(const Marks& marks, const MultiOptions& multi, long long amount, HaibunMode mode) const
    {
        AppearanceRateCache rates(g_day->home);
        const KaimeTables expected =
            KaimeMakeBtnClick(day(), slot(), marks, multi, ContextOf(day(), slot(), amount, mode, &rates.counts()));
        for (const KaimeTable& t : expected) {
            const QAbstractItemModel* model = grid(t.type)->model();
            QCOMPARE(model->rowCount(), t.grid.rowCount());
            QCOMPARE(model->columnCount(), t.grid.columnCount());
            for (int c = 0; c < t.grid.columnCount(); ++c)
                QCOMPARE(model->headerData(c, Qt::Horizontal).toString(), q(KaimeHeadings(t.type)[std::size_t(c)]));
            for (int r = 0; r < t.grid.rowCount(); ++r)
                for (int c = 0; c < t.grid.columnCount(); ++c)
                    QCOMPARE(model->index(r, c).data().toString(), q(t.grid.cell(r, c)));
            QCOMPARE(label("TensuLabel", t.type), q(t.labels.count));
            QCOMPARE(label("KingakuLabel", t.type), q(t.labels.total));
            QCOMPARE(label("RitsuLabel", t.type), q(t.labels.rate));
            QCOMPARE(label("KaishuLabel", t.type), q(t.labels.paid));
        }
    }
};

Marks someMarks()
{
    Marks m;
    m.set(MarkKind::Honmei, 1, true);
    m.set(MarkKind::Honmei, 2, true);
    m.set(MarkKind::Taikou, 3, true);
    m.set(MarkKind::Taikou, 4, true);
    m.set(MarkKind::Tanana, 5, true);
    return m;
}

// A fake plug-in: a script that writes its arguments and its working folder next to itself.
struct FakePlugin {
    test::TempDir dir;
    fs::path folder = dir / "Kelvo Plugin";
    fs::path record = folder / "args.txt";
    explicit FakePlugin(bool withKaime = true)
    {
        fs::create_directories(folder);
        if (withKaime)
            fs::create_directories(folder / "kaime");
        const fs::path exe = folder / "KelvoTohyoPlugIn2.exe";
        writeFileAtomic(exe, "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > \"$(dirname \"$0\")/args.tmp\"\npwd >> "
                             "\"$(dirname \"$0\")/args.tmp\"\nmv \"$(dirname \"$0\")/args.tmp\" \"$(dirname "
                             "\"$0\")/args.txt\"\n");
        fs::permissions(exe, fs::perms::owner_all);
    }
};

} // namespace

class KaimeFormTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { g_day = new ImportedDay; }
    void cleanupTestCase() { delete g_day; }

    void pagesHeadingsAndTablesFollowTheMarks()
    {
        Window w;
        auto* pages = w.child<QTabWidget>("PageControl1");
        QCOMPARE(pages->count(), 8);
        const QStringList captions{"単勝", "複勝", "枠連", "馬連", "ワイド", "馬単", "三連複", "三連単"};
        for (int i = 0; i < 8; ++i)
            QCOMPARE(pages->tabText(i), captions[i]);
        QCOMPARE(w.form->windowTitle(), QStringLiteral("買い目表"));
        QCOMPARE(w.child<QPushButton>("TohyoCSVBtn")->text(), QStringLiteral("Kelvo2投票"));
        QCOMPARE(w.child<QLineEdit>("SaNumEditExC1")->text(), QStringLiteral("3000"));
        // No marks: every table has its one empty row.
        w.compareWithCore(Marks{}, MultiOptions{}, 3000, HaibunMode::Kinto);
        QCOMPARE(w.grid(BakenType::UT)->model()->rowCount(), 1);

        w.main->setCardMarks(someMarks());
        w.compareWithCore(someMarks(), MultiOptions{}, 3000, HaibunMode::Kinto);
        QVERIFY(w.grid(BakenType::SRT)->model()->rowCount() > 1);
        QCOMPARE(w.cell(BakenType::Tan, 0, 2), QStringLiteral(" 1"));

        // A multi box is stored and rebuilds.
        w.child<QCheckBox>("CheckMulti")->click();
        QCOMPARE(w.shell.settings().get(keys::CheckMulti), false);
        w.compareWithCore(someMarks(), MultiOptions{false, false, false, false}, 3000, HaibunMode::Kinto);
        w.child<QCheckBox>("CheckMulti")->click();
        QCOMPARE(w.shell.settings().get(keys::CheckMulti), true);

        // A click on a mark of the card rebuilds too: the "全"/"CL" buttons put and take ◎ on every runner.
        w.child<QPushButton>("AllChkBtn1")->click();
        const int runners = RunnerCount(w.day().RaRecs[std::size_t(w.slot())]);
        QCOMPARE(int(w.main->cardMarks().horses(MarkKind::Honmei).size()), runners);
        QCOMPARE(w.grid(BakenType::Tan)->model()->rowCount(), int(w.form->tables()[0].grid.rowCount()));
        w.compareWithCore(w.main->cardMarks(), MultiOptions{}, 3000, HaibunMode::Kinto);
        w.child<QPushButton>("AllCLBtn1")->click();
        QVERIFY(w.main->cardMarks().horses(MarkKind::Honmei).empty());
        QCOMPARE(w.main->cardMarks().horses(MarkKind::Taikou), (std::vector<int>{3, 4}));
        QCOMPARE(w.grid(BakenType::UR)->model()->rowCount(), 1);
        QVERIFY(w.messages.isEmpty());
    }

    void allocationModesAndTheStakeOfTheRace()
    {
        Window w;
        w.main->setCardMarks(someMarks());
        const std::pair<const char*, HaibunMode> modes[] = {{"RadioGroup1_3", HaibunMode::Kihai},
                                                            {"RadioGroup1_1", HaibunMode::Hirei},
                                                            {"RadioGroup1_2", HaibunMode::Kinitsu},
                                                            {"RadioGroup1_0", HaibunMode::Kinto}};
        for (const auto& [name, mode] : modes) {
            w.child<QRadioButton>(name)->click();
            QCOMPARE(w.shell.settings().get(keys::HaibunSet), int(mode));
            w.compareWithCore(someMarks(), MultiOptions{}, 3000, mode);
        }
        w.child<QRadioButton>("RadioGroup1_3")->click();

        // A typed stake goes into the race's win entry and reallocates every table.
        auto* edit = w.child<QLineEdit>("SaNumEditExC1");
        edit->selectAll();
        QTest::keyClicks(edit, "5000");
        QCOMPARE(StakeOf(w.day(), BakenType::Tan, w.slot()), 5000LL);
        w.compareWithCore(someMarks(), MultiOptions{}, 5000, HaibunMode::Kihai);
        // The stake stays with its race.
        const int slot = w.slot();
        auto* list = w.main->findChild<QListWidget*>("DatList");
        list->setCurrentRow(4);
        QCOMPARE(edit->text(), QStringLiteral("3000"));
        list->setCurrentRow(3);
        QCOMPARE(w.slot(), slot);
        QCOMPARE(edit->text(), QStringLiteral("5000"));
        // Only digits, at most eight of them.
        edit->selectAll();
        QTest::keyClicks(edit, "12x3456789012");
        QCOMPARE(edit->text(), QStringLiteral("12345678"));
        w.child<QRadioButton>("RadioGroup1_0")->click();
    }

    void deleteClicksAndHeadingSorts()
    {
        Window w;
        w.main->setCardMarks(someMarks());
        w.showPage(BakenType::UT);
        const int rows = w.grid(BakenType::UT)->model()->rowCount();
        QVERIFY(rows >= 3);
        const QString count = w.label("TensuLabel", BakenType::UT);
        w.clickCell(BakenType::UT, 1, 0);
        QCOMPARE(w.cell(BakenType::UT, 1, 0), QStringLiteral("消"));
        QCOMPARE(w.cell(BakenType::UT, 1, 6).trimmed(), QString());
        QCOMPARE(w.label("TensuLabel", BakenType::UT).trimmed().toInt(), count.trimmed().toInt() - 1);
        w.clickCell(BakenType::UT, 1, 0);
        QCOMPARE(w.cell(BakenType::UT, 1, 0).trimmed(), QString());
        QCOMPARE(w.label("TensuLabel", BakenType::UT), count);

        // オッズ twice: descending, then ascending; equal odds by ascending No.
        const auto column = [&](int c) {
            QStringList out;
            for (int r = 0; r < rows; ++r)
                out << w.cell(BakenType::UT, r, c);
            return out;
        };
        const auto ordered = [&](bool descending) {
            const QStringList odds = column(3), numbers = column(1);
            for (int r = 1; r < rows; ++r) {
                const QByteArray a = odds[r - 1].toUtf8(), b = odds[r].toUtf8();
                if (a == b)
                    QVERIFY(numbers[r - 1].toUtf8() < numbers[r].toUtf8());
                else
                    QVERIFY(descending ? a > b : a < b);
            }
        };
        w.clickHeading(BakenType::UT, 3);
        ordered(true);
        w.clickHeading(BakenType::UT, 3);
        ordered(false);
        QCOMPARE(w.shell.settings().get(keys::Bakenshu), IndexOf(BakenType::UT));
    }

    void theShownPageIsRemembered()
    {
        {
            Window w;
            w.showPage(BakenType::SRF);
        }
        Window again;
        QCOMPARE(again.child<QTabWidget>("PageControl1")->currentIndex(), IndexOf(BakenType::SRF));
        again.showPage(BakenType::Tan);
    }

    void voteWritesTheDaysFileAndStartsThePlugin()
    {
        FakePlugin plugin;
        Window w;
        w.shell.settings().set(keys::KelvoTohyo2, plugin.folder.string());
        w.main->setCardMarks(someMarks());
        w.showPage(BakenType::UT);
        w.clickCell(BakenType::UT, 0, 0); // the first row is not voted
        QStringList started;
        w.form->setShellLauncher(
            [&](const fs::path& program, std::string_view parameters, const fs::path& folder, std::string*) {
                started << q(program.string()) << q(std::string(parameters)) << q(folder.string());
                return QProcess::execute(q(program.string()), QStringList{q(std::string(parameters))}) == 0;
            });
        w.child<QPushButton>("TohyoCSVBtn")->click();
        QVERIFY2(w.messages.isEmpty(), qPrintable(w.messages.join("|")));
        const QString race = w.main->findChild<QListWidget*>("DatList")->currentItem()->text();
        QCOMPARE(w.questions.size(), 1);
        QCOMPARE(w.questions[0].section('\n', 0, 0), "[" + race + ":馬単]に投票します。実行してよろしいですか？");

        const auto key = TohyoRaceKeyOf(w.day().RaRecs[std::size_t(w.slot())]);
        QVERIFY(key.has_value());
        const fs::path file = plugin.folder / "kaime" / BetFileName(*key);
        const TextGrid& table = w.form->tables()[std::size_t(IndexOf(BakenType::UT))].grid;
        std::string expected;
        for (int r = 1; r < table.rowCount(); ++r)
            expected += BuildBetLines(table, BakenType::UT, *key).lines.at(std::size_t(r - 1));
        QCOMPARE(q(readFile(file).value_or("missing")), q(expected));
        QVERIFY(expected.find(",UMATAN,NORMAL,") != std::string::npos);
        const BetLines voted = BuildBetLines(table, BakenType::UT, *key);
        QCOMPARE(w.questions[0].section('\n', 1, 1),
                 QString("%1点　合計 %2円").arg(voted.lines.size()).arg(q(GroupedYen(voted.total))));
        QCOMPARE(started.size(), 3);
        QCOMPARE(started[0], q((plugin.folder / "KelvoTohyoPlugIn2.exe").string()));
        QCOMPARE(started[1], q(file.string()));
        QCOMPARE(QDir(started[2]).canonicalPath(), QDir(q(plugin.folder.string())).canonicalPath());
        // The plug-in saw one argument, the whole path despite its blank.
        const QStringList seen = q(readFile(plugin.record).value_or("")).split('\n');
        QCOMPARE(seen.mid(0, 2), (QStringList{"1", q(file.string())}));

        // Answering No leaves the day's file as it was.
        w.answer = false;
        w.showPage(BakenType::Tan);
        w.child<QPushButton>("TohyoCSVBtn")->click();
        QCOMPARE(w.questions.size(), 2);
        QCOMPARE(q(readFile(file).value_or("")), q(expected));
        QCOMPARE(w.beeps, 0);
    }

    // On a 1366x768 screen the form first opens over the card right of its horse names (never over the
    // toolbar or the race list) and on the screen; afterwards where the user left it.
    void theFormOpensOverTheCardThenWhereItWasLeft()
    {
        NoSiblings registry;
        std::filesystem::remove(g_day->home / "solvane.ini");
        AppShell shell{AppShellOptions{g_day->home, &g_day->clock, &registry, {}, {}}};
        QVERIFY(shell.start());
        TMainForm main(shell, *g_day->link);
        main.setGeometry(0, 0, 1366, 728);
        main.show();
        main.findChild<QComboBox*>("DateCombo")->setCurrentIndex(0);
        main.DateComboChange();
        main.setCardMarks(someMarks()); // marked before the form opens: its tables are built hidden
        const QRect area = main.companionArea();
        const QRect card(main.findChild<QWidget*>("PageControl1")->mapToGlobal(QPoint(0, 0)),
                         main.findChild<QWidget*>("PageControl1")->size());
        main.InputFormBtnClick();
        auto* form = main.findChild<TKaimeForm*>();
        QVERIFY(form && form->isVisible());
        QCOMPARE(form->geometry().topLeft(), area.topLeft());
        QCoreApplication::processEvents();
        for (QTableView* view : form->findChildren<QTableView*>()) {
            if (!view->isVisible() || view->objectName().endsWith("Frozen"))
                continue;
            for (int c = 0; c < view->model()->columnCount(); ++c)
                QVERIFY2(view->columnWidth(c) >= static_cast<QAbstractItemView*>(view)->sizeHintForColumn(c),
                         qPrintable(view->objectName() + QString(" column %1").arg(c)));
        }
        const QRect list(main.findChild<QWidget*>("DatList")->mapToGlobal(QPoint(0, 0)),
                         main.findChild<QWidget*>("DatList")->size());
        QVERIFY(area.top() >= card.top() && area.left() > card.left());
        auto* grid = main.findChild<QTableView*>("StringGrid1");
        const QRect name(grid->viewport()->mapToGlobal(grid->visualRect(grid->model()->index(0, card::Name)).topLeft()),
                         grid->visualRect(grid->model()->index(0, card::Name)).size());
        QVERIFY(!form->geometry().intersects(name)); // the horse names stay in sight
        QVERIFY(!form->geometry().intersects(list));
        QVERIFY(main.screen()->availableGeometry().contains(form->geometry()) || form->width() <= form->minimumWidth());

        form->setGeometry(60, 40, 1000, 400);
        form->close();
        main.InputFormBtnClick();
        QCOMPARE(form->geometry(), QRect(60, 40, 1000, 400));
        SettingsFile ini(g_day->home / "solvane.ini");
        QCOMPARE(ini.get(keys::KaimelocateLeft), 60);
        QCOMPARE(ini.get(keys::KaimelocateWidth), 1000);
        form->close();
    }

    // The frozen combination columns cover exactly their own width: the odds column beside them shows;
    // and no column of a table is narrower than its texts.
    void frozenColumnsCoverOnlyThemselves()
    {
        Window w;
        w.main->setCardMarks(someMarks());
        for (const BakenType type : {BakenType::Tan, BakenType::SRT}) {
            w.showPage(type);
            QCoreApplication::processEvents();
            QTableView* view = w.grid(type);
            auto* frozen = view->findChild<QTableView*>(view->objectName() + "Frozen");
            QVERIFY(frozen && frozen->isVisible());
            int covered = 0;
            for (int c = 0; c <= kLabelColumn; ++c) {
                QCOMPARE(frozen->columnWidth(c), view->columnWidth(c));
                covered += view->columnWidth(c);
            }
            QVERIFY2(frozen->width() <= covered + 2, qPrintable(QString("%1 > %2").arg(frozen->width()).arg(covered)));
            QVERIFY(frozen->isColumnHidden(kLabelColumn + 1));
            for (int c = 0; c < view->model()->columnCount(); ++c)
                QVERIFY2(view->columnWidth(c) >= static_cast<QAbstractItemView*>(view)->sizeHintForColumn(c),
                         qPrintable(QString("column %1: %2 < %3")
                                        .arg(c)
                                        .arg(view->columnWidth(c))
                                        .arg(static_cast<QAbstractItemView*>(view)->sizeHintForColumn(c))));
        }
    }

    // The vote's question box answers No to Enter: money leaves only on a deliberate Yes.
    void enterAloneNeverVotes()
    {
        QWidget owner;
        owner.setWindowTitle("買い目");
        bool defaultIsNo = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            defaultIsNo = box->defaultButton() == box->button(QMessageBox::No);
            QTest::keyClick(box, Qt::Key_Return);
        });
        QVERIFY(!AskYesNo(&owner, "投票しますか？", QMessageBox::No));
        QVERIFY(defaultIsNo);
    }

    void theDefaultStarterRunsThePluginWithoutAShell()
    {
        FakePlugin plugin;
        Window w;
        w.shell.settings().set(keys::KelvoTohyo2, plugin.folder.string());
        w.main->setCardMarks(someMarks());
        w.showPage(BakenType::Tan);
        w.child<QPushButton>("TohyoCSVBtn")->click();
        QVERIFY2(w.messages.isEmpty(), qPrintable(w.messages.join("|")));
        // The plug-in runs on its own; wait for what it records rather than for a time.
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(plugin.record), 20000);
        const QStringList seen = q(readFile(plugin.record).value_or("")).split('\n');
        const auto key = TohyoRaceKeyOf(w.day().RaRecs[std::size_t(w.slot())]);
        QCOMPARE(seen.mid(0, 2), (QStringList{"1", q((plugin.folder / "kaime" / BetFileName(*key)).string())}));
        QCOMPARE(QDir(seen.value(2)).canonicalPath(), QDir(q(plugin.folder.string())).canonicalPath());
        QDir::setCurrent(q(g_day->home.string()));
    }

    void voteChecksAndTheLaunchError()
    {
        Window w;
        w.main->setCardMarks(someMarks());
        w.showPage(BakenType::UR);
        // No plug-in folder stored.
        w.shell.settings().set(keys::KelvoTohyo2, "   ");
        w.child<QPushButton>("TohyoCSVBtn")->click();
        QCOMPARE(w.messages.last(), q(std::string(kTohyoNoPluginMessage)));
        QCOMPARE(w.beeps, 1);
        // No combinations on the shown page.
        w.showPage(BakenType::SRT);
        w.child<QPushButton>("AllCLBtn3")->click();
        w.child<QPushButton>("TohyoCSVBtn")->click();
        QCOMPARE(w.messages.last(), q(std::string(kTohyoNoKaimeMessage)));
        QVERIFY(w.questions.isEmpty());

        // A folder without the plug-in: the file is written, the launch fails and is told.
        FakePlugin plugin;
        fs::remove(plugin.folder / "KelvoTohyoPlugIn2.exe");
        w.shell.settings().set(keys::KelvoTohyo2, plugin.folder.string());
        w.showPage(BakenType::UR);
        w.child<QPushButton>("TohyoCSVBtn")->click();
        QCOMPARE(w.messages.last(), q(std::string(kTohyoLaunchErrorMessage)));
        QCOMPARE(w.beeps, 3);
        QCOMPARE(std::distance(fs::directory_iterator(plugin.folder / "kaime"), fs::directory_iterator()), 1);
        QCOMPARE(QDir::current().canonicalPath(), QDir(q(g_day->home.string())).canonicalPath());

        // Without the kaime folder nothing is written and nothing is started.
        FakePlugin bare(false);
        w.shell.settings().set(keys::KelvoTohyo2, bare.folder.string());
        int starts = 0;
        w.form->setShellLauncher(
            [&](const fs::path&, std::string_view, const fs::path&, std::string*) { return ++starts, true; });
        w.child<QPushButton>("TohyoCSVBtn")->click();
        QVERIFY(w.messages.last().startsWith(QStringLiteral("投票ファイルを作成できません")));
        QCOMPARE(starts, 0);
        QVERIFY(!fs::exists(bare.folder / "kaime"));
    }

    void defaultStakeDialogRaisesSmallAmounts()
    {
        Window w;
        w.shell.settings().set(keys::DefaultAmountSRT, 20);
        TKaimeSetForm dialog(w.shell.settings());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("投資金設定"));
        auto* first = dialog.findChild<QLineEdit*>("SaNumEdit1");
        QCOMPARE(first->text(), QStringLiteral("3000"));
        QCOMPARE(dialog.findChild<QLineEdit*>("SaNumEdit8")->text(), QStringLiteral("20"));
        QVERIFY(dialog.findChild<QLineEdit*>("SaNumEdit8")->isHidden());
        int saved = 0;
        dialog.setOnSaved([&] { ++saved; });
        first->setText("50");
        dialog.findChild<QPushButton*>("BitBtn1")->click();
        QCOMPARE(w.shell.settings().get(keys::DefaultAmountTan), 100);
        QCOMPARE(w.shell.settings().get(keys::DefaultAmountFuk), 3000);
        QCOMPARE(w.shell.settings().get(keys::DefaultAmountSRT), 100);
        QCOMPARE(saved, 1);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        w.shell.settings().set(keys::DefaultAmountTan, 3000);
        w.shell.settings().set(keys::DefaultAmountSRT, 3000);
    }

    void pluginFolderMenu()
    {
        Window w;
        SettingsFile& settings = w.shell.settings();
        settings.set(keys::KelvoTohyo2, "");
        QStringList starts;
        const auto pick = [&](const QString& answer) {
            return [&starts, answer](QWidget*, const QString& caption, const QString& start) {
                starts << caption << start;
                return answer;
            };
        };
        QVERIFY(!KelvoFolderMenuClick(nullptr, settings, g_day->home, {}, pick("")));
        QCOMPARE(starts, (QStringList{"Kelvo投票プラグイン２フォルダの指定", q(g_day->home.string())}));
        QCOMPARE(settings.get(keys::KelvoTohyo2), std::string());
        QVERIFY(KelvoFolderMenuClick(nullptr, settings, g_day->home, {}, pick("/opt/kelvo")));
        QCOMPARE(q(settings.get(keys::KelvoTohyo2)), QStringLiteral("/opt/kelvo"));
        starts.clear();
        QVERIFY(!KelvoFolderMenuClick(nullptr, settings, g_day->home, {}, pick("")));
        QCOMPARE(starts.value(1), QStringLiteral("/opt/kelvo"));
        QCOMPARE(q(settings.get(keys::KelvoTohyo2)), QStringLiteral("/opt/kelvo"));
        settings.set(keys::KelvoTohyo2, "");
    }
};

QTEST_MAIN(KaimeFormTest)
#include "KaimeFormTest.moc"
