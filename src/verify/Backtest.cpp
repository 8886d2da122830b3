#include "verify/Backtest.h"

#include "raceday/RaceRecords.h"
#include "raceday/TimeSeries.h"
#include "util/Files.h"
#include "util/FolderLock.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace solvane {
namespace {

std::size_t at(int i)
{
    return static_cast<std::size_t>(i);
}

// Copies the text into the line at offset, cut or padded with blanks to exactly len bytes, so that a
// short or blank record never moves the fields after it.
void put(std::string& line, std::size_t offset, std::string_view text, std::size_t len)
{
    const std::size_t n = std::min(text.size(), len);
    line.replace(offset, n, text.data(), n);
}

void putRa(std::string& line, std::size_t offset, std::string_view ra, std::size_t pos, std::size_t len)
{
    put(line, offset, field(ra, pos, len), len);
}

// "%*lld" of the value, or nothing when it needs more than width characters.
std::optional<std::string> fixed(long long value, int width)
{
    char buf[32];
    const int n = std::snprintf(buf, sizeof buf, "%*lld", width, value);
    if (n < 0 || n > width)
        return std::nullopt;
    return std::string(buf, static_cast<std::size_t>(n));
}

std::string raceName(const RaceDay& day, int slot)
{
    for (const RaceListItem& item : day.RaceList)
        if (item.slot == slot)
            return item.text;
    return "スロット" + std::to_string(slot);
}

// The last run's file and its summary copied to the comparison's place before a new run replaces them.
// The last run's file stays as it is until the new one replaces it. Nothing to keep is no failure.
bool KeepForComparison(const std::filesystem::path& file, const std::filesystem::path& previous, std::string* error)
{
    const std::optional<std::string> bytes = readFile(file);
    if (!bytes)
        return true;
    if (!writeFileAtomic(previous, *bytes, error))
        return false;
    std::error_code ec;
    if (const std::optional<std::string> summary = readFile(BacktestSummaryFile(file)))
        return writeFileAtomic(BacktestSummaryFile(previous), *summary, error);
    std::filesystem::remove(BacktestSummaryFile(previous), ec);
    return true;
}

} // namespace

std::filesystem::path BacktestFile(const std::filesystem::path& appFolder)
{
    return appFolder / std::string(kBacktestFileName);
}

std::filesystem::path PreviousBacktestFile(const std::filesystem::path& appFolder)
{
    return appFolder / std::string(kPreviousBacktestFileName);
}

std::filesystem::path BacktestSummaryFile(const std::filesystem::path& backtestFile)
{
    std::filesystem::path summary = backtestFile;
    return summary.replace_extension(".txt");
}

std::string BacktestSummary(const BacktestResult& r)
{
    std::string text = strprintf("%d日  %dレースを書き込みました。", r.days, r.lines);
    std::vector<std::string> left;
    if (r.daysSkipped > 0)
        left.push_back(strprintf("読み込めない日 %d日", r.daysSkipped));
    if (r.racesWithoutResult > 0)
        left.push_back(strprintf("結果（払戻）のないレース %lld", r.racesWithoutResult));
    if (r.damagedLines > 0)
        left.push_back(strprintf("壊れていて読めない行 %lld行", r.damagedLines));
    for (std::size_t i = 0; i < left.size(); ++i)
        text += (i == 0 ? "読み飛ばし：" : "、") + left[i];
    if (r.oddsBeforeMinutes > 0) {
        text += strprintf("\n発走%d分前のオッズで %lldレースを集計しました。", r.oddsBeforeMinutes, r.betTimeRaces);
        if (r.betTimeLeftOut > 0)
            text += strprintf("単勝の時系列オッズがなく除いたレース %lld。", r.betTimeLeftOut);
        std::vector<std::string> types;
        for (int k = 0; k < kBakenTypes; ++k)
            if (const long long n = r.betTimeTypesLeftOut[at(k)]; n > 0)
                types.push_back(std::string(InfoOf(kAllBakenTypes[at(k)]).name) + " " + std::to_string(n));
        for (std::size_t i = 0; i < types.size(); ++i)
            text += (i == 0 ? "時系列オッズがなく除いた券種：" : "、") + types[i];
    }
    return text;
}

RaceFigures FiguresOf(const KaimeTables& tables)
{
    RaceFigures f;
    for (std::size_t k = 0; k < tables.size(); ++k) {
        const KaimeLabels& l = tables[k].labels;
        f[k] = TypeFigures{toIntDef(l.count, 0), toIntDef(l.total, 0), toIntDef(l.paid, 0)};
    }
    return f;
}

bool HasBacktestResult(const RaceDay& day, int slot)
{
    if (slot < 0 || at(slot) >= day.HrRecs.size())
        return false;
    return toIntDef(field(day.HrRecs[at(slot)], 105, 9), 0) > 0;
}

BacktestLine MakeBacktestLine(const RaceDay& day, int slot, const RaceFigures& figures, int oddsBeforeMinutes)
{
    BacktestLine out;
    if (slot < 0 || slot >= kRaceSlots || at(slot) >= day.RaRecs.size()) {
        out.error = "レースのスロットが範囲外です：" + std::to_string(slot);
        return out;
    }
    std::string line(kBacktestLineLength, ' ');
    const std::string_view ra = day.RaRecs[at(slot)];
    putRa(line, 0, ra, 12, 4);   // year
    putRa(line, 4, ra, 16, 4);   // month and day
    putRa(line, 8, ra, 20, 2);   // track
    putRa(line, 10, ra, 22, 2);  // meeting
    putRa(line, 12, ra, 24, 2);  // day of meeting
    putRa(line, 14, ra, 26, 2);  // race number
    putRa(line, 16, ra, 605, 6); // short race name
    putRa(line, 22, ra, 615, 1); // grade
    putRa(line, 23, ra, 619, 3); // race symbol
    putRa(line, 26, ra, 617, 2); // race type
    putRa(line, 28, ra, 622, 1); // weight type
    putRa(line, 29, ra, 635, 3); // condition of the youngest age group
    putRa(line, 32, ra, 698, 4); // distance
    putRa(line, 36, ra, 706, 2); // course
    putRa(line, 38, ra, 882, 2); // registered runners
    putRa(line, 40, ra, 889, 1); // turf going
    putRa(line, 41, ra, 890, 1); // dirt going

    // A longer number would lengthen the line and shift every record after it; a cut one would be a
    // wrong figure in every total. Either way the file would be wrong, so the race is refused instead.
    for (int k = 0; k < kBakenTypes; ++k) {
        const TypeFigures& f = figures[at(k)];
        const auto count = fixed(f.count, 4);
        const auto stake = f.stake >= 0 && f.stake <= kBtMaxStake ? fixed(f.stake, 7) : std::nullopt;
        const auto payout = f.payout >= 0 && f.payout <= kBtMaxPayout ? fixed(f.payout, 8) : std::nullopt;
        if (!count || !stake || !payout) {
            const std::string what = !count   ? "買い点数 " + std::to_string(f.count) + " が4桁"
                                     : !stake ? "投票金額 " + GroupedYen(f.stake) + "円 が7桁"
                                              : "回収金額 " + GroupedYen(f.payout) + "円 が8桁";
            out.error = day.DayKey + " " + raceName(day, slot) + " の" +
                        std::string(InfoOf(kAllBakenTypes[at(k)]).name) + "：" + what +
                        "に収まらないため、集計ファイルに書けません。";
            return out;
        }
        const std::size_t o = kBtTypeBlocks + at(k) * kBtTypeBlockLength;
        put(line, o, *count, 4);
        put(line, o + 4, *stake, 7);
        put(line, o + 11, *payout, 8);
    }

    const TOutData* rec = at(slot) < day.RaceRecs.size() ? &day.RaceRecs[at(slot)] : nullptr;
    const std::string_view o1 =
        at(slot) < day.O1Recs.size() ? std::string_view(day.O1Recs[at(slot)]) : std::string_view();
    for (int j = 0; j < kMaxHorses; ++j) {
        const std::size_t o = kBtRunnerBlocks + at(j) * kBtRunnerBlockLength;
        std::string_view se;
        if (at(slot) < day.SeRecs.size())
            se = day.SeRecs[at(slot)][at(j)];
        if (HorseNumber(se) <= 0)
            continue; // no horse: 10 blanks
        const int h = j + 1;
        const int index = rec ? rec->CompiIndex[at(h)] : 0;
        const int rank = rec ? rec->CompiRank[at(h)] : 0;
        if (rank >= 1 && rank <= 99) {
            if (index >= 0 && index <= kBtMaxCompiIndex) {
                put(line, o, strprintf("%2d%2d", index, rank), 4);
            } else {
                ++out.compiCapped; // written as a runner without compi data
            }
        }
        const std::size_t pos = 46 + 8 * at(j);
        put(line, o + 4, field(o1, pos, 4), 4);
        put(line, o + 8, field(o1, pos + 4, 2), 2);
    }
    if (oddsBeforeMinutes > 0)
        line += strprintf("%2d", std::min(oddsBeforeMinutes, kMaxOddsBefore));
    out.line = std::move(line);
    return out;
}

std::size_t BacktestRecordLengthOf(std::string_view bytes)
{
    const bool betTime = bytes.size() >= kBacktestBetTimeRecordLength &&
                         bytes.substr(kBacktestLineLength, 2) != "\r\n" &&
                         bytes.substr(kBacktestBetTimeRecordLength - 2, 2) == "\r\n";
    return betTime ? kBacktestBetTimeRecordLength : kBacktestRecordLength;
}

RaceFigures BacktestRace(KaimeTables& tables, const RaceDay& day, int slot, const SelectionRule& rule, HaibunMode mode,
                         const MultiOptions& multi)
{
    // Without a runner count the rule marks nothing, and the selection of the race has cleared the
    // card's marks: the tables are built from no marks.
    const Marks marks = ApplyRule(day, slot, rule).value_or(Marks{});
    const KaimeContext ctx = ContextOf(day, slot, StakeOf(day, BakenType::Tan, slot), mode, nullptr);
    KaimeMakeBtnClick(tables, day, slot, marks, multi, ctx);
    return FiguresOf(tables);
}

RaceFigures BacktestRace(const RaceDay& day, int slot, const SelectionRule& rule, HaibunMode mode,
                         const MultiOptions& multi)
{
    KaimeTables tables = EmptyKaimeTables();
    return BacktestRace(tables, day, slot, rule, mode, multi);
}

BacktestPeriod BacktestPeriodFromYears(const DateTime& end, int years)
{
    BacktestPeriod p;
    p.years = std::clamp(years, 1, kBacktestMaxYears);
    p.to = end.date();
    p.from = p.to.addDays(-365LL * p.years);
    return p;
}

std::vector<std::string> BacktestDays(const std::vector<std::string>& dateItems, std::string_view from,
                                      std::string_view to)
{
    std::vector<std::string> days;
    for (auto it = dateItems.rbegin(); it != dateItems.rend(); ++it) {
        // "2024年01月06日": the digits joined give the key yyyymmdd.
        std::string key;
        for (const char c : *it)
            if (c >= '0' && c <= '9')
                key += c;
        if (key.size() != 8)
            continue;
        if (key >= from && key <= to)
            days.push_back(*it);
    }
    return days;
}

namespace {

// The odds record (O1..O6, from 0) each bet type's odds come from, in the order of kAllBakenTypes.
constexpr std::array<std::size_t, kBakenTypes> kOddsKindOf{0, 0, 0, 1, 2, 3, 4, 5};

// What one day of the run gives: its lines, or why it has none.
struct DayOutput {
    bool done = false;      // the day was taken to its end (or to the race that failed)
    bool cancelled = false; // the run was cancelled while the day was built
    bool loaded = false;
    std::string bytes; // its lines, each with CR LF
    int lines = 0;
    long long races = 0;
    long long withoutResult = 0;
    long long damagedLines = 0;
    long long betTimeRaces = 0, betTimeLeftOut = 0;
    std::array<long long, kBakenTypes> betTimeTypesLeftOut{};
    std::vector<std::string> notes;
    std::string error; // a value that does not fit: the run fails
};

// One worker's day: loaded into its own model, every race with a result built into its own tables.
// stop is polled between races.
void RunDay(RaceDay& day, KaimeTables& tables, const std::string& key, const BacktestOptions& options,
            const Clock& clock, const std::function<bool()>& stop, DayOutput& out)
{
    // At bet-time odds every race takes its odds from its snapshots: the day's own are not read.
    LoadOptions load = options.load;
    load.finalOddsKinds = options.oddsBeforeMinutes > 0 ? 0 : 6;
    load.quiet = true;
    const DayLoadResult loaded = DateComboChange(day, key, load, clock);
    if (!loaded.loaded) {
        out.notes.push_back(key + "：読み込めませんでした" +
                            (loaded.notes.error.empty() ? std::string() : "（" + loaded.notes.error + "）"));
        return;
    }
    out.loaded = true;
    if (loaded.notes.failed())
        out.notes.push_back(key + "：" + loaded.notes.error);
    out.damagedLines = static_cast<long long>(loaded.notes.skipped.size());
    for (const std::string& skipped : loaded.notes.skipped)
        out.notes.push_back(key + "：" + skipped);
    for (const RaceListItem& item : day.RaceList) {
        if (stop()) {
            out.cancelled = true;
            return;
        }
        // A race without a result gives no line, so its tables are not built.
        if (!HasBacktestResult(day, item.slot)) {
            ++out.withoutResult;
            continue;
        }
        std::array<bool, 6> oddsTaken{};
        if (options.oddsBeforeMinutes > 0) {
            const BetTimeOdds taken = TakeBetTimeOdds(day, item.slot, options.seriesFolders, options.oddsBeforeMinutes);
            if (!taken.error.empty())
                out.notes.push_back(key + " " + item.text + "：" + taken.error);
            if (!taken.taken[0]) {
                ++out.betTimeLeftOut;
                continue;
            }
            oddsTaken = taken.taken;
            ++out.betTimeRaces;
        }
        RaceFigures figures = BacktestRace(tables, day, item.slot, options.rule, options.mode, options.multi);
        if (options.oddsBeforeMinutes > 0) {
            for (int k = 0; k < kBakenTypes; ++k) {
                if (oddsTaken[kOddsKindOf[at(k)]])
                    continue;
                figures[at(k)] = TypeFigures{};
                ++out.betTimeTypesLeftOut[at(k)];
            }
        }
        ++out.races;
        BacktestLine line = MakeBacktestLine(day, item.slot, figures, options.oddsBeforeMinutes);
        if (!line.error.empty()) {
            out.error = std::move(line.error);
            return;
        }
        if (line.compiCapped > 0)
            out.notes.push_back(key + " " + item.text + "：コンピ指数が2桁に収まらない馬 " +
                                std::to_string(line.compiCapped) + " 頭をコンピなしとして書きました");
        out.bytes += line.line;
        out.bytes += "\r\n";
        ++out.lines;
    }
}

} // namespace

BacktestResult RunBacktest(const std::vector<std::string>& dateItems, const BacktestOptions& options,
                           const Clock& clock, const BacktestProgressFn& progress, const std::atomic<bool>* cancel)
{
    using Steady = std::chrono::steady_clock;
    BacktestResult result;
    result.oddsBeforeMinutes = options.oddsBeforeMinutes;
    const std::vector<std::string> days = BacktestDays(dateItems, options.from, options.to);
    const auto started = Steady::now();
    auto cancelled = [cancel] { return cancel && cancel->load(std::memory_order_relaxed); };
    auto report = [&](int done, const std::string& key) {
        if (!progress)
            return;
        BacktestProgress p;
        p.daysDone = done;
        p.daysTotal = static_cast<int>(days.size());
        p.races = result.races;
        const double seconds = std::chrono::duration<double>(Steady::now() - started).count();
        p.racesPerSecond = seconds > 0 ? static_cast<double>(result.races) / seconds : 0;
        p.dayKey = key;
        progress(p);
    };

    // Days are loaded and built by workers, each with its own model and tables, taking the days in
    // order; this thread takes their outputs in the same order, so the file, the progress and the
    // outcome are those of one day after the other. A day that fails stops the workers from taking
    // later days, never earlier ones: the first failing day is the one reported.
    std::vector<DayOutput> outputs(days.size());
    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<std::size_t> nextDay{0};
    std::atomic<std::size_t> failedDay{days.size()};
    std::atomic<bool> finished{false};
    int running = 0;
    auto worker = [&] {
        auto day = std::make_unique<RaceDay>();
        KaimeTables tables = EmptyKaimeTables();
        for (;;) {
            const std::size_t d = nextDay.fetch_add(1);
            auto stop = [&, d] { return cancelled() || finished.load() || d > failedDay.load(); };
            if (d >= days.size() || stop())
                break;
            DayOutput out;
            RunDay(*day, tables, days[d], options, clock, stop, out);
            if (!out.error.empty()) {
                std::size_t f = failedDay.load();
                while (d < f && !failedDay.compare_exchange_weak(f, d)) {
                }
            }
            const std::lock_guard lock(mutex);
            out.done = !out.cancelled;
            outputs[d] = std::move(out);
            changed.notify_all();
        }
        const std::lock_guard lock(mutex);
        --running;
        changed.notify_all();
    };
    const unsigned hardware = std::max(1U, std::thread::hardware_concurrency());
    const int workers = static_cast<int>(std::min<std::size_t>(
        {static_cast<std::size_t>(options.workers > 0 ? options.workers : std::min(2U, hardware)), days.size()}));
    std::vector<std::thread> threads;
    running = workers;
    for (int i = 0; i < workers; ++i)
        threads.emplace_back(worker);

    std::string bytes;
    for (std::size_t d = 0; d < days.size(); ++d) {
        report(static_cast<int>(d), days[d]);
        if (cancelled()) {
            result.outcome = BacktestOutcome::Cancelled;
            break;
        }
        DayOutput out;
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return outputs[d].done || outputs[d].cancelled || running == 0; });
            out = std::move(outputs[d]);
        }
        if (!out.done) {
            result.outcome = BacktestOutcome::Cancelled;
            break;
        }
        result.lastDayKey = days[d];
        result.notes.insert(result.notes.end(), out.notes.begin(), out.notes.end());
        result.days += out.loaded ? 1 : 0;
        result.daysSkipped += out.loaded ? 0 : 1;
        result.races += out.races;
        result.racesWithoutResult += out.withoutResult;
        result.damagedLines += out.damagedLines;
        result.betTimeRaces += out.betTimeRaces;
        result.betTimeLeftOut += out.betTimeLeftOut;
        for (std::size_t k = 0; k < out.betTimeTypesLeftOut.size(); ++k)
            result.betTimeTypesLeftOut[k] += out.betTimeTypesLeftOut[k];
        if (!out.error.empty()) {
            result.outcome = BacktestOutcome::Failed;
            result.message = std::move(out.error);
            break;
        }
        bytes += out.bytes;
        result.lines += out.lines;
    }
    finished = true;
    for (std::thread& t : threads)
        t.join();
    if (result.outcome == BacktestOutcome::Cancelled || result.outcome == BacktestOutcome::Failed)
        return result;
    report(static_cast<int>(days.size()), result.lastDayKey);
    if (result.lines == 0) {
        result.outcome = BacktestOutcome::NoData;
        result.message = std::string(kNoBacktestData);
        // Every race left out for want of snapshots: say so, or the user looks for the fault elsewhere.
        if (result.betTimeLeftOut > 0)
            result.message +=
                strprintf("発走%d分前までの単勝の時系列オッズがあるレースがありません（除いたレース %lld）。",
                          result.oddsBeforeMinutes, result.betTimeLeftOut);
        return result;
    }
    const FolderLock lock = LockForWriting(options.load.appFolder);
    if (!lock) {
        result.outcome = BacktestOutcome::Failed;
        result.message = lock.error();
        return result;
    }
    const std::filesystem::path file = BacktestFile(options.load.appFolder);
    std::string error;
    if (!KeepForComparison(file, PreviousBacktestFile(options.load.appFolder), &error))
        result.notes.push_back("前回の検証データを比較用に残せませんでした：" + error);
    if (!writeFileAtomic(file, bytes, &error)) {
        result.outcome = BacktestOutcome::Failed;
        result.message = std::string(kBacktestFileName) + " を書き込めませんでした：" + error;
        return result;
    }
    result.outcome = BacktestOutcome::Written;
    // The summary names the line count of the file it belongs to, so that one left from an earlier run is
    // not shown beside another file.
    const std::string summary =
        std::to_string(result.lines) + "\r\n" + joinLinesCrlf(splitLines(toSjis(BacktestSummary(result))));
    if (!writeFileAtomic(BacktestSummaryFile(file), summary, &error)) {
        result.notes.push_back("集計の要約を書き込めませんでした：" + error);
        std::error_code ec;
        std::filesystem::remove(BacktestSummaryFile(file), ec); // an earlier run's would say the wrong thing
    }
    return result;
}

} // namespace solvane
