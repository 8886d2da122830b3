// The day loader over fuzzed store files. The first input byte picks the file, the rest is its whole
// content; every other file of the day is the generated base day's. The day is loaded as "today" so
// that the change files are read too, then each listed race's card, entries, header, results and the
// eight combination tables are built from it.
#include "FuzzSupport.h"

#include "jvdata/CodeTables.h"
#include "kaime/KaimeBuild.h"
#include "raceday/DayLoader.h"
#include "raceday/Payouts.h"
#include "raceday/RaceCard.h"
#include "raceday/RaceRecords.h"
#include "util/Files.h"
#include "util/ShiftJis.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace fs = std::filesystem;
using namespace solvane;

namespace {

struct DayFile {
    const char* folder; // under the application folder
    std::string suffix; // after the day key
};

// Every file of a day the loader reads. The runner file is the base day's first venue's.
const std::array<DayFile, 17>& Files()
{
    static const std::array<DayFile, 17> files = [] {
        std::array<DayFile, 17> f{{
            {"Data", ".jvRA"},
            {"Data", "@SE"},
            {"Data", ".jvHR"},
            {"Data", ".jvO1"},
            {"Data", ".jvO2"},
            {"Data", ".jvO3"},
            {"Data", ".jvO4"},
            {"Data", ".jvO5"},
            {"Data", ".jvO6"},
            {"Data", ".jvDM"},
            {"Data", ".jvTM"},
            {"CHG", ".WE"},
            {"CHG", ".TC"},
            {"CHG", ".NEW"},
            {"Data", ".FI"},
            {"Data", ".TF"},
            {"harunire/DATA", "@comp"},
        }};
        return f;
    }();
    return files;
}

struct Base {
    fs::path app;                          // the scratch application folder
    std::map<fs::path, std::string> files; // every base file by its path in app
    std::string venue;                     // UTF-8 name of the first venue
    std::optional<fs::path> last;          // the file the previous input replaced
};

Base& TheBase()
{
    static Base base = [] {
        Base b;
        b.app = fuzz::ScratchFolder() / "app";
        const fs::path from = fuzz::WorkFolder() / "base";
        for (const auto& e : fs::recursive_directory_iterator(from)) {
            if (!e.is_regular_file())
                continue;
            const fs::path rel = fs::relative(e.path(), from);
            fs::create_directories(b.app / rel.parent_path());
            const std::string bytes = fuzz::ReadBytes(e.path());
            fuzz::WriteBytes(b.app / rel, bytes);
            b.files[b.app / rel] = bytes;
        }
        fs::create_directories(b.app / "Data");
        fs::create_directories(b.app / "CHG");
        fs::create_directories(b.app / "harunire" / "DATA");
        const auto ra = b.files.find(b.app / "Data" / pathFromUtf8(std::string(fuzz::kBaseDayKey) + ".jvRA"));
        b.venue =
            ra == b.files.end() || ra->second.size() < 21 ? "中山" : fromSjis(TrackName(ra->second.substr(19, 2)));
        return b;
    }();
    return base;
}

fs::path PathOf(const Base& base, const DayFile& f)
{
    std::string name(fuzz::kBaseDayKey);
    if (f.suffix == "@SE")
        name += base.venue + ".jvSEr";
    else if (f.suffix == "@comp")
        name += base.venue + ".comp";
    else
        name += f.suffix;
    return base.app / f.folder / pathFromUtf8(name);
}

// Puts a file back as the base day has it (or removes it when the base day has none).
void Restore(const Base& base, const fs::path& path)
{
    if (const auto it = base.files.find(path); it != base.files.end())
        fuzz::WriteBytes(path, it->second);
    else {
        std::error_code ec;
        fs::remove(path, ec);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TheBase();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Base& base = TheBase();
    fuzz::Input in(data, size);
    const DayFile& which = Files()[in.byte() % Files().size()];

    // The previous input's file and the race file (a start-time change rewrites it) as the base has them.
    if (base.last)
        Restore(base, *base.last);
    const fs::path ra = PathOf(base, Files()[0]);
    Restore(base, ra);
    base.last = PathOf(base, which);
    fuzz::WriteBytes(*base.last, in.rest());

    LoadOptions options;
    options.appFolder = base.app;
    options.harunireFolder = base.app / "harunire";
    const ManualClock clock(DateTime{2024, 1, 6, 9, 30, 0}); // the base day is today
    // One day model for every input, as the program keeps one: the load replaces all of it.
    static const auto model = std::make_unique<RaceDay>();
    RaceDay& day = *model;
    const DayLoadResult loaded = DateComboChange(day, fuzz::kBaseDayKey, options, clock);
    if (!loaded.loaded)
        return 0;

    Marks marks;
    for (int h = 1; h <= 6; ++h)
        marks.set(static_cast<MarkKind>((h - 1) / 2), h, true);
    const MultiOptions multi{true, true, true, true};
    int mode = 0;
    for (const RaceListItem& item : day.RaceList) {
        (void)BuildRaceCard(day, item.slot, marks);
        (void)BuildEntriesGrid(day, item.slot);
        (void)BuildRaceHeader(day, item.slot);
        (void)NoRunnersMessage(day, item.slot);
        (void)ResultsGrid(day, item.slot);
        const KaimeContext ctx = ContextOf(day, item.slot, 10000, static_cast<HaibunMode>(mode++ % 4), nullptr);
        (void)KaimeMakeBtnClick(day, item.slot, marks, multi, ctx);
    }
    return 0;
}
