#include "raceday/DayLoader.h"

#include "jvdata/CodeTables.h"
#include "jvdata/RecordFields.h"
#include "raceday/Mining.h"
#include "raceday/OddsReader.h"
#include "raceday/Payouts.h"
#include "raceday/RaceRecords.h"
#include "store/Store.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>

namespace solvane {

namespace {

constexpr std::string_view kProgressText = "レースデータを読み込んでいます。";

// Compi files of the day, one per venue, each read once: from the sibling compi program's DATA folder
// when it has the file, else from our own Data folder.
class CompiFiles {
public:
    CompiFiles(std::string dayKey, const std::filesystem::path& harunire, FolderIndex& data, ReadNotes* notes)
        : dayKey_(std::move(dayKey)), data_(data), notes_(notes)
    {
        if (!harunire.empty())
            harunire_.emplace(findChildIgnoreCase(harunire, "DATA"));
    }

    // Line r (1-based) of the venue's file; nothing when there is no file or no such line.
    std::optional<std::string_view> line(std::string_view venueCode, int r)
    {
        auto [it, added] = files_.try_emplace(std::string(venueCode));
        Lines& f = it->second;
        if (added) {
            const std::string name = dayKey_ + fromSjis(TrackName(venueCode)) + ".comp";
            std::filesystem::path path;
            if (harunire_)
                path = harunire_->find(name);
            if (path.empty())
                path = data_.find(name);
            ReadDayFile(path, f.bytes, notes_);
            ForEachLine(f.bytes, [&](std::string_view l) {
                f.lines.push_back(l);
                return true;
            });
        }
        if (r < 1 || static_cast<std::size_t>(r) > f.lines.size())
            return std::nullopt;
        return f.lines[static_cast<std::size_t>(r - 1)];
    }

private:
    struct Lines {
        std::string bytes;
        std::vector<std::string_view> lines;
    };
    std::string dayKey_;
    std::optional<FolderIndex> harunire_;
    FolderIndex& data_;
    ReadNotes* notes_;
    std::map<std::string, Lines> files_;
};

void readCompiLine(TOutData& r, std::string_view line, int n)
{
    for (int J = 1; J <= n; ++J) {
        const auto p = static_cast<std::size_t>(J * 4);
        const int horse = FieldInt(line, p + 11, 2);
        const int index = FieldInt(line, p + 13, 2);
        // Horse numbers come from a file: only 1-18 name a runner.
        if (horse >= 1 && horse <= kMaxHorses && index >= 1) {
            r.CompiIndex[static_cast<std::size_t>(horse)] = index;
            r.CompiRank[static_cast<std::size_t>(horse)] = J;
        }
    }
    for (int i = 1; i <= kBrackets; ++i) {
        const auto p = static_cast<std::size_t>(i * 4);
        const int bracket = FieldInt(line, p + 85, 2);
        const int index = FieldInt(line, p + 87, 2);
        if (bracket >= 1 && bracket <= kBrackets && index >= 1) {
            r.WakuCompi[static_cast<std::size_t>(bracket)] = index;
            r.WakuCompiRank[static_cast<std::size_t>(bracket)] = i;
        }
    }
}

// Next higher compi index over the horse's own: ordered by index, then horse number, so of two equal
// indexes the lower horse number looks up to the other (gap 0, ratio 1.0).
void compiOrder(TOutData& r, int n)
{
    std::vector<std::string> list;
    for (int h = 1; h <= n; ++h) {
        if (r.CompiIndex[static_cast<std::size_t>(h)] >= 1)
            list.push_back(strprintf("%3d%2d", r.CompiIndex[static_cast<std::size_t>(h)], h));
    }
    std::sort(list.begin(), list.end());
    for (std::size_t k = 0; k + 1 < list.size(); ++k) {
        const int own = FieldInt(list[k], 1, 3);
        const int next = FieldInt(list[k + 1], 1, 3);
        const int h = FieldInt(list[k], 4, 2);
        if (own >= 1 && next >= 1 && h >= 1) {
            r.CompiRatio[static_cast<std::size_t>(h)] = static_cast<double>(next) / own;
            r.CompiGap[static_cast<std::size_t>(h)] = next - own;
        }
    }
}

// FI and TF files: each line is keyed by venue short name (4 bytes) + race number (2 digits).
template <class F> void applyMarkFile(RaceDay& day, FolderIndex& data, std::string_view suffix, ReadNotes* notes, F&& f)
{
    std::string bytes;
    if (ReadDayFile(FindDayFile(day, data, suffix), bytes, notes) != FileRead::Read)
        return;
    ForEachLine(bytes, [&](std::string_view line) {
        std::string key(TrackCode(field(line, 1, 4)));
        key += field(line, 5, 2);
        for (const RaceListItem& item : day.RaceList) {
            const std::string_view ra = day.RaRecs[static_cast<std::size_t>(item.slot)];
            if (VenueCode(ra) == field(key, 1, 2) && RaceNumberText(ra) == field(key, 3, 2))
                f(day.RaceRecs[static_cast<std::size_t>(item.slot)], line, RunnerCount(ra));
        }
        return true;
    });
}

void setPaths(RaceDay& day, std::string_view dayKey, const LoadOptions& options, FolderIndex& data)
{
    auto pathOf = [&](std::string_view suffix) {
        const std::string name = std::string(dayKey) + std::string(suffix);
        std::filesystem::path found = data.find(name);
        return found.empty() ? day.DataDir / pathFromUtf8(name) : found;
    };
    day.ChgDir = findChildIgnoreCase(options.appFolder, "CHG");
    day.RaPath = pathOf(".jvRA");
    day.HrPath = pathOf(".jvHR");
    day.DmPath = pathOf(".jvDM");
    day.TmPath = pathOf(".jvTM");
    for (std::size_t t = 0; t < 6; ++t)
        day.OzPath[t] = pathOf(".jvO" + std::to_string(t + 1));
}

} // namespace

bool SelectRace(RaceDay& day, int itemIndex)
{
    if (itemIndex < 0 || static_cast<std::size_t>(itemIndex) >= day.RaceList.size())
        return false;
    day.PrevRace = day.CurRace;
    day.CurRace = day.RaceList[static_cast<std::size_t>(itemIndex)].slot;
    return true;
}

DayLoadResult DateComboChange(RaceDay& day, std::string_view dayKey, const LoadOptions& options, const Clock& clock,
                              const ProgressFn& progress)
{
    DayLoadResult result;
    ReadNotes& notes = result.notes;
    auto report = [&](int position, bool finished) {
        if (progress)
            progress(LoadProgress{std::string(kProgressText), std::string(dayKey), position, 35, finished});
    };

    // Nothing of the previous day survives, even when this load fails.
    result.isToday = dayKey == DayKeyOf(clock.now());
    day.RaceList.clear();
    day.ResultsRecorded = true;
    IniBtnClick(day);
    day.blankRecords();
    CalcBtnClick(day);

    day.DayKey = std::string(dayKey);
    day.DataDir = StoreFolder(options.appFolder);
    FolderIndex data(day.DataDir);
    setPaths(day, dayKey, options, data);

    if (!IsDayKey(dayKey) || data.find(day.DayKey + ".jvRA").empty()) {
        if (!options.quiet)
            result.message = std::string(kNoDataMessage);
        return result;
    }

    report(0, false);
    const int races = ReadRaRecords(day, data, &notes);
    if (notes.failed()) {
        report(0, true);
        return result;
    }
    CompiFiles compi(day.DayKey, options.harunireFolder, data, &notes);
    RunnerFiles runners(day.DayKey, data, &notes);
    for (int s = 0; s < races; ++s) {
        const auto i = static_cast<std::size_t>(s);
        const std::string_view ra = day.RaRecs[i];
        TOutData& r = day.RaceRecs[i];
        r.Tenko = field(ra, 888, 1);
        r.ShibaBaba = field(ra, 889, 1);
        r.DirtBaba = field(ra, 890, 1);

        const int raceNo = RaceNumber(ra);
        const int n = RunnerCount(ra);
        if (raceNo >= 1) {
            if (auto line = compi.line(VenueCode(ra), raceNo))
                readCompiLine(r, *line, n);
        }
        if (runners.read(day, s)) {
            for (int j = 0; j < n; ++j) {
                if (field(day.SeRecs[i][static_cast<std::size_t>(j)], 3, 1) != "7")
                    day.ResultsRecorded = false;
            }
        }
        if (notes.failed()) {
            report(s, true);
            return result;
        }
        report(s + 1, false);
    }

    HrReadBtnClick(day, &notes, &data);
    if (!notes.failed())
        DMReadBtnClick(day, &notes, &data);
    if (notes.failed()) {
        report(races, true);
        return result;
    }

    for (int s = 0; s < kRaceSlots; ++s)
        compiOrder(day.RaceRecs[static_cast<std::size_t>(s)], RunnerCount(day.RaRecs[static_cast<std::size_t>(s)]));

    std::array<int, kRaceSlots> allSlots{};
    for (int s = 0; s < kRaceSlots; ++s)
        allSlots[static_cast<std::size_t>(s)] = s;
    ReadOddsRecords(day, allSlots, &notes, &data, options.finalOddsKinds);
    if (notes.failed()) {
        report(races, true);
        return result;
    }
    for (int s = 0; s < kRaceSlots; ++s) {
        day.OzRace = s;
        DecodeRaceOdds(day, s, true); // trio and trifecta on first use
    }

    result.resultsLabel = day.ResultsRecorded ? "成績記録済" : "成績未記録";
    result.resultsLabelColor = day.ResultsRecorded ? kResultsRecordedColor : kResultsUnrecordedColor;

    for (int s = 0; s < kRaceSlots; ++s) {
        const std::string_view ra = day.RaRecs[static_cast<std::size_t>(s)];
        if (IsListedRace(ra))
            day.RaceList.push_back({s, RaceListText(ra)});
    }
    result.pressNextRace = true;

    applyMarkFile(day, data, ".FI", &notes, [](TOutData& r, std::string_view line, int n) {
        for (int k = 1; k <= n; ++k)
            r.FiMark[static_cast<std::size_t>(k)] = field(line, static_cast<std::size_t>(2 * k + 7), 2);
    });
    applyMarkFile(day, data, ".TF", &notes, [](TOutData& r, std::string_view line, int n) {
        for (int k = 1; k <= n; ++k) {
            const auto h = static_cast<std::size_t>(k);
            r.TfMark[1][h] = field(line, 2 * h + 7, 2);
            r.TfMark[2][h] = field(line, 2 * h + 43, 2);
            r.TfMark[3][h] = field(line, 2 * h + 79, 2);
        }
    });
    report(races, true);

    for (const RaceListItem& item : day.RaceList) {
        const auto s = static_cast<std::size_t>(item.slot);
        SetAutoFetchTimes(day.RaceRecs[s], PostTime(day.RaRecs[s]), options.fetchTimes);
    }

    for (std::size_t t = 0; t < kRaceStakeLists; ++t)
        day.RaceStakeList[t].fill(std::to_string(options.defaultStakes[t]));

    result.timer4IntervalMs = options.autoRdataGet * 60000;
    result.loaded = !notes.failed();

    if (result.isToday) {
        result.runTodayTimers = true;
        ChangeReadResult changes = KaisaiReadBtnClick(day, options.fetchTimes);
        notes.add(changes.notes);
        result.pressNextRace = result.pressNextRace || changes.pressNextRace;
    }
    result.selectFirstRace = !day.RaceList.empty();
    return result;
}

int DirectReadBtnClick(RaceDay& day, const std::vector<std::string>& dateItems, const LoadOptions& options,
                       const Clock& clock, const BatchStepFn& afterEach)
{
    LoadOptions quietly = options;
    quietly.quiet = true;
    FolderIndex stat(findChildIgnoreCase(options.appFolder, "STAT"));
    int loaded = 0;
    for (auto it = dateItems.rbegin(); it != dateItems.rend(); ++it) {
        if (!stat.find(*it + ".stat1").empty())
            continue;
        const DayLoadResult result = DateComboChange(day, *it, quietly, clock);
        ++loaded;
        if (afterEach)
            afterEach(*it, result);
    }
    return loaded;
}

std::vector<std::string> StoredDayList(const std::filesystem::path& appFolder)
{
    std::vector<std::string> days = ListStoredDays(StoreFolder(appFolder));
    for (std::string& d : days)
        d = fromSjis(d);
    return days;
}

} // namespace solvane
