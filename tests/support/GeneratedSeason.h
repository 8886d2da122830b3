// A generated season in a test's own folder, imported the way the import window does it: the feed under
// <dir>/feed (downloads instant), the application folder <dir>/home with its working folders, and the
// local JV-Link component on the test's clock. Tests that start the program also get a registry that
// knows no sibling program.
#pragma once

#include "app/SiblingFolders.h"
#include "app/WorkFolders.h"
#include "feedgen/Feed.h"
#include "jvdata/LocalJVLink.h"
#include "store/BulkImport.h"
#include "store/Store.h"
#include "support/ImportStore.h"
#include "support/TempDir.h"
#include "util/Files.h"

#include <filesystem>
#include <memory>
#include <string>

namespace solvane::test {

class NoSiblings : public SiblingRegistry {
public:
    std::string InstallPath(std::string_view) const override { return {}; }
};

struct GeneratedSeason {
    TempDir dir;
    ManualClock clock;
    std::filesystem::path feed = dir / "feed";
    std::filesystem::path home = dir / "home";
    std::unique_ptr<LocalJVLink> link;
    std::string error; // empty when the season was generated and imported

    // options.out and options.now are filled here; the import starts at importFrom.
    GeneratedSeason(DateTime now, feedgen::FeedOptions options, DateTime importFrom) : clock(now)
    {
        options.out = feed;
        options.now = now;
        if (!feedgen::GenerateFeed(options, nullptr, &error))
            return;
        setFaults("");
        CreateWorkFolders(home, &error);
        link = std::make_unique<LocalJVLink>(feed, clock);
        link->JVInit("TEST");
        if (const BulkImportResult r = ImportInto(*link, StoreFolder(home), importFrom); r.error)
            error = "import: " + r.message;
    }

    // The feed's faults.ini: instant downloads plus the given lines.
    void setFaults(const std::string& more) const
    {
        writeFileAtomic(feed / "faults.ini", "[Download]\r\ntime=0\r\n" + more);
    }
};

// One race day, Saturday 2024-01-06 (seed 11, no real-time snapshots, no sibling-program files),
// imported and seen on the Wednesday after: the day the window tests and the form benchmark work on.
struct OneImportedDay : GeneratedSeason {
    OneImportedDay() : GeneratedSeason(DateTime{2024, 1, 10, 9, 0, 0}, options(), DateTime{2023, 12, 1}) {}

    static feedgen::FeedOptions options()
    {
        feedgen::FeedOptions o;
        o.from = o.to = DateTime{2024, 1, 6};
        o.seed = 11;
        o.rtDays = 0;
        o.siblings = false;
        return o;
    }
};

// The live race day Saturday 2024-01-06 (seed 3: two venues, 24 races, real-time data through the day, no
// sibling-program files), seen and imported at 09:30 that morning: the day of the fault and two-process tests.
struct LiveRaceDay : GeneratedSeason {
    LiveRaceDay() : GeneratedSeason(DateTime{2024, 1, 6, 9, 30, 0}, options(), DateTime{2024, 1, 1}) {}

    static feedgen::FeedOptions options()
    {
        feedgen::FeedOptions o;
        o.from = o.to = DateTime{2024, 1, 6};
        o.seed = 3;
        o.liveToday = true;
        o.siblings = false;
        return o;
    }
};

} // namespace solvane::test
