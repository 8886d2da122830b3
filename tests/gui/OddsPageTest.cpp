// The odds page on a generated, imported day: every matrix cell of every race holds the odds the
// combination of its row and column has in the loaded odds tables, found through its label as the CLI
// labels it; the lists grow as they are scrolled; the trio and trifecta blocks wait until looked at.
#include "gui/OddsPageWidget.h"
#include "jvdata/Combo.h"
#include "raceday/DayLoader.h"
#include "raceday/RaceRecords.h"
#include "support/GeneratedSeason.h"
#include "util/Text.h"

#include <QLabel>
#include <QScrollBar>
#include <QTabBar>
#include <QTableView>
#include <QtTest>

#include <memory>

using namespace solvane;

namespace {

std::size_t at(int i)
{
    return static_cast<std::size_t>(i);
}

// The text the CLI prints for an odds value ("%.1f"), blank where it is no price.
QString cliOdds(double odds)
{
    return odds > 0 ? QString::fromStdString(strprintf("%.1f", odds)) : QString();
}

struct Loaded {
    test::OneImportedDay season;
    std::unique_ptr<RaceDay> day = std::make_unique<RaceDay>();

    Loaded()
    {
        if (!season.error.empty())
            qFatal("%s", season.error.c_str());
        LoadOptions options;
        options.appFolder = season.home;
        const DayLoadResult r = DateComboChange(*day, "2024年01月06日", options, season.clock);
        if (!r.loaded)
            qFatal("day not loaded: %s", r.notes.error.c_str());
    }
};

Loaded* g_loaded = nullptr;

struct Page {
    OddsPageWidget widget;
    Page()
    {
        widget.resize(1200, 700);
        widget.show();
    }
    QTableView* grid() { return widget.findChild<QTableView*>("OddsGrid"); }
    QTabBar* bar() { return widget.findChild<QTabBar*>("OddsTypeBar"); }
    QString cell(int row, int column) { return grid()->model()->index(row, column).data().toString(); }
    QString heading(int column) { return grid()->model()->headerData(column, Qt::Horizontal).toString(); }
};

RaceDay& day()
{
    return *g_loaded->day;
}

int runnersOf(int slot)
{
    return RunnerCount(day().RaRecs[at(slot)]);
}

} // namespace

class OddsPageTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { g_loaded = new Loaded; }
    void cleanupTestCase()
    {
        delete g_loaded;
        g_loaded = nullptr;
    }

    // Every race, every matrix type: a cell is the odds of the combination its row and column name,
    // looked up through the combination's label.
    void matricesHoldTheOddsOfTheirCombinations()
    {
        Page page;
        QCOMPARE(page.bar()->count(), 8);
        struct Type {
            OddsType type;
            int lead; // columns before the number columns
            int (*ordinal)(std::string_view label);
            double (*odds)(const TOutData&, int ordinal);
            bool ordered;
        };
        const Type types[] = {
            {OddsType::WR, 1, WRComboNo, [](const TOutData& r, int k) { return r.WROz[at(k)]; }, false},
            {OddsType::UR, 2, PairComboNo, [](const TOutData& r, int k) { return r.UROz[at(k)]; }, false},
            {OddsType::WD, 2, PairComboNo, [](const TOutData& r, int k) { return r.WDOz[at(k)]; }, false},
            {OddsType::UT, 2, UTComboNo, [](const TOutData& r, int k) { return r.UTOz[at(k)]; }, true},
        };
        int priced = 0;
        for (const RaceListItem& race : day().RaceList) {
            const int slot = race.slot;
            const int n = runnersOf(slot);
            const TOutData& r = day().RaceRecs[at(slot)];
            page.widget.showRace(day(), slot);
            for (const Type& t : types) {
                page.widget.setType(t.type);
                const int size = t.type == OddsType::WR ? std::min(n, 8) : n;
                const QString where = QString::fromStdString(race.text + " " + std::string(OddsTypeName(t.type)));
                QVERIFY2(page.grid()->model()->rowCount() == size, qPrintable(where));
                QVERIFY2(page.grid()->model()->columnCount() == t.lead + size, qPrintable(where));
                // 馬番 and 馬名 stay in sight over a horse matrix scrolled across.
                QCOMPARE(page.widget.findChild<QTableView*>("OddsGridFrozen")->isVisible(), t.lead == 2);
                for (int a = 1; a <= size; ++a) {
                    QCOMPARE(page.cell(a - 1, 0), QString::number(a));
                    for (int b = 1; b <= size; ++b) {
                        QCOMPARE(page.heading(t.lead + b - 1), QString::number(b));
                        const int first = t.ordered ? a : std::min(a, b);
                        const int second = t.ordered ? b : std::max(a, b);
                        const int k = t.ordinal(ComboLabel(first, second));
                        const QString expected = k == 0 ? QString() : cliOdds(t.odds(r, k));
                        const QString shown = page.cell(a - 1, t.lead + b - 1);
                        QVERIFY2(
                            shown == expected,
                            qPrintable(QString("%1 %2-%3: %4, not %5").arg(where).arg(a).arg(b).arg(shown, expected)));
                        priced += shown.isEmpty() ? 0 : 1;
                    }
                }
            }
        }
        QVERIFY(priced > 1000);
    }

    // Win and place by horse; a horse without a price is blank, never a coded value such as -2.0.
    void winAndPlaceByHorse()
    {
        Page page;
        for (const RaceListItem& race : day().RaceList) {
            const int slot = race.slot;
            const TOutData& r = day().RaceRecs[at(slot)];
            page.widget.showRace(day(), slot);
            page.widget.setType(OddsType::Tan);
            QCOMPARE(page.grid()->model()->rowCount(), runnersOf(slot));
            for (int h = 1; h <= runnersOf(slot); ++h) {
                QCOMPARE(page.cell(h - 1, 1), QString::number(h));
                QCOMPARE(page.cell(h - 1, 3), cliOdds(r.TanOz[at(h)]));
                QCOMPARE(page.cell(h - 1, 4), r.TanNinki[at(h)] > 0 ? QString::number(r.TanNinki[at(h)]) : "");
            }
            page.widget.setType(OddsType::Fuk);
            for (int h = 1; h <= runnersOf(slot); ++h) {
                QCOMPARE(page.cell(h - 1, 3), cliOdds(r.FukOzLow[at(h)]));
                QCOMPARE(page.cell(h - 1, 4), cliOdds(r.FukOzHigh[at(h)]));
            }
        }
    }

    // The trifecta list: its rows are priced combinations by popularity, 100 at first, 100 more each
    // time the view reaches its end, where the user was reading; the trio and trifecta blocks are
    // decoded only once the page shows one of them.
    void listsGrowAsTheyAreScrolledAndDecodeOnFirstView()
    {
        const int slot = day().RaceList.back().slot;
        QVERIFY(day().RaceRecs[at(slot)].TriplesPending);
        Page page;
        page.widget.hide();
        page.widget.setType(OddsType::SRT);
        page.widget.showRace(day(), slot);
        QVERIFY2(day().RaceRecs[at(slot)].TriplesPending, "a hidden page reads nothing");
        page.widget.show();
        QVERIFY(!day().RaceRecs[at(slot)].TriplesPending);
        QCOMPARE(page.grid()->model()->rowCount(), kOddsListStep);

        const TOutData& r = day().RaceRecs[at(slot)];
        auto checkRows = [&] {
            int previous = 0;
            for (int row = 0; row < page.grid()->model()->rowCount(); ++row) {
                const int k = SRTComboNo(page.cell(row, 1).toStdString());
                QVERIFY(k > 0);
                QCOMPARE(page.cell(row, 2), cliOdds(r.SRTOz[at(k)]));
                QVERIFY(r.SRTOz[at(k)] > 0);
                QCOMPARE(page.cell(row, 0).toInt(), r.SRTNinki[at(k)]);
                QVERIFY(r.SRTNinki[at(k)] >= previous);
                previous = r.SRTNinki[at(k)];
            }
        };
        checkRows();

        QScrollBar* down = page.grid()->verticalScrollBar();
        QTRY_VERIFY(down->maximum() > 0);
        down->setValue(down->maximum());
        QCOMPARE(page.grid()->model()->rowCount(), 2 * kOddsListStep);
        const int reading = down->value();
        QVERIFY(reading > 0);
        QCoreApplication::processEvents(); // the deferred layout of the grown list
        QCOMPARE(down->value(), reading);
        QVERIFY(down->maximum() > reading);
        checkRows();
        QVERIFY(page.widget.findChild<QLabel*>("OddsCaption")->text().contains("1〜200位"));

        // New odds of the same race keep the grown list; another race starts at the top again.
        page.widget.showRace(day(), slot);
        QCOMPARE(page.grid()->model()->rowCount(), 2 * kOddsListStep);
        QCOMPARE(down->value(), reading);
        page.widget.showRace(day(), day().RaceList.front().slot);
        QCOMPARE(page.grid()->model()->rowCount(), kOddsListStep);
        QCOMPARE(down->value(), 0);
        QCOMPARE(page.widget.type(), OddsType::SRT);

        page.widget.clear();
        QCOMPARE(page.grid()->model()->rowCount(), 0);
    }
};

QTEST_MAIN(OddsPageTest)
#include "OddsPageTest.moc"
