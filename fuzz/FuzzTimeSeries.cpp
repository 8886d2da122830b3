// The time-series snapshot reader: the bytes are the snapshot file of the base day's first race for
// the odds kind the first byte picks; the import then takes the nearest snapshot of every kind into a
// copy of the base day's odds files.
#include "FuzzSupport.h"

#include "raceday/DayLoader.h"
#include "raceday/TimeSeries.h"
#include "util/Files.h"

#include <map>
#include <memory>
#include <string>

namespace fs = std::filesystem;
using namespace solvane;

namespace {

struct Base {
    std::unique_ptr<RaceDay> day = std::make_unique<RaceDay>();
    std::map<fs::path, std::string> odds; // the base day's odds files by name
    fs::path data, series, snapshotFolder;
    std::string snapshotKey; // venue, meeting, day of meeting, race of the first race
};

Base& TheBase()
{
    static Base base = [] {
        Base b;
        const fs::path app = fuzz::WorkFolder() / "base";
        LoadOptions options;
        options.appFolder = app;
        const ManualClock clock(DateTime{2024, 1, 10, 9, 0, 0});
        (void)DateComboChange(*b.day, fuzz::kBaseDayKey, options, clock);
        for (int k = 1; k <= 6; ++k) {
            const std::string name = std::string(fuzz::kBaseDayKey) + ".jvO" + std::to_string(k);
            b.odds[pathFromUtf8(name)] = fuzz::ReadBytes(app / "Data" / pathFromUtf8(name));
        }
        b.data = fuzz::ScratchFolder() / "Data";
        b.series = fuzz::ScratchFolder() / "series";
        b.snapshotFolder = b.series / std::string(fuzz::kBaseDate);
        fs::create_directories(b.data);
        fs::create_directories(b.snapshotFolder);
        const std::string& ra = b.day->RaRecs[0];
        b.snapshotKey = ra.size() >= 27 ? ra.substr(19, 8) : "06010101";
        return b;
    }();
    return base;
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
    const int kind = in.byte() % 6 + 1;
    for (const auto& [name, bytes] : base.odds)
        fuzz::WriteBytes(base.data / name, bytes);
    for (int k = 1; k <= 6; ++k)
        fs::remove(base.snapshotFolder / (base.snapshotKey + ".jvO" + std::to_string(k)));
    fuzz::WriteBytes(base.snapshotFolder / (base.snapshotKey + ".jvO" + std::to_string(kind)), in.rest());
    (void)ImportTimeSeriesOdds(*base.day, base.series, base.data);
    return 0;
}
