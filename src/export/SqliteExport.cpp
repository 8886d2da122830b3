#include "export/SqliteExport.h"

#include "export/ExportRows.h"
#include "raceday/RaceDay.h"
#include "util/Files.h"
#include "util/Text.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sqlite3.h>
#include <system_error>
#include <thread>

namespace solvane {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT);
CREATE TABLE IF NOT EXISTS races(race_key TEXT PRIMARY KEY, date TEXT, venue_code TEXT, venue TEXT,
  race_no INTEGER, name TEXT, grade TEXT, surface TEXT, distance INTEGER, runners INTEGER, post_time TEXT,
  weather TEXT, going TEXT) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS races_date ON races(date);
CREATE TABLE IF NOT EXISTS runners(race_key TEXT, horse_no INTEGER, bracket INTEGER, horse_name TEXT,
  sex_age TEXT, jockey TEXT, weight REAL, trainer TEXT, placing INTEGER, win_odds REAL, win_popularity INTEGER,
  PRIMARY KEY(race_key, horse_no)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS payouts(race_key TEXT, bet_type TEXT, combination TEXT, payout INTEGER,
  popularity INTEGER);
CREATE INDEX IF NOT EXISTS payouts_race ON payouts(race_key, bet_type);
CREATE TABLE IF NOT EXISTS odds(race_key TEXT, bet_type TEXT, combination TEXT, odds REAL, odds_high REAL,
  popularity INTEGER);
CREATE INDEX IF NOT EXISTS odds_race ON odds(race_key, bet_type);
)";

// Names the meta table gives a file this program wrote.
constexpr std::string_view kProgramName = "Solvane";

// A day load that is never "today": the export reads the store as it stands, so no change file is
// applied and nothing is written back into the store.
const ManualClock& neverToday()
{
    static const ManualClock clock(DateTime{1970, 1, 1, 0, 0, 0});
    return clock;
}

class Database {
public:
    Database() = default;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    ~Database()
    {
        if (db_)
            sqlite3_close_v2(db_);
    }

    bool open(const fs::path& file, int flags)
    {
        const int rc = sqlite3_open_v2(pathToUtf8(file).c_str(), &db_, flags, nullptr);
        if (rc == SQLITE_OK)
            sqlite3_busy_timeout(db_, 5000);
        return rc == SQLITE_OK;
    }
    sqlite3* get() const { return db_; }
    int code() const { return db_ ? sqlite3_errcode(db_) : SQLITE_NOMEM; }
    std::string error() const { return db_ ? sqlite3_errmsg(db_) : "out of memory"; }
    bool exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

private:
    sqlite3* db_ = nullptr;
};

// A prepared statement; its parameters are bound from 1 on, in order, by add().
class Statement {
public:
    Statement(Database& db, const char* sql)
    {
        ok_ = sqlite3_prepare_v3(db.get(), sql, -1, SQLITE_PREPARE_PERSISTENT, &s_, nullptr) == SQLITE_OK;
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() { sqlite3_finalize(s_); }
    bool ok() const { return ok_; }

    Statement& add(std::string_view text)
    {
        sqlite3_bind_text(s_, ++n_, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
        return *this;
    }
    Statement& add(int v)
    {
        sqlite3_bind_int(s_, ++n_, v);
        return *this;
    }
    Statement& add(double v)
    {
        sqlite3_bind_double(s_, ++n_, v);
        return *this;
    }
    template <class T> Statement& add(const std::optional<T>& v)
    {
        if (v)
            return add(*v);
        sqlite3_bind_null(s_, ++n_);
        return *this;
    }
    // Runs the statement with the bound values; ready for the next ones afterwards.
    bool run()
    {
        const int rc = sqlite3_step(s_);
        sqlite3_reset(s_);
        n_ = 0;
        return rc == SQLITE_DONE || rc == SQLITE_ROW;
    }
    // Steps a query; the columns of the row are read with text().
    bool next() { return sqlite3_step(s_) == SQLITE_ROW; }
    std::string text(int column) const
    {
        const unsigned char* t = sqlite3_column_text(s_, column);
        return t ? reinterpret_cast<const char*>(t) : "";
    }

private:
    sqlite3_stmt* s_ = nullptr;
    bool ok_ = false;
    int n_ = 0;
};

std::string shown(const fs::path& file)
{
    return pathToUtf8(file);
}

std::string cannotWrite(const fs::path& file, const std::string& why)
{
    return "書き出し先に書き込めません：" + shown(file) + "（" + why + "）";
}

// Why the file cannot take the export, read without changing it; empty when it can (it is missing, empty
// or a database this program wrote).
std::string checkTarget(const fs::path& file)
{
    std::error_code ec;
    if (fs::is_directory(file, ec))
        return "書き出し先はフォルダです。ファイル名を指定してください：" + shown(file);
    const fs::path parent = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    if (!fs::is_directory(parent, ec))
        return cannotWrite(file, "フォルダがありません");
    if (!fs::exists(file, ec))
        return {};

    Database db;
    if (!db.open(file, SQLITE_OPEN_READONLY))
        return "書き出し先を読めません：" + shown(file) + "（" + db.error() + "）";
    std::set<std::string> tables;
    {
        Statement list(db, "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%'");
        if (!list.ok()) {
            if (db.code() == SQLITE_NOTADB)
                return "書き出し先はSQLiteのデータベースではありません：" + shown(file);
            return "書き出し先を読めません：" + shown(file) + "（" + db.error() + "）";
        }
        while (list.next())
            tables.insert(list.text(0));
    }
    if (tables.empty())
        return {};
    const std::string foreign = "書き出し先は別のプログラムのデータベースです（表 " + *tables.begin() +
                                "）。新しいファイルか、この書き出しで作ったファイルを指定してください：" + shown(file);
    if (!tables.count("meta"))
        return foreign;
    Statement meta(db, "SELECT key, value FROM meta WHERE key IN ('program', 'schema_version')");
    if (!meta.ok())
        return foreign;
    std::string program, version;
    while (meta.next())
        (meta.text(0) == "program" ? program : version) = meta.text(1);
    if (program != kProgramName || version.empty())
        return foreign;
    if (toIntDef(version, 0) > kSqlSchemaVersion)
        return "書き出し先はこの版より新しい形式で書き出されています（形式 " + version + "）：" + shown(file);
    return {};
}

// The statements of one export, prepared once.
struct Writer {
    explicit Writer(Database& db)
        : delRaces(db, "DELETE FROM races WHERE race_key >= ?1 AND race_key < ?1 || ':'"),
          delRunners(db, "DELETE FROM runners WHERE race_key >= ?1 AND race_key < ?1 || ':'"),
          delPayouts(db, "DELETE FROM payouts WHERE race_key >= ?1 AND race_key < ?1 || ':'"),
          delOdds(db, "DELETE FROM odds WHERE race_key >= ?1 AND race_key < ?1 || ':'"),
          race(db, "INSERT OR REPLACE INTO races VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
          runner(db, "INSERT OR REPLACE INTO runners VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
          payout(db, "INSERT INTO payouts VALUES (?, ?, ?, ?, ?)"),
          odds(db, "INSERT INTO odds VALUES (?, ?, ?, ?, ?, ?)")
    {
    }
    bool ok() const
    {
        return delRaces.ok() && delRunners.ok() && delPayouts.ok() && delOdds.ok() && race.ok() && runner.ok() &&
               payout.ok() && odds.ok();
    }

    Statement delRaces, delRunners, delPayouts, delOdds;
    Statement race, runner, payout, odds;
};

// The rows of one loaded day, made on the loading thread so that the writing thread only binds and
// steps. The odds rows' texts live in tables of their own, so the rows outlive the model they came from.
struct RaceRows {
    RaceRow race;
    std::vector<RunnerRow> runners;
    std::vector<PayoutRow> payouts;
    std::vector<OddsRow> odds;
};

struct DayRows {
    std::string dayKey;
    bool loaded = false;
    std::vector<std::string> notes;
    std::vector<RaceRows> races;
};

DayRows rowsOfDay(RaceDay& day, const std::string& dayKey, const LoadOptions& load, bool withOdds)
{
    DayRows rows;
    rows.dayKey = dayKey;
    // Without the odds table no odds file is read (the runners' win odds are those of their own records):
    // the odds files are most of a day's bytes.
    LoadOptions dayLoad = load;
    dayLoad.finalOddsKinds = withOdds ? 6 : 0;
    dayLoad.quiet = true; // no message for a day without data
    const DayLoadResult result = DateComboChange(day, dayKey, dayLoad, neverToday());
    rows.notes = result.notes.skipped;
    rows.loaded = result.loaded;
    if (!result.loaded) {
        rows.notes.push_back(dayKey + "：" +
                             (result.notes.error.empty() ? std::string(kNoDataMessage) : result.notes.error) +
                             "（この日は書き出していません）");
        return rows;
    }
    for (const RaceListItem& item : day.RaceList) {
        RaceRows& race = rows.races.emplace_back();
        race.race = RaceRowOf(day, item.slot);
        race.runners = RunnerRowsOf(day, item.slot);
        race.payouts = PayoutRowsOf(day, item.slot);
        if (withOdds)
            ForEachOddsRow(day, item.slot, [&race](const OddsRow& o) { race.odds.push_back(o); });
    }
    return rows;
}

// Loads the days one after the other on a thread of its own, at most two days ahead of the writer:
// loading and writing take about the same time, and each gets a core.
class DayLoads {
public:
    DayLoads(const std::vector<std::string>& days, const SqliteExportOptions& options, const std::atomic<bool>* cancel)
        : thread_([this, &days, &options, cancel] {
              auto day = std::make_unique<RaceDay>();
              for (const std::string& key : days) {
                  std::unique_lock lock(mutex_);
                  changed_.wait(lock, [this] { return stop_ || ready_.size() < 2; });
                  if (stop_ || (cancel && cancel->load(std::memory_order_relaxed)))
                      break;
                  lock.unlock();
                  DayRows rows = rowsOfDay(*day, key, options.load, options.odds);
                  lock.lock();
                  ready_.push_back(std::move(rows));
                  changed_.notify_all();
              }
              const std::lock_guard lock(mutex_);
              done_ = true;
              changed_.notify_all();
          })
    {
    }
    DayLoads(const DayLoads&) = delete;
    DayLoads& operator=(const DayLoads&) = delete;
    ~DayLoads()
    {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
            changed_.notify_all();
        }
        thread_.join();
    }

    // The next day in order; nothing once the loads stopped (cancelled) before it.
    std::optional<DayRows> next()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return done_ || !ready_.empty(); });
        if (ready_.empty())
            return std::nullopt;
        DayRows rows = std::move(ready_.front());
        ready_.pop_front();
        changed_.notify_all();
        return rows;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<DayRows> ready_;
    bool stop_ = false;
    bool done_ = false;
    std::thread thread_; // last: it starts once everything above is made
};

enum class DayWrite { Done, Cancelled, Failed };

// Writes the day inside the open transaction: its old rows deleted, its rows inserted; counts gets them.
DayWrite writeDay(Writer& w, const DayRows& day, bool withOdds, SqliteExportCounts& counts,
                  const std::atomic<bool>* cancel)
{
    const std::string prefix = DayDigits(day.dayKey);
    for (Statement* del : {&w.delRaces, &w.delRunners, &w.delPayouts, &w.delOdds}) {
        if (del == &w.delOdds && !withOdds)
            continue;
        if (!del->add(std::string_view(prefix)).run())
            return DayWrite::Failed;
    }
    bool ok = true;
    for (const RaceRows& race : day.races) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return DayWrite::Cancelled;
        const RaceRow& r = race.race;
        const std::string_view key = r.raceKey;
        ok = ok && w.race.add(key)
                       .add(std::string_view(r.date))
                       .add(std::string_view(r.venueCode))
                       .add(std::string_view(r.venue))
                       .add(r.raceNo)
                       .add(r.name)
                       .add(r.grade)
                       .add(r.surface)
                       .add(r.distance)
                       .add(r.runners)
                       .add(r.postTime)
                       .add(r.weather)
                       .add(r.going)
                       .run();
        for (const RunnerRow& u : race.runners) {
            ok = ok && w.runner.add(key)
                           .add(u.horseNo)
                           .add(u.bracket)
                           .add(u.horseName)
                           .add(u.sexAge)
                           .add(u.jockey)
                           .add(u.weight)
                           .add(u.trainer)
                           .add(u.placing)
                           .add(u.winOdds)
                           .add(u.winPopularity)
                           .run();
        }
        for (const PayoutRow& p : race.payouts) {
            ok = ok && w.payout.add(key)
                           .add(p.betType)
                           .add(std::string_view(p.combination))
                           .add(p.payout)
                           .add(p.popularity)
                           .run();
        }
        for (const OddsRow& o : race.odds) {
            ok = ok &&
                 w.odds.add(key).add(o.betType).add(o.combination).add(o.odds).add(o.oddsHigh).add(o.popularity).run();
        }
        if (!ok)
            return DayWrite::Failed;
        counts.races += 1;
        counts.runners += static_cast<long long>(race.runners.size());
        counts.payouts += static_cast<long long>(race.payouts.size());
        counts.odds += static_cast<long long>(race.odds.size());
    }
    return DayWrite::Done;
}

} // namespace

bool SqliteExportAvailable()
{
    return true;
}

SqliteExportResult ExportToSqlite(const SqliteExportOptions& options, const SqliteExportProgressFn& progress,
                                  const std::atomic<bool>* cancel)
{
    SqliteExportResult result;
    auto failed = [&](std::string message) {
        result.outcome = SqliteExportOutcome::Failed;
        result.message = std::move(message);
        return result;
    };
    if (std::string problem = checkTarget(options.file); !problem.empty())
        return failed(std::move(problem));
    const std::vector<std::string> days = ExportDays(options.load.appFolder, options.from, options.to);
    if (days.empty()) {
        result.message = std::string(kSqliteNoDays);
        return result;
    }

    Database db;
    if (!db.open(options.file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE))
        return failed(cannotWrite(options.file, db.error()));
    if (sqlite3_db_readonly(db.get(), "main") == 1)
        return failed(cannotWrite(options.file, "読み取り専用です"));
    // A day is a transaction, and both journals of SQLite leave whole days only when the process is
    // killed. Without odds a season is a hundred small commits: write-ahead logging commits them without
    // waiting for the disk each time. With odds the days are large and written once into new pages of
    // the file, where the log would write every page twice. Either way the file is left in the ordinary
    // mode, one file with nothing beside it.
    struct JournalMode {
        Database& db;
        JournalMode(Database& d, bool log) : db(d)
        {
            db.exec(log ? "PRAGMA journal_mode = WAL" : "PRAGMA journal_mode = DELETE");
        }
        ~JournalMode() { db.exec("PRAGMA journal_mode = DELETE"); }
        JournalMode(const JournalMode&) = delete;
        JournalMode& operator=(const JournalMode&) = delete;
    } journal(db, !options.odds);
    db.exec("PRAGMA synchronous = NORMAL");
    db.exec("PRAGMA cache_size = -65536");
    if (!db.exec("BEGIN IMMEDIATE"))
        return failed(cannotWrite(options.file, db.error()));
    if (!db.exec(kSchema)) {
        const std::string why = db.error();
        db.exec("ROLLBACK");
        return failed(cannotWrite(options.file, why));
    }
    {
        Statement meta(db, "INSERT OR REPLACE INTO meta VALUES ('program', ?), ('program_version', ?), "
                           "('schema_version', ?)");
        const std::string version = std::to_string(kSqlSchemaVersion);
        if (!meta.ok() ||
            !meta.add(kProgramName).add(std::string_view(SOLVANE_VERSION)).add(std::string_view(version)).run() ||
            !db.exec("COMMIT")) {
            const std::string why = db.error();
            db.exec("ROLLBACK");
            return failed(cannotWrite(options.file, why));
        }
    }

    Writer writer(db);
    if (!writer.ok())
        return failed(cannotWrite(options.file, db.error()));
    auto report = [&](std::size_t i) {
        if (progress)
            progress({static_cast<int>(i) + 1, static_cast<int>(days.size()), days[i], result.counts});
    };
    auto cancelled = [&] {
        result.outcome = SqliteExportOutcome::Cancelled;
        result.message = std::string(kSqliteCancelled);
        return result;
    };
    DayLoads loads(days, options, cancel);
    for (std::size_t i = 0; i < days.size(); ++i) {
        std::optional<DayRows> day = loads.next();
        if (!day || (cancel && cancel->load(std::memory_order_relaxed)))
            return cancelled();
        result.notes.insert(result.notes.end(), day->notes.begin(), day->notes.end());
        if (!day->loaded) {
            report(i);
            continue;
        }
        if (!db.exec("BEGIN IMMEDIATE"))
            return failed(cannotWrite(options.file, db.error()));
        SqliteExportCounts counts;
        const DayWrite written = writeDay(writer, *day, options.odds, counts, cancel);
        if (written == DayWrite::Done && db.exec("COMMIT")) {
            result.counts.days += 1;
            result.counts.races += counts.races;
            result.counts.runners += counts.runners;
            result.counts.payouts += counts.payouts;
            result.counts.odds += counts.odds;
            report(i);
            continue;
        }
        const std::string why = db.error();
        db.exec("ROLLBACK");
        if (written == DayWrite::Cancelled)
            return cancelled();
        return failed(cannotWrite(options.file, why));
    }
    result.outcome = SqliteExportOutcome::Written;
    return result;
}

} // namespace solvane
