// The rule window "買い目設定" and the verification window "検証" on a generated, imported weekend:
// the rule's marks on the card and the combination form, the backtest run on its worker thread with
// its outcomes (written, no data, cancelled, refused, main window closed), the right-click toggles,
// the stored period, the rule file, the verification filters, the comparison of two runs and the CSV file.
#include "app/AppShell.h"
#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "gui/KaimeSettingUnit.h"
#include "gui/KaimeUnit.h"
#include "gui/KenshoUnit.h"
#include "gui/Main.h"
#include "raceday/RaceRecords.h"
#include "raceday/TimeSeries.h"
#include "support/GeneratedSeason.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "verify/Backtest.h"

#include <QAbstractItemModel>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateEdit>
#include <QLabel>
#include <QLegendMarker>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>
#include <cmath>

using namespace solvane;
namespace fs = std::filesystem;

Q_DECLARE_METATYPE(solvane::BacktestOutcome)

namespace {

// Two race days, 2024-01-06 and 2024-01-07, run and imported, with the compi files of the sibling box.
struct Weekend : test::GeneratedSeason {
    Weekend() : GeneratedSeason(DateTime{2024, 1, 10, 9, 0, 0}, options(), DateTime{2023, 12, 1})
    {
        if (!error.empty())
            qFatal("%s", error.c_str());
    }
    static feedgen::FeedOptions options()
    {
        feedgen::FeedOptions o;
        o.from = DateTime{2024, 1, 6};
        o.to = DateTime{2024, 1, 7};
        o.seed = 11;
        o.rtDays = 0;
        return o;
    }
    fs::path backtestFile() const { return BacktestFile(home); }
};

Weekend* g_season = nullptr;

constexpr std::string_view kPrevious = "a previous backtest file\r\n";

// The main window on the newest day with its rule window open; every dialog answered by the test.
struct Window {
    test::NoSiblings registry;
    AppShell shell{AppShellOptions{g_season->home, &g_season->clock, &registry, {}, {}}};
    std::unique_ptr<TMainForm> main;
    TKaimeSettingForm* form = nullptr;
    TKenshoForm* kensho = nullptr;
    QStringList messages;
    QStringList questions;
    bool answer = true;
    int beeps = 0;
    fs::path chosenFile;

    Window()
    {
        if (!shell.start())
            qFatal("shell did not start");
        shell.settings().set(keys::Harunire, pathToUtf8(g_season->feed / "harunire"));
        main = std::make_unique<TMainForm>(shell, *g_season->link);
        main->setMessageSink([this](MessageKind, const QString&, const QString& text) { messages << text; });
        main->show();
        main->loadDay("20240107");
        main->findChild<QListWidget*>("DatList")->setCurrentRow(3);
        main->findChild<QPushButton*>("SimBtn")->click();
        form = main->kaimeSettingForm();
        if (!form)
            qFatal("no rule window");
        kensho = form->kenshoForm();
        form->setMessageSink([this](MessageKind, const QString&, const QString& text) { messages << text; });
        form->setQuestion([this](const QString& text) {
            questions << text;
            return answer;
        });
        form->setBeeper([this] { ++beeps; });
        const auto choose = [this](QWidget*, const QString&, const QString&, const QString&) {
            return q(pathToUtf8(chosenFile));
        };
        form->setSaveFileChooser(choose);
        form->setOpenFileChooser(choose);
        kensho->setSaveFileChooser(choose);
    }

    template <class T> T* child(const char* name) const
    {
        T* w = form->findChild<T*>(name);
        if (!w)
            qFatal("no %s", name);
        return w;
    }
    template <class T> T* kenshoChild(const char* name) const
    {
        T* w = kensho->findChild<T*>(name);
        if (!w)
            qFatal("no %s", name);
        return w;
    }
    void select(const char* list, std::initializer_list<int> items) const
    {
        for (int i : items)
            child<QListWidget>(list)->item(i)->setSelected(true);
    }
    void setPeriod(QDate from, QDate to) const
    {
        child<QDateEdit>("DateTimePicker1")->setDate(from);
        child<QDateEdit>("DateTimePicker2")->setDate(to);
    }
    // Starts the run and waits for its end; the outcome the window announced.
    BacktestOutcome run() const
    {
        QSignalSpy finished(form, &TKaimeSettingForm::runFinished);
        form->SimBtnClick();
        if (!form->running())
            qFatal("the run did not start");
        if (!finished.wait(120000))
            qFatal("the run did not end");
        return finished.takeFirst().at(0).value<BacktestOutcome>();
    }
    const RaceDay& day() const { return main->raceDay(); }
    int slot() const { return main->raceCard().slot(); }
    QString cardCell(int row, int column) const
    {
        const auto* view = main->findChild<QTableView*>("StringGrid1");
        return view->model()->index(row, column).data().toString();
    }
};

void rightClick(QListWidget* list)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(4, 4), list->viewport()->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(list->viewport(), &event);
}

int selectedCount(const QListWidget* list)
{
    return static_cast<int>(list->selectedItems().size());
}

} // namespace

class BacktestWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qRegisterMetaType<BacktestOutcome>();
        g_season = new Weekend;
    }
    void cleanupTestCase() { delete g_season; }

    void theRuleMarksTheCardAndTheCombinationFormFollows()
    {
        Window w;
        QCOMPARE(w.form->windowTitle(), QStringLiteral("買い目設定"));
        QCOMPARE(w.child<QRadioButton>("OrAndRadioGroup1_0")->isChecked(), true);
        const int runners = RunnerCount(w.day().RaRecs[std::size_t(w.slot())]);
        QVERIFY(runners > 1);
        const TOutData& out = w.day().RaceRecs[std::size_t(w.slot())];
        int favourite = 0;
        for (int h = 1; h <= runners; ++h)
            if (out.CompiRank[std::size_t(h)] == 1)
                favourite = h;
        QVERIFY2(favourite > 0, "the race has compi data");

        // ◎ = コンピ 1位: the card's ◎ column holds that horse only, and the form's win table is it.
        w.select("JCompiListBox1", {0});
        w.child<QPushButton>("KaimeCKBtn")->click();
        QCOMPARE(w.main->cardMarks().horses(MarkKind::Honmei), std::vector<int>{favourite});
        QVERIFY(w.main->cardMarks().horses(MarkKind::Taikou).empty());
        for (int h = 1; h <= runners; ++h)
            QCOMPARE(w.cardCell(h - 1, card::MarkHonmei), h == favourite ? q(kMarkSet) : QString());
        const KaimeTable& tan = w.main->kaimeForm()->tables()[0];
        QCOMPARE(tan.grid.rowCount(), 1);
        QCOMPARE(QString::fromStdString(tan.grid.cell(0, 2)).trimmed(), QString::number(favourite));

        // AND with nothing selected picks every runner; OR with nothing selected picks none.
        w.child<QListWidget>("JCompiListBox1")->clearSelection();
        for (const char* and_ : {"OrAndRadioGroup1_1", "OrAndRadioGroup2_1", "OrAndRadioGroup3_1"})
            w.child<QRadioButton>(and_)->click();
        w.form->KaimeCKBtnClick();
        for (MarkKind kind : {MarkKind::Honmei, MarkKind::Taikou, MarkKind::Tanana})
            QCOMPARE(int(w.main->cardMarks().horses(kind).size()), runners);
        QVERIFY(w.main->kaimeForm()->tables()[7].grid.rowCount() > 1);
        for (const char* or_ : {"OrAndRadioGroup1_0", "OrAndRadioGroup2_0", "OrAndRadioGroup3_0"})
            w.child<QRadioButton>(or_)->click();
        w.form->KaimeCKBtnClick();
        QVERIFY(w.main->cardMarks().empty());
        QVERIFY(w.messages.isEmpty());
    }

    void theRunWritesTheFileShowsTheVerificationAndLeavesTheLastDayLoaded()
    {
        Window w;
        // The default period: a year up to today.
        QCOMPARE(w.child<QLabel>("DateLabel2")->text(), QStringLiteral("2024年01月10日"));
        QCOMPARE(w.child<QLabel>("DateLabel1")->text(), QStringLiteral("2023年01月10日"));
        w.select("JCompiListBox1", {0});
        w.select("JCompiListBox2", {1});
        w.select("JCompiListBox3", {2});
        w.main->loadDay("20240106"); // the run ends on the newest day of the period whatever is shown

        QCOMPARE(w.run(), BacktestOutcome::Written);
        QCOMPARE(w.questions, QStringList{q(kBacktestQuestion)});
        QVERIFY(w.messages.isEmpty());
        QVERIFY(w.child<QPushButton>("SimBtn")->isEnabled());
        const auto bytes = readFile(g_season->backtestFile());
        QVERIFY(bytes && !bytes->empty());
        QCOMPARE(bytes->size() % kBacktestRecordLength, std::size_t(0));
        const int lines = int(bytes->size() / kBacktestRecordLength);
        QVERIFY(lines >= 2 * 24); // two days of at least two venues, every race run

        QCOMPARE(w.main->findChild<QComboBox*>("DateCombo")->currentText(), QStringLiteral("2024年01月07日"));
        QCOMPARE(w.day().DayKey.empty(), false);
        QVERIFY(w.main->findChild<QListWidget*>("DatList")->count() > 0);

        QVERIFY(w.kensho->isVisible());
        QCOMPARE(w.kensho->windowTitle(), QStringLiteral("検証"));
        QCOMPARE(w.kenshoChild<QLabel>("CtLabel")->text(), QString::number(lines));
        // Both windows say what the run wrote (and would say what it left out).
        const QString wrote = QString("日  %1レースを書き込みました。").arg(lines);
        QVERIFY2(w.child<QLabel>("ProgressLabel")->text().contains(wrote),
                 qPrintable(w.child<QLabel>("ProgressLabel")->text()));
        QVERIFY2(w.kenshoChild<QLabel>("RunLabel")->text().contains(wrote),
                 qPrintable(w.kenshoChild<QLabel>("RunLabel")->text()));
        QCOMPARE(w.kenshoChild<QLabel>("StartDateLabel")->text(), QStringLiteral("2023年01月10日"));
        QCOMPARE(w.kenshoChild<QLabel>("EndDateLabel")->text(), QStringLiteral("2024年01月10日"));
        const QAbstractItemModel* grid = w.kenshoChild<QTableView>("StringGrid1")->model();
        QCOMPARE(grid->columnCount(), kKenshoColumns);
        QCOMPARE(grid->rowCount(), lines);
        const QAbstractItemModel* summary = w.kenshoChild<QTableView>("StringGrid2")->model();
        QCOMPARE(summary->index(0, 1).data().toString().trimmed(), QString::number(lines)); // ◎ every race
        QVERIFY(!summary->index(2, 1).data().toString().trimmed().isEmpty());
        // The chart is the second page below the totals, as the user turns to it.
        auto* chartView = w.kenshoChild<QChartView>("ChartView");
        w.kenshoChild<QTabWidget>("KenshoPages")->setCurrentWidget(chartView);
        QChart* chart = chartView->chart();
        QStringList legend;
        for (QLegendMarker* marker : chart->legend()->markers())
            if (marker->isVisible())
                legend << marker->label();
        QCOMPARE(legend, (QStringList{"単勝", "複勝", "枠連", "馬連", "ワイド", "馬単", "３連複", "３連単"}));

        // Filters re-total the same file: one venue lists fewer races, all of that venue.
        const QString venue = grid->index(0, 3).data().toString();
        auto* basho = w.kenshoChild<QListWidget>("BashoList0");
        const auto found = basho->findItems(venue, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        found[0]->setSelected(true);
        w.kenshoChild<QPushButton>("ReadDataBtn")->click();
        const int some = w.kenshoChild<QLabel>("CtLabel")->text().toInt();
        QVERIFY(some > 0 && some < lines);
        for (int r = 0; r < grid->rowCount(); ++r)
            QCOMPARE(grid->index(r, 3).data().toString(), venue);

        // The listed races as CSV with a byte-order mark, one line per race under the headings.
        w.chosenFile = g_season->dir / "kensho.csv";
        w.kenshoChild<QPushButton>("CsvSaveBtn")->click();
        const auto csv = readFile(w.chosenFile);
        QVERIFY(csv && csv->starts_with("\xEF\xBB\xBF"));
        QCOMPARE(int(std::count(csv->begin(), csv->end(), '\n')), some + 1);
        QVERIFY(w.messages.isEmpty());
        // A folder as the file: the error is shown and nothing is written.
        w.chosenFile = g_season->dir.path();
        w.kenshoChild<QPushButton>("CsvSaveBtn")->click();
        QCOMPARE(w.messages.size(), 1);
    }

    // Two runs side by side: the races both list, both curves per type, the difference of the rates.
    void theVerificationComparesTheRunWithTheOneBefore()
    {
        Window w;
        w.select("JCompiListBox1", {0});
        QCOMPARE(w.run(), BacktestOutcome::Written);
        const auto first = readFile(g_season->backtestFile());
        w.child<QListWidget>("JCompiListBox1")->clearSelection();
        w.select("JCompiListBox1", {1});
        QCOMPARE(w.run(), BacktestOutcome::Written);
        QCOMPARE(readFile(PreviousBacktestFile(g_season->home)), first);

        auto* summaryView = w.kenshoChild<QTableView>("StringGrid2");
        const int threeRows = summaryView->height();
        w.kenshoChild<QCheckBox>("CompareCheck")->setChecked(true);
        w.kenshoChild<QPushButton>("ReadDataBtn")->click();
        QVERIFY(w.messages.isEmpty());
        const QAbstractItemModel* summary = summaryView->model();
        QCOMPARE(summary->rowCount(), kKenshoComparisonRows);
        QVERIFY2(summaryView->height() > threeRows, "every row of the comparison in sight");
        QCOMPARE(summary->index(6, 0).data().toString(), QStringLiteral("回収率の差"));
        const double shown = summary->index(2, 1).data().toString().toDouble();
        const double before = summary->index(5, 1).data().toString().toDouble();
        QCOMPARE(summary->index(6, 1).data().toString().toDouble(), std::round((shown - before) * 10) / 10);
        QVERIFY2(w.kenshoChild<QLabel>("RunLabel")->text().contains("比較：今回 確定ｵｯｽﾞ と前回 確定ｵｯｽﾞ"),
                 qPrintable(w.kenshoChild<QLabel>("RunLabel")->text()));

        // Per type a solid and a dashed line; one legend entry shows or hides both.
        auto* chartView = w.kenshoChild<QChartView>("ChartView");
        auto* pages = w.kenshoChild<QTabWidget>("KenshoPages");
        pages->setCurrentWidget(chartView);
        QCOMPARE(pages->tabText(pages->indexOf(chartView)),
                 QStringLiteral("回収率の推移（実線：今回 確定ｵｯｽﾞ　破線：前回 確定ｵｯｽﾞ）"));
        QChart* chart = chartView->chart();
        QCOMPARE(chart->series().size(), 2 * kBakenTypes + 1);
        QList<QLegendMarker*> entries;
        for (QLegendMarker* marker : chart->legend()->markers())
            if (marker->isVisible())
                entries << marker;
        QCOMPARE(entries.size(), kBakenTypes);
        emit entries[0]->clicked();
        int hidden = 0;
        for (QAbstractSeries* series : chart->series())
            hidden += series->isVisible() ? 0 : 1;
        QCOMPARE(hidden, 2);
        QVERIFY(entries[0]->isVisible());

        // Without the previous file the window says what to do and keeps what it showed.
        QVERIFY(fs::remove(PreviousBacktestFile(g_season->home)));
        w.kenshoChild<QPushButton>("ReadDataBtn")->click();
        QCOMPARE(w.messages, QStringList{q(kNoComparedRun)});
        QCOMPARE(summary->rowCount(), kKenshoComparisonRows);
    }

    void refusedEmptyAndCancelledRunsKeepThePreviousFile()
    {
        struct Case {
            const char* name;
            QDate from, to;
            bool answer;
            bool cancel;
            bool closeMain;
            std::optional<BacktestOutcome> outcome; // nothing: no run at all
            QString message;
        };
        const Case cases[] = {
            {"No to the question", QDate(2023, 1, 1), QDate(2024, 1, 10), false, false, false, {}, {}},
            {"no race day in the period", QDate(2024, 2, 1), QDate(2024, 2, 5), true, false, false,
             BacktestOutcome::NoData, q(kNoBacktestData)},
            {"start after the end", QDate(2024, 1, 7), QDate(2024, 1, 6), true, false, false, BacktestOutcome::NoData,
             q(kNoBacktestData)},
            {"中止", QDate(2023, 1, 1), QDate(2024, 1, 10), true, true, false, BacktestOutcome::Cancelled, {}},
            {"the main window closed", QDate(2023, 1, 1), QDate(2024, 1, 10), true, false, true, {}, {}},
        };
        for (const Case& c : cases) {
            QVERIFY(writeFileAtomic(g_season->backtestFile(), kPrevious));
            Window w;
            w.answer = c.answer;
            w.setPeriod(c.from, c.to);
            w.select("JCompiListBox1", {0});
            QSignalSpy finished(w.form, &TKaimeSettingForm::runFinished);
            w.form->SimBtnClick();
            QCOMPARE(w.questions.size(), 1);
            if (c.cancel)
                w.child<QPushButton>("CancelBtn")->click();
            if (c.closeMain) {
                QVERIFY(w.form->running());
                w.main->close(); // stops the run and waits for it
                QVERIFY2(!w.form->running(), c.name);
            }
            if (c.outcome) {
                QVERIFY2(finished.wait(120000), c.name);
                QCOMPARE(finished.takeFirst().at(0).value<BacktestOutcome>(), *c.outcome);
            }
            QVERIFY2(!w.form->running(), c.name);
            QCOMPARE(readFile(g_season->backtestFile()), std::optional<std::string>(kPrevious));
            QCOMPARE(w.messages, c.message.isEmpty() ? QStringList{} : QStringList{c.message});
            QCOMPARE(w.beeps, c.message.isEmpty() ? 0 : 1);
            QVERIFY2(!w.kensho->isVisible(), c.name);
            QVERIFY(w.child<QPushButton>("SimBtn")->isEnabled());
            QVERIFY(!w.child<QPushButton>("CancelBtn")->isEnabled());
        }
    }

    // At bet-time odds the run needs the time-series folder, and says so before asking anything; a
    // period whose races have no snapshots says why it wrote nothing.
    void aBetTimeRunNeedsSnapshotsAndSaysWhatItLacks()
    {
        QVERIFY(writeFileAtomic(g_season->backtestFile(), kPrevious));
        Window w;
        w.setPeriod(QDate(2023, 1, 1), QDate(2024, 1, 10));
        w.select("JCompiListBox1", {0});
        auto* odds = w.child<QSpinBox>("OddsBeforeEdit");
        QCOMPARE(odds->text(), QStringLiteral("確定ｵｯｽﾞ"));
        odds->setValue(5);
        QCOMPARE(odds->text(), QStringLiteral("発走5分前"));
        w.form->SimBtnClick();
        QCOMPARE(w.messages, QStringList{q(kTimeSeriesFolderNotSet)});
        QVERIFY(w.questions.isEmpty());
        QVERIFY(!w.form->running());

        // The weekend was generated without real-time data: its folder holds no snapshots.
        w.messages.clear();
        const fs::path series = g_season->dir / "jikeiretu";
        fs::create_directories(series);
        QVERIFY(w.shell.settings().set(keys::Jikeiretu, pathToUtf8(series)));
        QSignalSpy finished(w.form, &TKaimeSettingForm::runFinished);
        w.form->SimBtnClick();
        QVERIFY(finished.wait(120000));
        QCOMPARE(finished.takeFirst().at(0).value<BacktestOutcome>(), BacktestOutcome::NoData);
        QCOMPARE(w.messages.size(), 1);
        QVERIFY2(w.messages.front().startsWith(q(kNoBacktestData) +
                                               "発走5分前までの単勝の時系列オッズがあるレースがありません"),
                 qPrintable(w.messages.front()));
        QCOMPARE(readFile(g_season->backtestFile()), std::optional<std::string>(kPrevious));
        QVERIFY(w.shell.settings().set(keys::Jikeiretu, ""));
    }

    void rightClickSelectsOrDeselectsAWholeList()
    {
        Window w;
        for (QListWidget* list : {w.child<QListWidget>("TanninListBox2"), w.child<QListWidget>("TFFListBox3"),
                                  w.kenshoChild<QListWidget>("TosuList0"), w.kenshoChild<QListWidget>("ClassList0")}) {
            rightClick(list);
            QCOMPARE(selectedCount(list), list->count());
            rightClick(list);
            QCOMPARE(selectedCount(list), 0);
            list->item(1)->setSelected(true);
            rightClick(list);
            QCOMPARE(selectedCount(list), 0);
        }
        QCOMPARE(w.child<QListWidget>("JDMListBox1")->count(), 18);
        QCOMPARE(w.child<QListWidget>("FIListBox1")->count(), 6);
    }

    void theYearsAreStoredAndSetTheStart()
    {
        Window w;
        auto* years = w.child<QSpinBox>("SpinEdit1");
        QCOMPARE(years->value(), 1);
        years->setValue(3);
        QCOMPARE(w.shell.settings().get(keys::KenshoPeriod), 3);
        QCOMPARE(w.child<QDateEdit>("DateTimePicker1")->date(), QDate(2024, 1, 10).addDays(-3 * 365));
        QCOMPARE(w.child<QLabel>("DateLabel1")->text(), QStringLiteral("2021年01月10日"));
        QCOMPARE(w.form->fromText(), std::string("20210110"));
        // Opened again: the stored years, the period from today.
        w.setPeriod(QDate(2024, 1, 6), QDate(2024, 1, 6));
        w.form->close();
        w.main->SimBtnClick();
        QCOMPARE(years->value(), 3);
        QCOMPARE(w.form->toText(), std::string("20240110"));
        QCOMPARE(w.form->fromText(), std::string("20210110"));
        years->setValue(1);
    }

    void theRuleFileRoundTripsAndABadFileChangesNothing()
    {
        Window w;
        w.select("JCompiListBox1", {0, 1});
        w.select("FIListBox2", {0, 3});
        w.select("TFPListBox3", {1});
        w.select("JTMListBox3", {17});
        w.child<QRadioButton>("OrAndRadioGroup2_1")->click();
        const SelectionRule saved = w.form->rule();
        w.chosenFile = g_season->dir / "rule.ini";
        w.child<QPushButton>("SaveBtn")->click();
        QCOMPARE(readFile(w.chosenFile), std::optional<std::string>(FormatRuleFile(saved)));

        w.form->setRule(SelectionRule{});
        QVERIFY(w.form->rule() == SelectionRule{});
        w.child<QPushButton>("LoadBtn")->click();
        QVERIFY(w.form->rule() == saved);
        QVERIFY(w.child<QListWidget>("FIListBox2")->item(3)->isSelected());
        QVERIFY(w.child<QRadioButton>("OrAndRadioGroup2_1")->isChecked());
        QVERIFY(w.messages.isEmpty());

        for (const std::string& bad : {std::string("[◎]\r\nCompi=19\r\n"), std::string("[◎]\r\nNoSuchKey=1\r\n")}) {
            QVERIFY(writeFileAtomic(w.chosenFile, bad));
            w.child<QPushButton>("LoadBtn")->click();
            QVERIFY(w.form->rule() == saved);
            QCOMPARE(w.messages.size(), 1);
            QVERIFY(w.messages.takeFirst().startsWith("rule.ini "));
        }
    }
};

QTEST_MAIN(BacktestWindowTest)
#include "BacktestWindowTest.moc"
