// The bulk import window on a generated weekend served by the local JV-Link component.
#include "app/AppShell.h"
#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "app/SiblingFolders.h"
#include "app/WorkFolders.h"
#include "feedgen/Feed.h"
#include "gui/GetDataUnit.h"
#include "gui/Main.h"
#include "jvdata/LocalJVLink.h"
#include "raceday/RaceDay.h"
#include "store/Store.h"
#include "support/GeneratedSeason.h"
#include "support/TempDir.h"
#include "util/Files.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QtTest>

using namespace solvane;

using test::NoSiblings;

class GetDataFormTest : public QObject {
    Q_OBJECT

    struct Setup {
        test::TempDir dir;
        ManualClock clock{DateTime{2024, 1, 10, 9, 0, 0}};
        std::filesystem::path feed = dir / "feed";
        std::filesystem::path home = dir / "home";
        std::unique_ptr<SettingsFile> settings;
        std::unique_ptr<LocalJVLink> link;
        QStringList messages;

        Setup()
        {
            feedgen::FeedOptions options;
            options.out = feed;
            options.from = DateTime{2024, 1, 6};
            options.to = DateTime{2024, 1, 7};
            options.seed = 3;
            options.now = clock.now();
            options.rtDays = 0;
            options.siblings = false;
            std::string error;
            if (!feedgen::GenerateFeed(options, nullptr, &error))
                qFatal("feed: %s", error.c_str());
            writeFileAtomic(feed / "faults.ini", "[Download]\r\ntime=0\r\n");
            CreateWorkFolders(home, &error);
            settings = std::make_unique<SettingsFile>(home / "solvane.ini");
            link = std::make_unique<LocalJVLink>(feed, clock);
            link->JVInit("TEST");
        }
        std::unique_ptr<TGetDataForm> form()
        {
            auto f = std::make_unique<TGetDataForm>(*link, *settings, clock, home);
            f->setMessageSink([this](MessageKind, const QString&, const QString& text) { messages << text; });
            return f;
        }
    };

private slots:
    void firstImportTakesSetupDataFromAYearBackAndStoresLastTime()
    {
        Setup s;
        auto form = s.form();
        // Nothing imported yet: set-up data from a year before now, final odds as the setting says.
        QVERIFY(form->findChild<QRadioButton*>("rbtSetup")->isChecked());
        QCOMPARE(form->findChild<QDateTimeEdit*>("DateTimePicker1")->dateTime(),
                 QDateTime(QDate(2023, 1, 10), QTime(9, 0, 0)));
        QVERIFY(form->findChild<QCheckBox*>("CheckBox1")->isChecked());

        QTest::mouseClick(form->findChild<QPushButton*>("ButtonStart"), Qt::LeftButton);
        QTRY_VERIFY(!form->running());
        QCOMPARE(s.messages.size(), 1); // only the notice before the start
        QVERIFY(s.messages[0].startsWith(QStringLiteral("2023年01月10日09時00分00秒以降のデータ取込を開始します。")));
        QCOMPARE(form->findChild<QLabel*>("ProgressLabel")->text(), QStringLiteral("データ作成が完了しました。"));
        QCOMPARE(ListStoredDays(StoreFolder(s.home)).size(), 2u);
        const std::string last = s.settings->get(keys::LastTime);
        QVERIFY2(last.starts_with("2024/01/07"), last.c_str());
        QCOMPARE(form->findChild<QLabel*>("Label5")->text(), QString::fromStdString(last));

        // A second import from LastTime finds nothing newer and says so.
        auto again = s.form();
        QVERIFY(again->findChild<QRadioButton*>("rbtNormal")->isChecked());
        s.messages.clear();
        QTest::mouseClick(again->findChild<QPushButton*>("ButtonStart"), Qt::LeftButton);
        QTRY_VERIFY(!again->running());
        QCOMPARE(s.messages.value(1), QStringLiteral("最新のデータがありません。"));
        QCOMPARE(s.settings->get(keys::LastTime), last);
    }

    void importedDaysLoadIntoTheRaceListAndTheResultsPage()
    {
        Setup s;
        auto form = s.form();
        QTest::mouseClick(form->findChild<QPushButton*>("ButtonStart"), Qt::LeftButton);
        QTRY_VERIFY(!form->running());

        NoSiblings registry;
        AppShell shell(AppShellOptions{s.home, &s.clock, &registry, {}, {}});
        QVERIFY(shell.start());
        TMainForm main(shell, *s.link);
        main.setMessageSink([&](MessageKind, const QString&, const QString& text) { s.messages << text; });
        auto* combo = main.findChild<QComboBox*>("DateCombo");
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->itemText(0), QStringLiteral("2024年01月07日")); // newest first, nothing selected
        QCOMPARE(combo->currentIndex(), -1);

        combo->setCurrentIndex(1);
        main.DateComboChange();
        auto* list = main.findChild<QListWidget*>("DatList");
        QVERIFY(list->count() >= 24 && list->count() <= 36);
        QVERIFY(list->item(0)->text().endsWith(QStringLiteral(" 1R")));
        QCOMPARE(list->currentRow(), 0);
        const QAbstractItemModel* results = main.findChild<QTableView*>("ResultsGrid")->model();
        QCOMPARE(results->rowCount(), 36);
        QCOMPARE(results->data(results->index(0, 0)).toString(), QStringLiteral("単勝"));
        QVERIFY(!results->data(results->index(0, 3)).toString().trimmed().isEmpty()); // a run race pays

        list->setCurrentRow(list->count() - 1);
        QCOMPARE(main.raceDay().CurRace, main.raceDay().RaceList.back().slot);
    }

    void openErrorIsShownAndNothingIsStored()
    {
        Setup s;
        writeFileAtomic(s.feed / "faults.ini", "[JVOpen]\r\nresult=-504\r\n");
        auto form = s.form();
        QTest::mouseClick(form->findChild<QPushButton*>("ButtonStart"), Qt::LeftButton);
        QTRY_VERIFY(!form->running());
        QCOMPARE(
            s.messages.value(1),
            QStringLiteral("JVOpenエラー:サーバーがメンテナンス中です。(-504) しばらくしてからやり直してください。"));
        QVERIFY(ListStoredDays(StoreFolder(s.home)).empty());
        QVERIFY(s.settings->get(keys::LastTime).empty());
        // The request was closed: the next import is not refused as still open.
        writeFileAtomic(s.feed / "faults.ini", "[Download]\r\ntime=0\r\n");
        QTest::mouseClick(form->findChild<QPushButton*>("ButtonStart"), Qt::LeftButton);
        QTRY_VERIFY(!form->running());
        QCOMPARE(ListStoredDays(StoreFolder(s.home)).size(), 2u);
    }

    void cancelWhileDownloadingClosesTheRequest()
    {
        Setup s;
        writeFileAtomic(s.feed / "faults.ini", "[Download]\r\ncalls=1000000\r\n"); // a download that never ends
        auto form = s.form();
        bool asked = false;
        form->setQuestion([&](const QString& text) {
            asked = text == QStringLiteral("データ取込を中止します。実行しますか？");
            return true;
        });
        QTest::mouseClick(form->findChild<QPushButton*>("ButtonStart"), Qt::LeftButton);
        QVERIFY(form->running());
        QTest::mouseClick(form->findChild<QPushButton*>("ButtonCancel"), Qt::LeftButton);
        QVERIFY(asked);
        QVERIFY(!form->running());
        QCOMPARE(form->findChild<QLabel*>("ProgressLabel")->text(), QStringLiteral("JVCancel:キャンセルされました"));
        QVERIFY(s.messages.contains(QStringLiteral("JVCancel:キャンセルされました")));
        int readCount = 0, downloadCount = 0;
        std::string stamp;
        QCOMPARE(s.link->JVOpen("RACE", "20230101000000", 1, readCount, downloadCount, stamp), 0);
    }

    // The user leaves the cancel question open until the import has finished behind it, then answers
    // yes: the finished import is not cancelled again, and the store holds the whole import.
    void importFinishingWhileTheCancelQuestionIsOpen()
    {
        Setup s;
        writeFileAtomic(s.feed / "faults.ini", "[Download]\r\ncalls=20\r\n");
        auto form = s.form();
        TGetDataForm* f = form.get();
        form->setQuestion([&](const QString&) {
            QElapsedTimer waited;
            waited.start();
            while (f->running() && waited.elapsed() < 60000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            return true;
        });
        QTest::mouseClick(form->findChild<QPushButton*>("ButtonStart"), Qt::LeftButton);
        QVERIFY(form->running());
        QTest::mouseClick(form->findChild<QPushButton*>("ButtonCancel"), Qt::LeftButton);
        QVERIFY(!form->running());
        QVERIFY2(!s.messages.contains(QStringLiteral("JVCancel:キャンセルされました")),
                 qPrintable(s.messages.join("|")));
        QCOMPARE(ListStoredDays(StoreFolder(s.home)).size(), 2u);
        QVERIFY(!s.settings->get(keys::LastTime).empty());
        QVERIFY(form->findChild<QPushButton*>("ButtonStart")->isEnabled());
    }
};

QTEST_MAIN(GetDataFormTest)
#include "GetDataFormTest.moc"
