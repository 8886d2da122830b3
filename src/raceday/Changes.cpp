#include "raceday/Changes.h"

#include "jvdata/CodeTables.h"
#include "raceday/RaceRecords.h"
#include "util/Files.h"
#include "util/Text.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace solvane {

namespace {

struct TrackState {
    std::string weather = "0", turf = "0", dirt = "0";
    std::string weatherTime = "0000", goingTime = "0000";
    bool hasWeather = false, hasGoing = false;
};

void applyWeatherAndGoing(RaceDay& day, std::string_view weBytes)
{
    std::array<TrackState, 11> tracks; // [1..10]
    ForEachLine(weBytes, [&](std::string_view line) {
        const int v = FieldInt(line, 20, 2);
        if (v < 1 || v > 10)
            return true;
        TrackState& t = tracks[static_cast<std::size_t>(v)];
        const std::string a(field(line, 30, 4));
        const std::string_view kind = field(line, 34, 1);
        if ((kind == "3" && a > t.goingTime) || (kind == "1" && t.goingTime == "0000")) {
            t.goingTime = a;
            t.turf = field(line, 36, 1);
            t.dirt = field(line, 37, 1);
            t.hasGoing = true;
        }
        if ((kind == "2" && a > t.weatherTime) || (kind == "1" && t.weatherTime == "0000")) {
            t.weatherTime = a;
            t.weather = field(line, 35, 1);
            t.hasWeather = true;
        }
        return true;
    });
    // A track the announcements do not mention keeps the weather and going of its race records:
    // an announcement file that covers one venue must not blank the others.
    for (const RaceListItem& item : day.RaceList) {
        const auto s = static_cast<std::size_t>(item.slot);
        const int v = FieldInt(day.RaRecs[s], 20, 2);
        if (v < 1 || v > 10)
            continue;
        const TrackState& t = tracks[static_cast<std::size_t>(v)];
        TOutData& r = day.RaceRecs[s];
        if (t.hasWeather)
            r.Tenko = t.weather;
        if (t.hasGoing) {
            r.ShibaBaba = t.turf;
            r.DirtBaba = t.dirt;
        }
    }
}

bool isUsablePostTime(std::string_view hhmm)
{
    const std::string_view t = trim(hhmm);
    return !t.empty() && t != "0000";
}

} // namespace

void SetAutoFetchTimes(TOutData& race, std::string_view postTime, const FetchTimeSettings& settings)
{
    race.AutoOzTime.clear();
    race.AutoTohyoTime1.clear();
    // Only a real time of day gives fetch times: blanks, "0000" or a garbled text give none rather
    // than a time the schedule could never meet.
    if (postTime.size() != 4 ||
        !std::all_of(postTime.begin(), postTime.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return;
    const int hh = (postTime[0] - '0') * 10 + (postTime[1] - '0');
    const int mm = (postTime[2] - '0') * 10 + (postTime[3] - '0');
    const int lead = settings.autoOzGet * 60 + settings.autoOzGetSec;
    if (hh > 23 || mm > 59 || (hh == 0 && mm == 0) || hh * 3600 + mm * 60 - lead < 0)
        return;
    const std::string p = std::string(postTime) + "00";
    race.AutoOzTime = AddSeconds(p, -lead);
    race.AutoTohyoTime1 = AddSeconds(p, -lead + settings.autoTohyoInterval);
}

ChangeReadResult KaisaiReadBtnClick(RaceDay& day, const FetchTimeSettings& settings)
{
    ChangeReadResult result;
    ReadNotes& notes = result.notes;
    FolderIndex chg(day.ChgDir);

    std::string we;
    if (ReadDayFile(chg.find(day.DayKey + ".WE"), we, &notes) == FileRead::Failed)
        return result;
    if (!we.empty())
        applyWeatherAndGoing(day, we);

    FolderIndex data(day.DataDir);
    const std::filesystem::path raPath = FindDayFile(day, data, ".jvRA");
    std::string tc, ra;
    if (ReadDayFile(chg.find(day.DayKey + ".TC"), tc, &notes) != FileRead::Read)
        return result;
    if (ReadDayFile(raPath, ra, &notes) != FileRead::Read)
        return result;

    // Changes announced up to the time in the fourth line of ".NEW" (when it has exactly five lines)
    // were taken already.
    std::string newBytes, appliedUpTo;
    if (ReadDayFile(chg.find(day.DayKey + ".NEW"), newBytes, &notes) == FileRead::Failed)
        return result;
    if (const auto newLines = splitLines(newBytes); newLines.size() == 5)
        appliedUpTo = std::string(trim(newLines[3]));

    std::vector<std::string> raLines = splitLines(ra);
    bool changed = false;
    ForEachRecord(tc, kTcLength, kRaceSlots, day.DayKey + ".TC", &notes, [&](std::string_view rec) {
        if (!appliedUpTo.empty() && !(field(rec, 28, 8) > std::string_view(appliedUpTo)))
            return true;
        const std::string_view venue = field(rec, 20, 2), race = field(rec, 26, 2);
        const std::string_view newTime = field(rec, 36, 4);
        // A change without a time ("0000" or blanks) says nothing about when the race starts; the
        // stored post time is kept rather than overwritten with a time that is not one.
        if (!isUsablePostTime(newTime))
            return true;
        for (std::string& line : raLines) {
            if (line.size() < 877 || field(line, 20, 2) != venue || field(line, 26, 2) != race)
                continue;
            if (field(line, 874, 4) != newTime) {
                line = OverwriteAt(line, newTime, 874);
                changed = true;
            }
        }
        for (int s = 0; s < kRaceSlots; ++s) {
            std::string& raRec = day.RaRecs[static_cast<std::size_t>(s)];
            if (!IsListedRace(raRec) || field(raRec, 20, 2) != venue || field(raRec, 26, 2) != race)
                continue;
            raRec.replace(873, 4, newTime);
            SetAutoFetchTimes(day.RaceRecs[static_cast<std::size_t>(s)], field(raRec, 874, 4), settings);
        }
        return true;
    });

    if (changed) {
        std::string error;
        if (!writeFileAtomic(raPath, joinLinesCrlf(raLines), &error))
            notes.error = error;
    }
    result.pressNextRace = true;
    return result;
}

} // namespace solvane
