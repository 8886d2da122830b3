// The window "SQLite書き出し": opened from the file menu, the period of the stored days, the export on its
// worker thread with the same counts as the core's, and bad input said without touching the file.
#include "app/AppShell.h"
#include "app/LoadSettings.h"
#include "export/SqliteExport.h"
#include "gui/Main.h"
#include "gui/SqlExportUnit.h"
#include "support/GeneratedSeason.h"
#include "util/Files.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace solvane;
namespace fs = std::filesystem;

Q_DECLARE_METATYPE(solvane::SqliteExportOutcome)

namespace {

test::OneImportedDay* g_day = nullptr;

// The main window with the export window opened from its file menu; every message caught by the test.
struct Window {
    test::NoSiblings registry;
    AppShell shell{AppShellOptions{g_day->home, &g_day->clock, &registry, {}, {}}};
    std::unique_ptr<TMainForm> main;
    TSqlExportForm* form = nullptr;
    QStringList messages;

    Window()
    {
        if (!shell.start())
            qFatal("shell did not start");
        main = std::make_unique<TMainForm>(shell, *g_day->link);
        main->show();
        main->findChild<QAction*>("SqlExportMenu")->trigger();
        form = main->sqlExportForm();
        if (!form || !form->isVisible())
            qFatal("no export window");
        form->setMessageSink([this](MessageKind, const QString&, const QString& text) { messages << text; });
    }
    template <class T> T* child(const char* name) const
    {
        T* w = form->findChild<T*>(name);
        if (!w)
            qFatal("no %s", name);
        return w;
    }
    SqliteExportOutcome exportTo(const fs::path& file)
    {
        child<QLineEdit>("FileEdit")->setText(q(pathToUtf8(file)));
        QSignalSpy finished(form, &TSqlExportForm::exportFinished);
        child<QPushButton>("ExportBtn")->click();
        if (!form->running())
            qFatal("the export did not start");
        if (!finished.wait(120000))
            qFatal("the export did not end");
        return finished.takeFirst().at(0).value<SqliteExportOutcome>();
    }
};

} // namespace

class SqlExportWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qRegisterMetaType<SqliteExportOutcome>();
        g_day = new test::OneImportedDay;
        if (!g_day->error.empty())
            qFatal("%s", g_day->error.c_str());
    }
    void cleanupTestCase() { delete g_day; }

    // The period is that of the stored days; the window's export tells the counts the core writes for the
    // same day, and a second export into the same file replaces the day rather than adding to it.
    void theExportWritesTheStoredDaysAsTheCoreDoes()
    {
        Window w;
        QCOMPARE(w.child<QDateEdit>("FromDate")->date(), QDate(2024, 1, 6));
        QCOMPARE(w.child<QDateEdit>("ToDate")->date(), QDate(2024, 1, 6));
        QVERIFY(!w.child<QCheckBox>("OddsCheck")->isChecked());

        SqliteExportOptions core;
        core.file = g_day->dir / "core.sqlite";
        core.load = LoadOptionsFrom(w.shell.settings(), w.shell.appFolder());
        const SqliteExportResult expected = ExportToSqlite(core);
        QCOMPARE(expected.outcome, SqliteExportOutcome::Written);
        QVERIFY(expected.counts.races > 0);

        const fs::path file = g_day->dir / "window.sqlite";
        for (int round = 0; round < 2; ++round) {
            QCOMPARE(w.exportTo(file), SqliteExportOutcome::Written);
            QCOMPARE(w.messages, QStringList{q(SqliteExportSummary(expected.counts))});
            w.messages.clear();
        }
        QVERIFY(!w.form->running());
        QVERIFY(w.child<QPushButton>("ExportBtn")->isEnabled());
        QVERIFY(!w.child<QPushButton>("CancelBtn")->isEnabled());
    }

    // No file, a period the wrong way round, a period without stored days and a folder in the file's
    // place: each is said, and nothing is written.
    void badInputIsSaidAndNothingIsWritten()
    {
        Window w;
        w.child<QLineEdit>("FileEdit")->clear();
        w.child<QPushButton>("ExportBtn")->click();
        QCOMPARE(w.messages, QStringList{"書き出し先のファイルを指定してください。"});
        QVERIFY(!w.form->running());

        w.messages.clear();
        w.child<QLineEdit>("FileEdit")->setText(q(pathToUtf8(g_day->dir / "never.sqlite")));
        w.child<QDateEdit>("FromDate")->setDate(QDate(2024, 1, 7));
        w.child<QPushButton>("ExportBtn")->click();
        QCOMPARE(w.messages, QStringList{"期間の開始日が終了日より後です。"});

        w.messages.clear();
        w.child<QDateEdit>("ToDate")->setDate(QDate(2024, 1, 8));
        QCOMPARE(w.exportTo(g_day->dir / "never.sqlite"), SqliteExportOutcome::NoData);
        QCOMPARE(w.messages, QStringList{q(std::string(kSqliteNoDays))});
        QVERIFY(!fs::exists(g_day->dir / "never.sqlite"));

        w.messages.clear();
        w.form->resetPeriod();
        const fs::path folder = g_day->dir / "a-folder.sqlite";
        fs::create_directories(folder);
        QCOMPARE(w.exportTo(folder), SqliteExportOutcome::Failed);
        QCOMPARE(w.messages.size(), 1);
        QVERIFY2(!w.messages.front().isEmpty(), "the core's reason is shown");
        QVERIFY(fs::is_directory(folder) && fs::is_empty(folder));
    }

    // Closing the window (or the program) during an export stops it and waits for it: no thread is left
    // behind, and the window can export again afterwards.
    void closingDuringAnExportStopsIt()
    {
        Window w;
        w.child<QLineEdit>("FileEdit")->setText(q(pathToUtf8(g_day->dir / "closed.sqlite")));
        w.child<QCheckBox>("OddsCheck")->setChecked(true);
        w.child<QPushButton>("ExportBtn")->click();
        QVERIFY(w.form->running());
        QVERIFY(w.child<QPushButton>("CancelBtn")->isEnabled());
        w.form->close();
        QVERIFY(!w.form->running());
        QVERIFY(w.child<QPushButton>("ExportBtn")->isEnabled());
        QCoreApplication::processEvents(); // the stopped run's posted result shows nothing
        QVERIFY(w.messages.isEmpty());
        QCOMPARE(w.exportTo(g_day->dir / "closed.sqlite"), SqliteExportOutcome::Written);
    }
};

QTEST_MAIN(SqlExportWindowTest)
#include "SqlExportWindowTest.moc"
