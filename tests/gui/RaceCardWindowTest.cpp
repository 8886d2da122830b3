// The race card in the main window on a generated, imported day: selecting races from the list, the
// header, heading clicks, mark clicks by mouse and keyboard, and the entries window.
#include "app/AppShell.h"
#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "app/SiblingFolders.h"
#include "app/WorkFolders.h"
#include "feedgen/Feed.h"
#include "gui/DeUnit.h"
#include "gui/Main.h"
#include "jvdata/LocalJVLink.h"
#include "raceday/Payouts.h"
#include "raceday/RaceCard.h"
#include "raceday/RaceCardColours.h"
#include "raceday/RaceDay.h"
#include "store/BulkImport.h"
#include "store/Store.h"
#include "support/GeneratedSeason.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/Text.h"

#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

using namespace solvane;
namespace fs = std::filesystem;

namespace {

using test::NoSiblings;

// One generated Saturday (two venues, twelve races each), imported into an application folder once for
// every test. Race 12 of each venue lost its runner records.
struct ImportedDay : test::OneImportedDay {
    ImportedDay()
    {
        if (!error.empty())
            qFatal("%s", error.c_str());
        blankRunnersOfRace(12);
    }

    void blankRunnersOfRace(int race)
    {
        for (const auto& entry : fs::directory_iterator(StoreFolder(home))) {
            const std::string name = pathToUtf8(entry.path().filename());
            if (!name.starts_with("2024年01月06日") || !name.ends_with(".jvSEr"))
                continue;
            std::vector<std::string> lines = splitLines(readFile(entry.path()).value_or(""));
            for (std::size_t i = static_cast<std::size_t>(race - 1) * 18; i < static_cast<std::size_t>(race) * 18; ++i)
                lines.at(i) = std::string(kSeLength - 2, ' ');
            writeFileAtomic(entry.path(), joinLinesCrlf(lines));
        }
    }
};

ImportedDay* g_day = nullptr;

// The main window on the imported day, its first date loaded.
struct Window {
    NoSiblings registry;
    AppShell shell{AppShellOptions{g_day->home, &g_day->clock, &registry, {}, {}}};
    std::unique_ptr<TMainForm> form;
    QStringList messages;

    Window()
    {
        if (!shell.start())
            qFatal("shell did not start");
        form = std::make_unique<TMainForm>(shell, *g_day->link);
        form->setMessageSink([this](MessageKind, const QString&, const QString& text) { messages << text; });
        form->resize(1280, 860);
        form->show();
        auto* combo = form->findChild<QComboBox*>("DateCombo");
        combo->setCurrentIndex(0);
        form->DateComboChange();
    }
    QListWidget* list() const { return form->findChild<QListWidget*>("DatList"); }
    QTableView* grid() const { return form->findChild<QTableView*>("StringGrid1"); }
    QString cell(int row, int column) const { return grid()->model()->index(row, column).data().toString(); }
    QString label(const char* name) const { return form->findChild<QLabel*>(name)->text(); }
    QList<int> horses() const
    {
        QList<int> out;
        for (int r = 0; r < grid()->model()->rowCount(); ++r)
            out << cell(r, card::Uma).trimmed().toInt();
        return out;
    }
    void clickHeading(int column) const
    {
        QHeaderView* heading = grid()->horizontalHeader();
        const int x = heading->sectionViewportPosition(column) + heading->sectionSize(column) / 2;
        QTest::mouseClick(heading->viewport(), Qt::LeftButton, {}, QPoint(x, heading->height() / 2));
    }
    QPoint centre(int row, int column) const
    {
        return grid()->visualRect(grid()->model()->index(row, column)).center();
    }
    void clickCell(int row, int column) const
    {
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, centre(row, column));
    }
};

} // namespace

class RaceCardWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { g_day = new ImportedDay; }
    void cleanupTestCase() { delete g_day; }

    void selectingARaceShowsItsHeaderAndCard()
    {
        Window w;
        QCOMPARE(w.list()->currentRow(), 0);
        QVERIFY(w.form->findChild<QTabWidget*>("PageControl1")->isVisible());
        const RaceDay& day = w.form->raceDay();
        w.list()->setCurrentRow(4);
        const int slot = day.RaceList[4].slot;
        QCOMPARE(day.CurRace, slot);

        // Every cell exactly as the core builds the card.
        const TextGrid expected = BuildRaceCard(day, slot, Marks{});
        QVERIFY(expected.rowCount() >= 5);
        QCOMPARE(w.grid()->model()->rowCount(), expected.rowCount());
        QCOMPARE(w.grid()->model()->columnCount(), kCardColumns);
        for (int r = 0; r < expected.rowCount(); ++r)
            for (int c = 0; c < kCardColumns; ++c)
                QCOMPARE(w.cell(r, c), q(expected.cell(r, c)));
        for (int c = 0; c < kCardColumns; ++c)
            QCOMPARE(w.grid()->model()->headerData(c, Qt::Horizontal).toString(), q(CardHeadings()[std::size_t(c)]));
        const QBrush bracket = w.grid()->model()->index(0, 0).data(Qt::BackgroundRole).value<QBrush>();
        QCOMPARE(bracket.color().rgb() & 0xFFFFFF, CardCellStyle(0, expected.cell(0, 0)).background);

        const RaceHeader header = BuildRaceHeader(day, slot);
        QVERIFY(w.label("Label1").startsWith(QStringLiteral("2024年01月06日(土)")));
        QVERIFY(w.label("Label1").contains(QStringLiteral("05R   ")));
        QCOMPARE(w.label("Label1"), q(header.Label1));
        QCOMPARE(w.label("Label3"), q(header.Label3));
        QCOMPARE(w.label("RaceLabel"), QStringLiteral("5"));
        QCOMPARE(w.label("BashoLabel"), q(header.BashoLabel));
        QCOMPARE(w.label("OzGetTimeLabel"), q(header.OzGetTimeLabel));
        const QColor panel = w.form->findChild<QWidget*>("HeaderPanel")->palette().color(QPalette::Window);
        QCOMPARE(panel.rgb() & 0xFFFFFF, header.panelColour);
        // The results page follows the selection.
        const QAbstractItemModel* results = w.form->findChild<QTableView*>("ResultsGrid")->model();
        QCOMPARE(results->rowCount(), 36);
        QVERIFY(w.messages.isEmpty());
    }

    void headingClicksSortAndMarksFollowTheirHorse()
    {
        Window w;
        QSignalSpy marks(w.form.get(), &TMainForm::marksChanged);
        w.list()->setCurrentRow(3);
        const int n = w.grid()->model()->rowCount();
        w.clickCell(2, card::MarkHonmei); // horse 3
        QCOMPARE(w.cell(2, card::MarkHonmei), QStringLiteral("ν"));
        QCOMPARE(marks.count(), 1);

        w.clickHeading(card::TanNinki);
        QList<int> ascending = w.horses();
        QCOMPARE(w.cell(0, card::TanNinki), QStringLiteral(" 1"));
        w.clickHeading(card::TanNinki);
        QList<int> descending = w.horses();
        QCOMPARE(descending.size(), n);
        std::reverse(descending.begin(), descending.end());
        QCOMPARE(descending, ascending); // every horse has a distinct popularity here
        const int row3 = static_cast<int>(w.horses().indexOf(3));
        QCOMPARE(w.cell(row3, card::MarkHonmei), QStringLiteral("ν"));
        QCOMPARE(w.form->cardMarks().horses(MarkKind::Honmei), std::vector<int>{3});

        // A click on a heading that does not sort changes nothing.
        const QList<int> before = w.horses();
        w.clickHeading(card::Name);
        QCOMPARE(w.horses(), before);

        // Selecting the same race again: marks gone, horse-number order.
        w.list()->setCurrentRow(4);
        w.list()->setCurrentRow(3);
        QVERIFY(w.form->cardMarks().empty());
        QCOMPARE(w.cell(2, card::MarkHonmei), QString());
        QCOMPARE(w.horses().first(), 1);
        QCOMPARE(w.horses().last(), n);
    }

    void handCursorExactlyOverClickableCells()
    {
        Window w;
        QWidget* viewport = w.grid()->viewport();
        const std::pair<int, bool> cases[] = {
            {card::MarkTaikou, true}, {card::TanNinki, true}, {card::Name, false}, {11, false}};
        for (const auto& [column, hand] : cases) {
            const QPoint at = w.centre(1, column);
            QMouseEvent move(QEvent::MouseMove, at, viewport->mapToGlobal(at), Qt::NoButton, Qt::NoButton, {});
            QApplication::sendEvent(viewport, &move);
            QCOMPARE(viewport->cursor().shape() == Qt::PointingHandCursor, hand);
        }
    }

    void keyboardMovesMarksAndStepsRaces()
    {
        Window w;
        QSignalSpy selected(w.form.get(), &TMainForm::raceSelected);
        w.list()->setFocus();
        QTest::keyClick(w.list(), Qt::Key_Down);
        QCOMPARE(w.list()->currentRow(), 1);
        QTest::keyClick(w.list(), Qt::Key_PageDown);
        QCOMPARE(w.list()->currentRow(), 2);
        QCOMPARE(w.form->raceDay().CurRace, w.form->raceDay().RaceList[2].slot);
        QCOMPARE(selected.count(), 2);
        QCOMPARE(selected.last().first().toInt(), w.form->raceDay().RaceList[2].slot);

        // Enter opens the race on the card: the keyboard is on the card, no new selection.
        QTest::keyClick(w.list(), Qt::Key_Return);
        QCOMPARE(selected.count(), 2);
        QCOMPARE(w.grid()->currentIndex().column(), card::Uma);
        QTest::keyClick(w.grid(), Qt::Key_Down);
        for (int i = 0; i < card::MarkTaikou - card::Uma; ++i)
            QTest::keyClick(w.grid(), Qt::Key_Right);
        QCOMPARE(w.grid()->currentIndex(), w.grid()->model()->index(1, card::MarkTaikou));
        QTest::keyClick(w.grid(), Qt::Key_Space);
        QCOMPARE(w.cell(1, card::MarkTaikou), QStringLiteral("ν"));
        QTest::keyClick(w.grid(), Qt::Key_Space);
        QCOMPARE(w.cell(1, card::MarkTaikou), QString());

        QTest::keyClick(w.grid(), Qt::Key_PageUp);
        QCOMPARE(w.list()->currentRow(), 1);
        QTest::keyClick(w.grid(), Qt::Key_PageUp);
        QTest::keyClick(w.grid(), Qt::Key_PageUp); // nothing before the first race
        QCOMPARE(w.list()->currentRow(), 0);
    }

    void aRaceWithoutRunnersKeepsThePreviousRaceCurrent()
    {
        Window w;
        w.list()->setCurrentRow(0);
        w.clickCell(0, card::MarkHonmei);
        w.list()->setCurrentRow(11); // race 12 of the first venue lost its runners
        QCOMPARE(w.messages, QStringList{QStringLiteral("12レースはデータが不十分です。")});
        const RaceDay& day = w.form->raceDay();
        QCOMPARE(day.CurRace, day.RaceList[0].slot);
        QCOMPARE(w.list()->currentRow(), 0);
        QVERIFY(w.label("Label1").contains(QStringLiteral("01R   ")));
        QCOMPARE(w.cell(0, card::MarkHonmei), QStringLiteral("ν"));
    }

    void entriesWindowShowsTheSameValuesAndKeepsItsGeometry()
    {
        {
            Window w;
            w.list()->setCurrentRow(2);
            QTest::mouseClick(w.form->findChild<QPushButton*>("PopDeBtn"), Qt::LeftButton);
            TDeForm* de = w.form->deForm();
            QVERIFY(de->isVisible());
            QCOMPARE(de->windowTitle(), QStringLiteral("出馬表"));
            QCOMPARE(de->pos(), QPoint(700, 10));
            const QAbstractItemModel* m = de->view()->model();
            QCOMPARE(m->columnCount(), kEntriesColumns);
            QCOMPARE(m->rowCount(), w.grid()->model()->rowCount());
            const int fromCard[] = {0, 1, 2, 11, 12, 14, 15};
            for (int r = 0; r < m->rowCount(); ++r)
                for (int c = 0; c < kEntriesColumns; ++c)
                    QCOMPARE(m->index(r, c).data().toString(), w.cell(r, fromCard[c]));

            QHeaderView* heading = de->view()->horizontalHeader();
            QTest::mouseClick(heading->viewport(), Qt::LeftButton, {},
                              QPoint(heading->sectionViewportPosition(4) + 5, heading->height() / 2));
            QCOMPARE(m->index(0, 4).data().toString(), QStringLiteral(" 1"));
            QCOMPARE(w.cell(0, card::Uma), QStringLiteral(" 1")); // the card keeps its own order
            de->move(40, 30);
            de->close();
        }
        SettingsFile settings(g_day->home / "solvane.ini");
        QCOMPARE(settings.get(keys::LocateDELeft), 40);
        QCOMPARE(settings.get(keys::LocateDETop), 30);
        Window again;
        QCOMPARE(again.form->deForm()->pos(), QPoint(40, 30));
    }

    // Scrolled right to the marks, the card still shows 枠, 馬 and 馬名 of every row, and a click on a
    // frozen heading sorts as the card's own heading does.
    void horseColumnsStayInSightWhileTheCardScrolls()
    {
        Window w;
        w.form->resize(900, 700);
        w.list()->setCurrentRow(0);
        QCoreApplication::processEvents();
        QTableView* frozen = w.form->findChild<QTableView*>("StringGrid1Frozen");
        QVERIFY(frozen);
        QVERIFY(frozen->isVisible());
        w.grid()->horizontalScrollBar()->setValue(w.grid()->horizontalScrollBar()->maximum());
        QVERIFY(w.grid()->horizontalScrollBar()->value() > 0);
        QVERIFY(w.grid()->columnViewportPosition(card::Name) < 0); // the card's own name column is gone
        const QRect shown = frozen->geometry();
        for (int c = 0; c < w.grid()->model()->columnCount(); ++c)
            QCOMPARE(frozen->isColumnHidden(c), c > card::Name);
        for (int r = 0; r < w.grid()->model()->rowCount(); ++r) {
            const QRect name = frozen->visualRect(frozen->model()->index(r, card::Name));
            QCOMPARE(frozen->columnWidth(card::Name), w.grid()->columnWidth(card::Name));
            QVERIFY(frozen->viewport()->rect().contains(name.center()));
            QCOMPARE(frozen->model()->index(r, card::Name).data().toString(), w.cell(r, card::Name));
        }
        QVERIFY(shown.right() < w.grid()->viewport()->width());
        // The marks columns lie right of the frozen ones.
        QVERIFY(w.grid()->columnViewportPosition(card::MarkHonmei) > shown.width());

        QHeaderView* heading = frozen->horizontalHeader();
        QTest::mouseClick(heading->viewport(), Qt::LeftButton, {},
                          QPoint(heading->sectionViewportPosition(card::Uma) + 5, heading->height() / 2));
        QTest::mouseClick(heading->viewport(), Qt::LeftButton, {},
                          QPoint(heading->sectionViewportPosition(card::Uma) + 5, heading->height() / 2));
        const QList<int> horses = w.horses();
        QVERIFY(horses.first() > horses.last()); // the second click reversed the order
    }

    // A race that has been run shows its payouts beside the card, every row in sight at 1366x768.
    void payoutPanelShowsTheRunRacesPayouts()
    {
        Window w;
        w.form->setGeometry(0, 0, 1366, 728);
        w.list()->setCurrentRow(0);
        QCoreApplication::processEvents();
        auto* panel = w.form->findChild<QTableView*>("PayoutPanel");
        QVERIFY(panel->isVisible());
        const TextGrid expected = PayoutPanelGrid(w.form->raceDay(), w.form->raceDay().CurRace);
        QVERIFY(expected.rowCount() >= 8);
        QCOMPARE(panel->model()->rowCount(), expected.rowCount());
        for (int r = 0; r < expected.rowCount(); ++r)
            for (int c = 0; c < expected.columnCount(); ++c)
                QCOMPARE(panel->model()->index(r, c).data().toString(), q(expected.cell(r, c)));
        QCOMPARE(panel->verticalScrollBar()->maximum(), 0);
        QCOMPARE(panel->horizontalScrollBar()->maximum(), 0);
        QVERIFY(panel->geometry().right() < w.form->width());
    }

    // "コピー" (and Ctrl+C) copies the selected cells as tab-separated text, "すべてコピー" the whole
    // card with its headings.
    void copyMenuPutsTheCellsOnTheClipboard()
    {
        Window w;
        w.list()->setCurrentRow(0);
        QTableView* grid = w.grid();
        grid->setFocus();
        grid->selectionModel()->select(grid->model()->index(1, card::Uma), QItemSelectionModel::Select);
        grid->selectionModel()->select(grid->model()->index(1, card::Name), QItemSelectionModel::Select);
        grid->selectionModel()->select(grid->model()->index(2, card::Uma), QItemSelectionModel::Select);
        QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), w.cell(1, card::Uma) + "\t" + w.cell(1, card::Name) + "\n" +
                                                        w.cell(2, card::Uma) + "\t" + w.cell(2, card::Name) + "\n");

        QStringList captions;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (QAction* action : menu->actions())
                captions << action->text();
            menu->actions().at(1)->trigger();
            menu->close();
        });
        emit grid->customContextMenuRequested(QPoint(5, 5));
        QCOMPARE(captions, (QStringList{"コピー", "すべてコピー"}));
        const QStringList lines = QApplication::clipboard()->text().split('\n');
        QCOMPARE(lines.size(), grid->model()->rowCount() + 2);
        QVERIFY(lines[0].startsWith("枠\t馬\t馬名"));
        QCOMPARE(lines[1].split('\t').size(), grid->model()->columnCount());
    }
};

QTEST_MAIN(RaceCardWindowTest)
#include "RaceCardWindowTest.moc"
