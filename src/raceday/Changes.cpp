#include "raceday/Changes.h"

#include "jvdata/CodeTables.h"
#include "jvdata/RecordFields.h"
#include "raceday/RaceRecords.h"
#include "store/Store.h"
#include "util/Files.h"
#include "util/FolderLock.h"
#include "util/Text.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace solvane {

namespace {

bool isFourDigits(std::string_view text)
{
    return text.size() == 4 && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Weather and going of one race, from the announcements of its track.
struct Conditions {
    std::string weather = "0", turf = "0", dirt = "0";
    std::string weatherTime = "0000", goingTime = "0000";
    bool hasWeather = false, hasGoing = false;
};

// A change says how the track is from its announcement on, so a race gets only the changes announced
// up to its post; a race already run keeps the conditions it ran in. The initial state (kind "1") holds
// until the first change of its kind. postTime: the race's "hhmm"; one that is no time takes every
// change.
Conditions conditionsOf(const std::vector<std::string_view>& lines, std::string_view postTime)
{
    const bool timed = isFourDigits(postTime) && postTime != "0000";
    Conditions t;
    for (const std::string_view line : lines) {
        const std::string a(field(line, 30, 4));
        const std::string_view kind = field(line, 34, 1);
        if (timed && kind != "1" && a > postTime)
            continue;
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
    }
    return t;
}

void applyWeatherAndGoing(RaceDay& day, std::string_view weBytes)
{
    std::array<std::vector<std::string_view>, 11> byTrack; // [1..10], in file order
    ForEachLine(weBytes, [&](std::string_view line) {
        const int v = FieldInt(line, 20, 2);
        if (v >= 1 && v <= 10)
            byTrack[static_cast<std::size_t>(v)].push_back(line);
        return true;
    });
    // A track the announcements do not mention keeps the weather and going of its race records:
    // an announcement file that covers one venue must not blank the others.
    for (const RaceListItem& item : day.RaceList) {
        const auto s = static_cast<std::size_t>(item.slot);
        const int v = FieldInt(day.RaRecs[s], 20, 2);
        if (v < 1 || v > 10)
            continue;
        const Conditions t = conditionsOf(byTrack[static_cast<std::size_t>(v)], PostTime(day.RaRecs[s]));
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

// The post-time step: the ".TC" changes written into the ".jvRA" file and the loaded races, whose fetch
// times are recomputed. False when it did not run (no ".TC" or ".jvRA" file, or one unreadable).
bool applyPostTimeChanges(RaceDay& day, FolderIndex& chg, const FetchTimeSettings& settings, ChangeReadResult& result)
{
    ReadNotes& notes = result.notes;
    FolderIndex data(day.DataDir);
    const std::filesystem::path raPath = FindDayFile(day, data, ".jvRA");
    std::string tc, ra;
    if (ReadDayFile(chg.find(day.DayKey + ".TC"), tc, &notes) != FileRead::Read)
        return false;
    if (ReadDayFile(raPath, ra, &notes) != FileRead::Read)
        return false;

    // Changes announced up to the time in the fourth line of ".NEW" (when it has exactly five lines)
    // were taken already.
    std::string newBytes, appliedUpTo;
    if (ReadDayFile(chg.find(day.DayKey + ".NEW"), newBytes, &notes) == FileRead::Failed)
        return false;
    if (const auto newLines = splitLines(newBytes); newLines.size() == 5)
        appliedUpTo = std::string(trim(newLines[3]));

    struct PostTimeMove {
        std::string_view venue, race, time;
    };
    std::vector<PostTimeMove> moves; // views into tc, in the order announced
    ForEachRecord(tc, kTcLength, kRaceSlots, day.DayKey + ".TC", &notes, [&](std::string_view rec) {
        if (!appliedUpTo.empty() && !(AnnouncedAt(rec) > std::string_view(appliedUpTo)))
            return true;
        const std::string_view venue = VenueCode(rec), race = RaceNumberText(rec);
        const std::string_view newTime = field(rec, 36, 4);
        // A change without a time ("0000" or blanks) says nothing about when the race starts; the
        // stored post time is kept rather than overwritten with a time that is not one.
        if (!isUsablePostTime(newTime))
            return true;
        moves.push_back({venue, race, newTime});
        for (int s = 0; s < kRaceSlots; ++s) {
            std::string& raRec = day.RaRecs[static_cast<std::size_t>(s)];
            if (!IsListedRace(raRec) || VenueCode(raRec) != venue || RaceNumberText(raRec) != race)
                continue;
            if (PostTime(raRec) != newTime)
                result.movedSlots.push_back(s);
            raRec.replace(873, 4, newTime);
            SetAutoFetchTimes(day.RaceRecs[static_cast<std::size_t>(s)], PostTime(raRec), settings);
        }
        return true;
    });

    // The race file's lines with the moved times; true when any line changed.
    const auto moveIn = [&moves](std::vector<std::string>& lines) {
        bool changed = false;
        for (const PostTimeMove& m : moves) {
            for (std::string& line : lines) {
                if (line.size() < 877 || VenueCode(line) != m.venue || RaceNumberText(line) != m.race ||
                    PostTime(line) == m.time)
                    continue;
                line = OverwriteAt(line, m.time, 874);
                changed = true;
            }
        }
        return changed;
    };
    std::vector<std::string> raLines = splitLines(ra);
    if (!moveIn(raLines))
        return true;
    // A change of the store (the day is loaded by the window as well as by a fetch): under the application
    // folder's writer lock, from the file as it is then, so that a race line stored meanwhile is kept.
    const FolderLock lock = LockForWriting(AppFolderOfStore(day.DataDir));
    if (!lock) {
        notes.error = lock.error();
        return true;
    }
    if (ReadDayFile(raPath, ra, &notes) != FileRead::Read)
        return true;
    raLines = splitLines(ra);
    std::string error;
    if (moveIn(raLines) && !writeFileAtomic(raPath, joinLinesCrlf(raLines), &error))
        notes.error = error;
    return true;
}

} // namespace

void SetAutoFetchTimes(TOutData& race, std::string_view postTime, const FetchTimeSettings& settings)
{
    race.AutoOzTime.clear();
    race.AutoTohyoTime1.clear();
    // Only a real time of day gives fetch times: blanks, "0000" or a garbled text give none rather
    // than a time the schedule could never meet.
    if (!isFourDigits(postTime))
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
    FolderIndex chg(day.ChgDir);

    std::string we;
    if (ReadDayFile(chg.find(day.DayKey + ".WE"), we, &result.notes) == FileRead::Failed)
        return result;
    // Post times first: whether a weather or going change reaches a race depends on when it now posts.
    result.pressNextRace = applyPostTimeChanges(day, chg, settings, result);
    if (!we.empty())
        applyWeatherAndGoing(day, we);
    return result;
}

} // namespace solvane
