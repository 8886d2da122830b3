// Every JV-Link result code of the message tables, injected through faults.ini of the local component
// into each path that talks to JV-Link: the bulk import, the four race-day fetches and the automatic
// schedule (odds pass, mining and results, changes). For each code and path: the message the person
// sees, the error-log line, the store (unchanged after a failed open, holding exactly what was read
// before a read error, complete after a close error) and a clean run right after that works.
//
// With SOLVANE_FAULT_MATRIX_OUT set, the table of what was tried and seen is written there (Markdown).
#include "hardening/HardeningSupport.h"

#include "app/AppLogs.h"
#include "jvdata/CodeTables.h"
#include "jvdata/JVMessage.h"
#include "raceday/DayLoader.h"
#include "support/GeneratedSeason.h"
#include "voting/LiveDay.h"
#include "voting/RealTimeFetch.h"
#include "voting/Schedule.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

namespace solvane::test {
namespace {

constexpr std::string_view kDay = "2024年01月06日";

// The codes of the message tables, and one that no table holds.
const std::vector<int> kOpenCodes{-1,   -2,   -111, -112, -114, -115, -116, -201, -202, -211, -301,
                                  -302, -303, -401, -411, -412, -413, -421, -431, -501, -504, -999};
const std::vector<int> kStatusCodes{-201, -203, -502, -999};
const std::vector<int> kReadCodes{-201, -202, -203, -402, -403, -502, -503, -999};
const std::vector<int> kCloseCodes{-1, -201, -999};

// The component as JV-Link answers, except that every request ends (JVRead 0) once `after` records
// were read: what an import or fetch stores when its data simply ends where a read fault strikes.
class EndAfter : public JVLink {
public:
    EndAfter(JVLink& inner, long long after) : inner_(inner), after_(after) {}
    int JVInit(const std::string& sid) override { return inner_.JVInit(sid); }
    int JVSetUIProperties() override { return inner_.JVSetUIProperties(); }
    int JVOpen(const std::string& dataspec, const std::string& fromtime, int option, int& readCount, int& downloadCount,
               std::string& lastFileTimestamp) override
    {
        served_ = 0;
        return inner_.JVOpen(dataspec, fromtime, option, readCount, downloadCount, lastFileTimestamp);
    }
    int JVRTOpen(const std::string& dataspec, const std::string& key) override
    {
        served_ = 0;
        return inner_.JVRTOpen(dataspec, key);
    }
    int JVStatus() override { return inner_.JVStatus(); }
    int JVRead(std::string& record, int bufferSize, std::string& fileName) override
    {
        if (served_ >= after_)
            return 0;
        const int rc = inner_.JVRead(record, bufferSize, fileName);
        served_ += rc > 0;
        return rc;
    }
    void JVCancel() override { inner_.JVCancel(); }
    int JVClose() override { return inner_.JVClose(); }

private:
    JVLink& inner_;
    long long after_;
    long long served_ = 0;
};

enum class Path { Import, Odds, Results, Mining, Changes, Auto };
const char* pathName(Path p)
{
    switch (p) {
    case Path::Import:
        return "bulk import";
    case Path::Odds:
        return "fetch odds (0B30)";
    case Path::Results:
        return "fetch results (0B12)";
    case Path::Mining:
        return "fetch mining (0B13, 0B17)";
    case Path::Changes:
        return "fetch changes (0B14)";
    case Path::Auto:
        return "automatic pass";
    }
    return "";
}

enum class Op { Open, Status, Read, Close };
const char* opName(Op op)
{
    switch (op) {
    case Op::Open:
        return "JVOpen";
    case Op::Status:
        return "JVStatus";
    case Op::Read:
        return "JVRead";
    case Op::Close:
        return "JVClose";
    }
    return "";
}

// One real-time request job as it ran: its kind, its error-log lines, whether it found nothing.
enum class Job { Odds, Pass, Results, Mining, Changes };
struct JobSeen {
    Job job = Job::Odds;
    std::string trackRace; // of the odds-pass entry, or of the selected race
    std::vector<std::string> errors;
    bool noData = false;
    bool oddsFetched = false;
};

// What one run showed.
struct Seen {
    std::vector<std::string> messages; // the import's messages, or every fetch's error texts in order
    std::vector<JobSeen> jobs;
    std::vector<std::string> errorLog; // ErrorLog.txt lines (UTF-8)
    std::vector<std::string> daily;    // daily log lines (UTF-8)
    bool lastTimeMoved = false;        // the import gave a new LastTime
    bool failed = false;
};

// The generated live day (Saturday 2024-01-06, 24 races), imported at 09:30; fetches run at 12:30.
class FaultMatrix : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Hundreds of runs rewrite the store files; on a disk each replacing rename costs a flush, so
        // the folders go to memory when /dev/shm is there (renames behave the same).
        const char* old = std::getenv("SOLVANE_TEST_TMP");
        const std::string saved = old ? old : "";
        if (::access("/dev/shm", W_OK) == 0)
            ::setenv("SOLVANE_TEST_TMP", "/dev/shm", 1);
        season_ = new LiveRaceDay;
        ASSERT_EQ(season_->error, "");
        base_ = new TempDir;
        copyFolder(season_->home, base_->path());
        if (old)
            ::setenv("SOLVANE_TEST_TMP", saved.c_str(), 1);
        else
            ::unsetenv("SOLVANE_TEST_TMP");
    }
    static void TearDownTestSuite()
    {
        delete base_;
        delete season_;
        if (const char* out = std::getenv("SOLVANE_FAULT_MATRIX_OUT"); out && *out)
            std::ofstream(out, std::ios::binary) << table_;
    }

    GeneratedSeason& s() { return *season_; }
    fs::path home() { return s().home; }
    DateTime fetchTime() { return DateTime{2024, 1, 6, 12, 30, 0}; }

    // The home folder as the import left it (or with an empty store for import runs), no logs.
    void restore(bool emptyStore)
    {
        copyFolder(base_->path(), home(), true);
        fs::remove(ErrorLogPath(home()));
        fs::remove_all(home() / "Log");
        fs::create_directories(home() / "Log");
        if (emptyStore) {
            fs::remove_all(home() / "Data");
            fs::create_directories(home() / "Data");
        }
        std::error_code ec;
        fs::remove(s().feed / ".downloaded", ec);
    }

    std::unique_ptr<RaceDay> loadDay()
    {
        auto day = std::make_unique<RaceDay>();
        LoadOptions options;
        options.appFolder = home();
        EXPECT_TRUE(DateComboChange(*day, kDay, options, s().clock).loaded);
        // The race the fetches work on: the first whose odds fall due after 12:40.
        for (const RaceListItem& item : day->RaceList)
            if (day->RaceRecs[static_cast<std::size_t>(item.slot)].AutoOzTime >= "124000") {
                day->CurRace = item.slot;
                break;
            }
        return day;
    }

    // The store, the change files and nothing else.
    std::map<std::string, std::string> store()
    {
        std::map<std::string, std::string> all;
        for (const char* sub : {"Data", "CHG"})
            for (auto& [name, bytes] : readFolder(home() / sub).files)
                all[std::string(sub) + "/" + name] = std::move(bytes);
        return all;
    }

    std::vector<std::string> logLines(const fs::path& file)
    {
        return splitLines(fromSjis(readFile(file).value_or("")));
    }

    // One run of a path against link, from a freshly restored home; returns what it showed.
    Seen run(Path path, JVLink& link)
    {
        Seen seen;
        if (path == Path::Import) {
            s().clock.set(DateTime{2024, 1, 6, 9, 30, 0});
            const BulkImportResult r = ImportInto(link, StoreFolder(home()), DateTime{2024, 1, 1});
            seen.messages = r.messages;
            seen.failed = r.error;
            seen.lastTimeMoved = r.LastTime.has_value();
            return seen;
        }
        std::unique_ptr<RaceDay> day;
        FetchEnv env{s().clock};
        env.appendErrorLog = [this](const std::string& line) { AppendErrorLog(home(), s().clock, line); };
        std::string selected;
        const auto take = [&](Job job, const FetchResult& r) {
            EXPECT_TRUE(r.ran);
            JobSeen j{job, selected, r.errorLog, r.noData, r.oddsFetched};
            if (job == Job::Pass && !r.statusTexts.empty()) // "中山11R ｵｯｽﾞ取得中"
                j.trackRace = r.statusTexts.front().substr(0, r.statusTexts.front().find("R ｵｯｽﾞ取得中"));
            seen.messages.insert(seen.messages.end(), r.errorLog.begin(), r.errorLog.end());
            seen.failed = seen.failed || r.failed();
            seen.jobs.push_back(std::move(j));
        };
        const auto trackRaceOf = [&](const RaceDay& d) {
            const std::string& ra = d.RaRecs[static_cast<std::size_t>(d.CurRace)];
            return fromSjis(TrackName(field(ra, 20, 2))) + PadNumber(field(ra, 26, 2));
        };
        if (path != Path::Auto) {
            s().clock.set(fetchTime());
            day = loadDay();
            selected = trackRaceOf(*day);
            if (path == Path::Odds)
                take(Job::Odds, SokuhoOddsBtnClick(link, *day, env));
            else if (path == Path::Results)
                take(Job::Results, KekkaGetBtnClick(link, *day, env));
            else if (path == Path::Mining)
                take(Job::Mining, GetDMBtnClick(link, *day, env));
            else
                take(Job::Changes, GetKaisaiBtnClick(link, *day, env));
        } else {
            // Ten minutes of the one-second timer up to the chosen race's odds time: odds passes,
            // Timer4 (mining, results) and HenkoTimer (changes) all run.
            s().clock.set(fetchTime());
            day = loadDay();
            const std::string due = day->RaceRecs[static_cast<std::size_t>(day->CurRace)].AutoOzTime;
            const DateTime dueAt{2024,
                                 1,
                                 6,
                                 static_cast<int>(toIntDef(due.substr(0, 2), 0)),
                                 static_cast<int>(toIntDef(due.substr(2, 2), 0)),
                                 static_cast<int>(toIntDef(due.substr(4, 2), 0))};
            const DateTime from = dueAt.addSeconds(-600);
            s().clock.set(from);
            day = loadDay();
            selected = trackRaceOf(*day);
            ScheduleState state;
            state.onDayLoaded(*day, DayLoadResult{.loaded = true, .isToday = true, .runTodayTimers = true}, 10, from);
            DailyLog daily;
            daily.open(home() / "Log", from);
            const auto dailyLine = [&](const std::string& line) { daily.append(line); };
            for (DateTime t = from; t <= dueAt; t = t.addSeconds(1)) {
                s().clock.set(t);
                const DueActions due = state.tick(*day, t, ScheduleSettings{});
                if (!due.any())
                    continue;
                const TickOutcome outcome = RunDueActions(state, link, *day, env, due, dailyLine);
                for (const FetchResult& r : outcome.fetches) {
                    const std::string busy = r.statusTexts.empty() ? "" : r.statusTexts.front();
                    take(busy.ends_with("ｵｯｽﾞ取得中")    ? Job::Pass
                         : busy == "DM取得中"            ? Job::Mining
                         : busy == "ﾚｰｽ情報データ取得中" ? Job::Results
                                                         : Job::Changes,
                         r);
                }
            }
            for (const std::string& line : daily.lines())
                seen.daily.push_back(fromSjis(line));
        }
        seen.errorLog = logLines(ErrorLogPath(home()));
        return seen;
    }

    static GeneratedSeason* season_;
    static TempDir* base_;
    static std::string table_;
};

GeneratedSeason* FaultMatrix::season_ = nullptr;
TempDir* FaultMatrix::base_ = nullptr;
std::string FaultMatrix::table_;

std::string joined(const std::vector<std::string>& lines, std::string_view sep = " / ")
{
    std::string out;
    for (const std::string& l : lines)
        out += (out.empty() ? "" : std::string(sep)) + l;
    return out.empty() ? "—" : out;
}

// The messages with runs of the same text written once with their count.
std::string collapsed(const std::vector<std::string>& messages)
{
    std::string out;
    for (std::size_t i = 0; i < messages.size();) {
        std::size_t j = i;
        while (j < messages.size() && messages[j] == messages[i])
            ++j;
        out += (out.empty() ? "" : "<br>") + messages[i] + (j - i > 1 ? " ×" + std::to_string(j - i) : "");
        i = j;
    }
    return out.empty() ? "—" : out;
}

// The error texts a job gives when every request it makes meets the fault.
std::vector<std::string> expectedErrors(const JobSeen& job, Op op, int code)
{
    const std::size_t requests = job.job == Job::Mining ? 2 : 1;
    if (op != Op::Open)
        return std::vector<std::string>(requests, JVFailure(opName(op), code, ""));
    if (code == -1)
        return {};
    const std::string m = JVFailure("JVRTOpen", code, "");
    switch (job.job) {
    case Job::Pass:
        return {job.trackRace + "R:" + m};
    case Job::Odds:
        return {job.trackRace + "R:ｵｯｽﾞ取得エラー：" + m};
    case Job::Results:
        return {job.trackRace + "R:ﾚｰｽ情報データ取得エラー：" + m};
    case Job::Mining:
        return {job.trackRace + "R:DMデータ取得エラー：" + m, job.trackRace + "R:DMデータ取得エラー：" + m};
    case Job::Changes:
        return {job.trackRace + "R:開催速報データ取得エラー：" + m};
    }
    return {};
}

TEST_F(FaultMatrix, EveryCodeOnEveryPath)
{
    std::map<std::string, std::map<std::string, std::string>> references; // path/after -> store
    // The store a run leaves when its data ends after `after` records (LLONG_MAX: read to the end).
    const auto reference = [&](Path path, long long after) {
        const std::string key = std::to_string(static_cast<int>(path)) + "/" + std::to_string(after);
        if (!references.count(key)) {
            restore(path == Path::Import);
            s().setFaults("");
            EndAfter link(*s().link, after);
            const Seen clean = run(path, link);
            EXPECT_FALSE(clean.failed) << pathName(path) << " " << joined(clean.messages);
            references[key] = store();
        }
        return references[key];
    };

    table_ =
        "| Path | Fault (faults.ini) | Message shown | Error-log lines | Store after the fault | Clean run after |\n"
        "|---|---|---|---|---|---|\n";
    for (const Path path : {Path::Import, Path::Odds, Path::Results, Path::Mining, Path::Changes, Path::Auto}) {
        std::vector<std::pair<Op, int>> cells;
        for (int c : kOpenCodes)
            cells.emplace_back(Op::Open, c);
        if (path == Path::Import)
            for (int c : kStatusCodes)
                cells.emplace_back(Op::Status, c);
        for (int c : kReadCodes)
            cells.emplace_back(Op::Read, c);
        for (int c : kCloseCodes)
            cells.emplace_back(Op::Close, c);

        const long long after = path == Path::Import ? 50 : 1;
        const auto full = reference(path, LLONG_MAX);
        const auto partial = reference(path, after);
        for (const auto& [op, code] : cells) {
            const std::string section = op == Op::Open ? (path == Path::Import ? "JVOpen" : "JVRTOpen") : opName(op);
            std::string fault = "[" + section + "] result=" + std::to_string(code);
            SCOPED_TRACE(std::string(pathName(path)) + " " + fault);
            restore(path == Path::Import);
            const std::map<std::string, std::string> before = store();
            std::string faults = "[" + section + "]\nresult=" + std::to_string(code) + "\n";
            if (op == Op::Read) {
                faults += "after=" + std::to_string(after) + "\n";
                fault += " after=" + std::to_string(after);
            }
            if (op == Op::Status) { // one file downloads per call, and the fault strikes after the first
                faults += "after=1\n[Download]\ncalls=1\n";
                fault += " after=1, [Download] calls=1";
            }
            s().setFaults(faults);
            const Seen seen = run(path, *s().link);
            const std::map<std::string, std::string> stored = store();

            const std::map<std::string, std::string>& expectedStore = op == Op::Open || op == Op::Status ? before
                                                                      : op == Op::Read                   ? partial
                                                                                                         : full;
            const std::string storeWant = op == Op::Open || op == Op::Status ? "unchanged"
                                          : op == Op::Read                   ? "exactly the " + std::to_string(after) +
                                                                 " record(s) of each request read before the fault"
                                                           : "complete: everything read was stored";
            if (path == Path::Import) {
                const std::string want = op == Op::Open ? (code == -1 ? std::string("最新のデータがありません。")
                                                                      : "JVOpenエラー:" + JVFailure("JVOpen", code, ""))
                                         : op == Op::Status ? "JVStatusエラー:" + JVFailure("JVStatus", code, "")
                                         : op == Op::Read   ? "JVReadエラー:" + JVFailure("JVRead", code, "")
                                                            : "JVCloseエラー:" + JVFailure("JVClose", code, "");
                EXPECT_EQ(seen.messages, std::vector<std::string>{want});
                EXPECT_EQ(seen.failed, !(op == Op::Open && code == -1));
                // LastTime moves only when the data was read to its end.
                EXPECT_EQ(seen.lastTimeMoved, op == Op::Close);
                EXPECT_FALSE(fs::exists(ErrorLogPath(home())));
            } else {
                std::vector<std::string> want;
                std::size_t passes = 0, passesRead = 0;
                for (const JobSeen& job : seen.jobs) {
                    const auto errors = expectedErrors(job, op, code);
                    EXPECT_EQ(job.errors, errors);
                    want.insert(want.end(), errors.begin(), errors.end());
                    EXPECT_EQ(job.noData, op == Op::Open && code == -1);
                    passes += job.job == Job::Pass;
                    passesRead += job.job == Job::Pass && job.oddsFetched;
                }
                if (path == Path::Auto) {
                    EXPECT_GE(passes, 1u);
                    EXPECT_GE(seen.jobs.size(), passes + 3) << "mining, results and changes ran too";
                    // The daily log holds a line for each pass race whose odds were read to the end.
                    std::size_t dailyLines = 0;
                    for (const std::string& line : seen.daily)
                        dailyLines += line.starts_with("■オッズ取得 ");
                    EXPECT_EQ(dailyLines, passesRead);
                    EXPECT_EQ(passesRead, op == Op::Close ? passes : 0u);
                }
                // Every error is in the error log, in order, with the time it happened.
                ASSERT_EQ(seen.errorLog.size(), want.size());
                for (std::size_t i = 0; i < want.size(); ++i) {
                    EXPECT_TRUE(seen.errorLog[i].starts_with("【エラー】")) << seen.errorLog[i];
                    EXPECT_TRUE(seen.errorLog[i].ends_with("：" + want[i])) << seen.errorLog[i];
                }
            }
            // The store holds exactly what it should, file by file.
            bool storeOk = stored.size() == expectedStore.size();
            EXPECT_EQ(stored.size(), expectedStore.size());
            for (const auto& [name, bytes] : expectedStore) {
                const auto it = stored.find(name);
                const bool same = it != stored.end() && it->second == bytes;
                storeOk = storeOk && same;
                EXPECT_TRUE(same) << name;
            }

            // The program goes on: the same run without the fault works and completes the store.
            s().setFaults("");
            const Seen clean = run(path, *s().link);
            EXPECT_FALSE(clean.failed) << joined(clean.messages);
            const bool completed = store() == full;
            EXPECT_TRUE(completed) << "the clean run after the fault left another store";

            std::string shown = collapsed(seen.messages);
            if (path != Path::Import && op == Op::Open && code == -1)
                shown = "none: nothing for the key yet, not an error";
            const std::string log = path == Path::Import ? "— (the import shows dialogs, no log)"
                                    : seen.errorLog.empty()
                                        ? "none"
                                        : std::to_string(seen.errorLog.size()) + ", e.g. " + seen.errorLog.front();
            table_ += "| " + std::string(pathName(path)) + " | `" + fault + "` | " + shown + " | " + log + " | " +
                      (storeOk ? storeWant : "WRONG, expected " + storeWant) + " | " +
                      (clean.failed || !completed ? "FAILED" : "ok") + " |\n";
            if (HasFailure())
                return;
        }
    }
}

} // namespace
} // namespace solvane::test
