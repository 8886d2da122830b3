// The combination window from a mark change to its painted trifecta page, for an 18-runner race with
// every horse marked ◎, ○ and ▲ and マルチ on (4896 trifecta rows), against building the same eight
// tables in core alone in the same run. Runs on the offscreen platform unless QT_QPA_PLATFORM says
// otherwise. Usage: solvane-bench-kaimeform [ROUNDS]
#include "BenchSupport.h"
#include "app/AppShell.h"
#include "gui/ColumnFitter.h"
#include "gui/KaimeUnit.h"
#include "gui/Main.h"
#include "kaime/KaimeBuild.h"
#include "raceday/RaceRecords.h"
#include "support/GeneratedSeason.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QTabWidget>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace solvane;
using bench::median;
using bench::msSince;
using bench::Steady;

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;

    test::OneImportedDay season;
    if (!season.error.empty()) {
        std::fprintf(stderr, "%s\n", season.error.c_str());
        return 1;
    }
    test::NoSiblings registry;
    AppShell shell(AppShellOptions{season.home, &season.clock, &registry, {}, {}});
    if (!shell.start())
        return 1;
    TMainForm main(shell, *season.link);
    main.setMessageSink([](MessageKind, const QString&, const QString&) {});
    main.show();
    main.findChild<QComboBox*>("DateCombo")->setCurrentIndex(0);
    main.DateComboChange();
    // The first race with 18 runners.
    auto* list = main.findChild<QListWidget*>("DatList");
    int row = -1;
    for (int i = 0; i < list->count() && row < 0; ++i) {
        const int slot = main.raceDay().RaceList[static_cast<std::size_t>(i)].slot;
        if (RunnerCount(main.raceDay().RaRecs[static_cast<std::size_t>(slot)]) == 18)
            row = i;
    }
    if (row < 0) {
        std::fprintf(stderr, "no 18-runner race on the generated day\n");
        return 1;
    }
    list->setCurrentRow(row);

    TKaimeForm form(shell.settings(), season.home);
    form.setMessageSink([](MessageKind, const QString&, const QString&) {});
    form.attach(main);
    form.show();
    form.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(IndexOf(BakenType::SRT));

    Marks all;
    for (int h = 1; h <= 18; ++h)
        for (const MarkKind k : {MarkKind::Honmei, MarkKind::Taikou, MarkKind::Tanana})
            all.set(k, h, true);
    Marks fewer = all;
    fewer.set(MarkKind::Tanana, 18, false);

    // Each round changes the marks (the form rebuilds and shows its tables) and paints the window.
    std::vector<double> shown;
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = Steady::now();
        main.setCardMarks(i % 2 ? fewer : all);
        QApplication::processEvents();
        form.grab();
        shown.push_back(msSince(t0));
    }
    const int rows = form.tables()[IndexOf(BakenType::SRT)].grid.rowCount();

    // Fitting the trifecta table's columns to its texts, which every mark change does once.
    std::vector<double> fits;
    auto* trifecta = form.findChild<QTabWidget*>("PageControl1")->currentWidget()->findChild<QTableView*>();
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = Steady::now();
        FitColumnsToTexts(*trifecta);
        fits.push_back(msSince(t0));
    }

    // The same eight tables in core only, on the same race.
    const RaceDay& day = main.raceDay();
    const KaimeContext ctx = ContextOf(day, day.CurRace, 3000, HaibunMode::Kinto, nullptr);
    KaimeTables kept = EmptyKaimeTables();
    std::vector<double> core;
    for (int i = 0; i < std::max(rounds, 50); ++i) {
        const auto t0 = Steady::now();
        KaimeMakeBtnClick(kept, day, day.CurRace, i % 2 ? fewer : all, MultiOptions{}, ctx);
        core.push_back(msSince(t0));
    }

    const double s = median(shown), c = median(core);
    std::printf("trifecta rows shown: %d\n", rows);
    std::printf("mark change to painted window: %8.2f ms median, %.2f fastest (goal under 50 ms)\n", s,
                *std::min_element(shown.begin(), shown.end()));
    std::printf("  of which fitting the trifecta columns: %.2f ms median\n", median(fits));
    std::printf("the eight tables in core only: %8.2f ms median\n", c);
    std::printf("window / core: %.1f\n", s / c);
    return 0;
}
