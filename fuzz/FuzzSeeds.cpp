// solvane-fuzz-seeds WORK: the fuzz targets' base day and seed corpora, made from a generated day.
//
//   WORK/base               an application folder with one race day (2024年01月06日), cut down to the
//                           first venue's first three races so that each fuzz run stays quick
//   WORK/corpus/<target>/   seeds for each target, taken from the generated day's own files
//
// The generator is deterministic, so the same build always makes the same base day; a finding's input
// reproduces against it. A WORK that holds a finished base is left as it is.
#include "FuzzSupport.h"

#include "app/WorkFolders.h"
#include "feedgen/Feed.h"
#include "jvdata/CodeTables.h"
#include "jvdata/LocalJVLink.h"
#include "kaime/AppearanceRates.h"
#include "kaime/KaimeBuild.h"
#include "raceday/DayFiles.h"
#include "raceday/DayLoader.h"
#include "raceday/Forecast.h"
#include "store/BulkImport.h"
#include "store/Store.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"
#include "verify/Backtest.h"
#include "verify/SelectionRule.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace solvane;

namespace {

// Bump when the base day or the seeds change, so that old work folders are made again.
constexpr std::string_view kVersion = "3";

std::vector<std::string> Lines(std::string_view bytes)
{
    std::vector<std::string> lines;
    ForEachLine(bytes, [&](std::string_view line) {
        if (!line.empty())
            lines.emplace_back(line);
        return true;
    });
    return lines;
}

std::string Crlf(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& l : lines)
        out += l + "\r\n";
    return out;
}

std::string Key(std::string_view record)
{
    return record.size() >= 27 ? std::string(record.substr(11, 16)) : "";
}

class Seeds {
public:
    explicit Seeds(fs::path corpus) : corpus_(std::move(corpus)) {}
    // One seed of a target: an optional selector byte before the bytes.
    void add(const std::string& target, std::string_view bytes, int selector = -1)
    {
        const fs::path dir = corpus_ / target;
        fs::create_directories(dir);
        std::string content;
        if (selector >= 0)
            content += static_cast<char>(selector);
        content += bytes;
        fuzz::WriteBytes(dir / ("seed-" + std::to_string(++count_[target])), content);
    }

private:
    fs::path corpus_;
    std::map<std::string, int> count_;
};

bool Fail(const std::string& what)
{
    std::fprintf(stderr, "solvane-fuzz-seeds: %s\n", what.c_str());
    return false;
}

bool Make(const fs::path& work)
{
    const fs::path feed = work / "feed", home = work / "home", base = work / "base";
    for (const fs::path& p : {feed, home, base, work / "corpus"})
        fs::remove_all(p);
    const std::string day(fuzz::kBaseDayKey);

    // The generated day, imported as the import window does it.
    feedgen::FeedOptions fo;
    fo.out = feed;
    fo.from = DateTime{2024, 1, 6};
    fo.to = fo.from;
    fo.now = DateTime{2024, 1, 10, 9, 0, 0}; // the day run, with results, payouts and snapshots
    std::string error;
    if (!feedgen::GenerateFeed(fo, nullptr, &error))
        return Fail("feed: " + error);
    const fs::path& runFeed = feed;
    writeFileAtomic(runFeed / "faults.ini", "[Download]\r\ntime=0\r\n");
    if (!CreateWorkFolders(home, &error))
        return Fail("home: " + error);
    ManualClock clock(DateTime{2024, 1, 10, 9, 0, 0});
    LocalJVLink link(runFeed, clock);
    link.JVInit("FUZZ");
    JVCancelFlag cancel{false};
    BulkImportOptions import;
    import.dataFolder = StoreFolder(home);
    import.start = DateTime{2024, 1, 1};
    import.setupData = true;
    BulkImport run(link, cancel, import);
    if (run.run().error)
        return Fail("import: " + run.result().message);

    // The base day: the first venue's races 1-3 of every keyed file, that venue's runner file.
    const fs::path data = StoreFolder(home);
    const std::vector<std::string> ra = Lines(fuzz::ReadBytes(data / pathFromUtf8(day + ".jvRA")));
    if (ra.empty())
        return Fail("the generated day has no races");
    const std::string venueCode = ra.front().substr(19, 2);
    const std::string venue = fromSjis(TrackName(venueCode));
    std::set<std::string> keys;
    for (const std::string& l : ra) {
        if (l.substr(19, 2) == venueCode && FieldInt(l, 26, 2) <= 3)
            keys.insert(Key(l));
    }
    fs::create_directories(base / "Data");
    fs::create_directories(base / "CHG");
    fs::create_directories(base / "harunire" / "DATA");
    std::map<std::string, std::vector<std::string>> kept; // suffix -> lines
    for (const std::string suffix :
         {".jvRA", ".jvHR", ".jvO1", ".jvO2", ".jvO3", ".jvO4", ".jvO5", ".jvO6", ".jvDM", ".jvTM"}) {
        std::vector<std::string>& out = kept[suffix];
        for (const std::string& l : Lines(fuzz::ReadBytes(data / pathFromUtf8(day + suffix)))) {
            if (keys.count(Key(l)))
                out.push_back(l);
        }
        fuzz::WriteBytes(base / "Data" / pathFromUtf8(day + suffix), Crlf(out));
    }
    const std::string seName = day + venue + ".jvSEr";
    const std::string se = fuzz::ReadBytes(data / pathFromUtf8(seName));
    fuzz::WriteBytes(base / "Data" / pathFromUtf8(seName), se);
    const std::string compName = day + venue + ".comp";
    const std::string comp = fuzz::ReadBytes(feed / "harunire" / "DATA" / pathFromUtf8(compName));
    fuzz::WriteBytes(base / "harunire" / "DATA" / pathFromUtf8(compName), comp);

    // Forecast files from the pasted texts, the weather snapshot, a start-time change.
    const std::string fiText = fuzz::ReadBytes(feed / "paste" / (std::string(fuzz::kBaseDate) + ".fi.txt"));
    const std::string tfText = fuzz::ReadBytes(feed / "paste" / (std::string(fuzz::kBaseDate) + ".tf.txt"));
    const ForecastPlan fi = ReadForecast(ForecastKind::FI, ForecastTextToSjis(fiText));
    const ForecastPlan tf = ReadForecast(ForecastKind::TF, ForecastTextToSjis(tfText));
    fuzz::WriteBytes(base / "Data" / pathFromUtf8(day + ".FI"), Crlf(fi.lines));
    fuzz::WriteBytes(base / "Data" / pathFromUtf8(day + ".TF"), Crlf(tf.lines));
    std::string we;
    for (const auto& e : fs::directory_iterator(feed / "RT" / "0B14" / std::string(fuzz::kBaseDate)))
        we = fuzz::ReadBytes(e.path());
    fuzz::WriteBytes(base / "CHG" / pathFromUtf8(day + ".WE"), we);
    std::string tc(43, ' ');
    tc.replace(0, 3, "TC1");
    tc.replace(3, 8, "20240106");
    tc.replace(11, 16, Key(ra.front()));
    tc.replace(27, 8, "01060930");
    tc.replace(35, 8, "10201005");
    fuzz::WriteBytes(base / "CHG" / pathFromUtf8(day + ".TC"), tc + "\r\n");
    const std::string newFile = "1\r\n2\r\n3\r\n01060900\r\n5\r\n";

    // Seeds of the day target: selector = the file's index in the target's table, then one or a few
    // records of the file (a whole trifecta file would not fit the input size).
    Seeds seeds(work / "corpus");
    const std::vector<std::string> dayFiles{".jvRA", "@SE",   ".jvHR", ".jvO1", ".jvO2", ".jvO3",
                                            ".jvO4", ".jvO5", ".jvO6", ".jvDM", ".jvTM"};
    for (std::size_t i = 0; i < dayFiles.size(); ++i) {
        std::vector<std::string> lines = dayFiles[i] == "@SE" ? Lines(se) : kept[dayFiles[i]];
        lines.resize(std::min<std::size_t>(lines.size(), dayFiles[i] == "@SE" ? 4 : 1));
        seeds.add("day_files", Crlf(lines), static_cast<int>(i));
    }
    seeds.add("day_files", we, 11);
    seeds.add("day_files", tc + "\r\n", 12);
    seeds.add("day_files", newFile, 13);
    seeds.add("day_files", Crlf(fi.lines), 14);
    seeds.add("day_files", Crlf(tf.lines), 15);
    seeds.add("day_files", comp, 16);

    // The feed files as JV-Link serves them to the import: the first record of each.
    for (const char* id : {"RACE", "MING"}) {
        for (const auto& e : fs::directory_iterator(runFeed / id)) {
            std::vector<std::string> lines = Lines(fuzz::ReadBytes(e.path()));
            lines.resize(std::min<std::size_t>(lines.size(), 1));
            if (!lines.empty() && lines.front().size() < 20000)
                seeds.add("import", Crlf(lines), std::string(id) == "RACE" ? 0 : 1);
        }
    }
    seeds.add("import", "[JVRead]\r\nresult=-502\r\nafter=1\r\n[Download]\r\ntime=0\r\n", 2);

    // The settings file and the saved appearance counts.
    seeds.add("settings",
              "[Dir]\r\nharunire=C:\\harunire\r\njikeiretu=\"\"\r\n[Time]\r\nAutoOzGet=10\r\nAutoOzGetSec=30\r\n"
              "[KaimeSet]\r\nDefaultAmountTan=3000\r\nHaibunSet=2\r\n; comment\r\n[JVLink]\r\nFeed=｢/tmp/feed｣\r\n",
              0);
    seeds.add("settings", fuzz::ReadBytes(home / "solvane.ini"), 0);
    const std::string fingerprint = StoreFingerprint(data);
    seeds.add("settings", SaveAppearanceCounts(CountStoredRaces(data), fingerprint), 1);

    // The pasted forecast texts as the window gets them.
    seeds.add("forecast", ForecastTextToSjis(fiText), 0);
    seeds.add("forecast", ForecastTextToSjis(tfText), 1);
    seeds.add("forecast", fiText, 2);

    // Time-series snapshots of the base day's first race: the first line of each kind.
    const std::string snapKey = ra.front().substr(19, 8);
    for (int k = 1; k <= 6; ++k) {
        std::vector<std::string> lines = Lines(fuzz::ReadBytes(feed / "jikeiretu" / std::string(fuzz::kBaseDate) /
                                                               (snapKey + ".jvO" + std::to_string(k))));
        lines.resize(std::min<std::size_t>(lines.size(), k == 6 ? 1 : 2));
        seeds.add("timeseries", Crlf(lines), k - 1);
    }

    // Command-line words: days, races, marks.
    for (const char* w : {"2024年01月06日", "20240106", "20240229", "2023年02月29日"})
        seeds.add("cli_args", w, 0);
    for (const char* w : {"中山11R", "06-11", "35", "0", "京都1R"})
        seeds.add("cli_args", w, 1);
    for (const char* w : {"◎=1,2 ○=3,4 ▲=5", "◎=18", "▲=1,2,3,4,5,6,7,8"})
        seeds.add("cli_args", w, 2);

    // Rule files.
    SelectionRule rule;
    seeds.add("rule_file", FormatRuleFile(rule));
    rule.groups[0].andMode = true;
    for (int c = 0; c < kRuleConditions; ++c) {
        rule.groups[0].select(static_cast<RuleCondition>(c), 0, true);
        rule.groups[1].select(static_cast<RuleCondition>(c), 1, true);
        rule.groups[2].select(static_cast<RuleCondition>(c), c % 3, true);
    }
    seeds.add("rule_file", FormatRuleFile(rule));
    seeds.add("rule_file", "\xEF\xBB\xBF; rule\r\n[◎]\r\nMode=OR\r\nCompi=1,2\r\n\r\n[○]\r\nMode=AND\r\n");

    // Backtest lines of the base day's races, as the backtest writes them.
    {
        auto model = std::make_unique<RaceDay>();
        LoadOptions lo;
        lo.appFolder = base;
        const ManualClock at(DateTime{2024, 1, 10, 9, 0, 0});
        (void)DateComboChange(*model, fuzz::kBaseDayKey, lo, at);
        Marks marks;
        marks.set(MarkKind::Honmei, 1, true);
        marks.set(MarkKind::Taikou, 2, true);
        marks.set(MarkKind::Tanana, 3, true);
        std::string file;
        for (const RaceListItem& item : model->RaceList) {
            const KaimeContext ctx = ContextOf(*model, item.slot, 1000, HaibunMode::Kinto, nullptr);
            const KaimeTables tables = KaimeMakeBtnClick(*model, item.slot, marks, MultiOptions{}, ctx);
            const BacktestLine line = MakeBacktestLine(*model, item.slot, FiguresOf(tables));
            if (!line.line.empty()) {
                seeds.add("backtest_file", line.line + "\r\n");
                file += line.line + "\r\n";
            }
        }
        seeds.add("backtest_file", file);
    }

    fuzz::WriteBytes(base / ".version", std::string(kVersion));
    fs::remove_all(feed);
    fs::remove_all(home / "Data");
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const fs::path work = argc > 1 ? fs::path(argv[1]) : fuzz::WorkFolder();
    if (fuzz::ReadBytes(work / "base" / ".version") == kVersion) // ReadBytes gives "" for a missing file
        return 0;
    fs::create_directories(work);
    if (!Make(work))
        return 1;
    std::printf("fuzz base day and seeds written to %s\n", work.string().c_str());
    return 0;
}
