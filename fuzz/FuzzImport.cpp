// The bulk import over a fuzzed feed file, served by the local JV-Link component as JV-Link would
// serve it, and the feed's faults.ini reader. The first byte picks where the bytes go: 0 a RACE file,
// 1 a MING file, 2 the faults.ini beside one stored race record. After the import the stored days are
// listed and the newest is loaded.
#include "FuzzSupport.h"

#include "app/WorkFolders.h"
#include "jvdata/LocalJVLink.h"
#include "jvdata/LocalJVLinkFaults.h"
#include "raceday/DayLoader.h"
#include "store/BulkImport.h"
#include "store/Store.h"

#include <chrono>
#include <memory>
#include <string>

namespace fs = std::filesystem;
using namespace solvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in(data, size);
    const int where = in.byte() % 3;
    const fs::path feed = fuzz::ScratchFolder() / "feed", home = fuzz::ScratchFolder() / "home";
    fs::remove_all(feed);
    fs::remove_all(home);
    fs::create_directories(feed / "RACE");
    fs::create_directories(feed / "MING");
    std::string error;
    CreateWorkFolders(home, &error);

    std::string faults = "[Download]\r\ntime=0\r\n";
    if (where == 2) {
        (void)FeedFaults::parse(in.rest());
        faults += in.rest();
        // One well-formed race record for the faults to act on.
        std::string ra(1270, ' ');
        ra.replace(0, 27, "RA7202401062024010606010101");
        fuzz::WriteBytes(feed / "RACE" / "20240106180000_RA20240106", ra + "\r\n");
    } else {
        fuzz::WriteBytes(feed / (where == 0 ? "RACE" : "MING") / "20240106180000_XX20240106", in.rest());
    }
    fuzz::WriteBytes(feed / "faults.ini", faults);

    ManualClock clock(DateTime{2024, 1, 10, 9, 0, 0});
    LocalJVLink link(feed, clock);
    link.JVInit("FUZZ");
    JVCancelFlag cancel{false};
    BulkImportOptions options;
    options.dataFolder = StoreFolder(home);
    options.start = DateTime{2024, 1, 1};
    options.setupData = true;
    // A fuzzed faults.ini can keep the component "still downloading" for good (a slow download
    // pace, a JVRead fault of -3): after a while the run is cancelled as a user would cancel it. The
    // pauses between its answers pass on a clock of their own, so no input waits for real.
    std::chrono::steady_clock::time_point now{};
    options.downloadWait.now = [&now] { return now; };
    options.downloadWait.sleep = [&now](std::chrono::milliseconds d) { now += d; };
    int waits = 0;
    BulkImportCallbacks callbacks;
    callbacks.pumpEvents = [&] {
        if (++waits == 2000)
            cancel = true;
    };
    BulkImport run(link, cancel, options, callbacks);
    (void)run.run();

    const std::vector<std::string> days = StoredDayList(home);
    if (!days.empty()) {
        auto day = std::make_unique<RaceDay>();
        LoadOptions lo;
        lo.appFolder = home;
        (void)DateComboChange(*day, days.front(), lo, clock);
    }
    return 0;
}
