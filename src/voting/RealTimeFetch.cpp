#include "voting/RealTimeFetch.h"

#include "jvdata/CodeTables.h"
#include "jvdata/JVMessage.h"
#include "jvdata/RecordFields.h"
#include "raceday/DayFiles.h"
#include "raceday/Mining.h"
#include "raceday/OddsReader.h"
#include "raceday/Payouts.h"
#include "raceday/RaceRecords.h"
#include "raceday/TimeSeries.h"
#include "store/Store.h"
#include "util/Files.h"
#include "util/FolderLock.h"
#include "util/ShiftJis.h"
#include "util/Text.h"
#include "voting/Schedule.h"

#include <algorithm>
#include <exception>
#include <system_error>

namespace solvane {

namespace {

// How one kind of fetch reports and beeps.
struct FetchKind {
    const char* dataspec;
    int buffer;
    bool odds;          // open, read and close errors beep; a clean close does not
    bool logErrors;     // errors go to the error log
    std::string busy;   // DLlabel while it runs
    std::string failed; // after the track and race of a failed open
};

// Puts one record into files by a fetch's rule (or passes it over). False with why when the store refused
// it.
using StoreRule = bool (*)(StoreFiles& files, const fs::path& folder, const std::string& rec, std::string* why);

// Where and how a request's records are stored: the rule, its folder, and the application folder whose
// writer lock guards the files.
struct Storing {
    bool log = true;
    fs::path folder, appFolder;
    StoreRule rule = nullptr;
};

// One fetch in progress: the texts it shows, the lines it logs and the beeps it asks for.
class FetchRun {
public:
    FetchRun(const FetchEnv& env, FetchResult& result, bool silent) : env_(env), result_(result), silent_(silent) {}

    void show(const std::string& text)
    {
        result_.statusTexts.push_back(text);
        if (env_.showStatus)
            env_.showStatus(text);
    }
    void pump()
    {
        if (env_.pumpEvents)
            env_.pumpEvents();
    }
    void beep()
    {
        if (!silent_)
            ++result_.beeps;
    }
    void error(const std::string& text, bool log)
    {
        show(text);
        lastError_ = text;
        if (!log)
            return;
        result_.errorLog.push_back(text);
        if (env_.appendErrorLog)
            env_.appendErrorLog(text);
    }

    // Open, read, store, clean up, close: one real-time request. True when the records were read to the
    // end. What was read is stored whatever ended the loop.
    bool request(JVLink& link, const FetchKind& kind, const std::string& key, const std::string& trackRace,
                 const Storing& storing)
    {
        std::vector<std::string> records;
        show(kind.busy);
        pump();
        bool readAll = false;
        const int rc = link.JVRTOpen(kind.dataspec, key);
        if (rc == -1) {
            // JV-Link has nothing for the key yet (results before the first race, odds before the
            // sale opens): not a failure, so nothing is logged every ten minutes of the morning.
            result_.noData = true;
        } else if (rc != 0) {
            beep();
            error(trackRace + kind.failed + JVFailure("JVRTOpen", rc, link.lastError()), kind.logErrors);
        } else {
            // The import's cancel button belongs to the import: a real-time fetch has no cancel, so
            // a cancelled import never silently empties the fetches after it.
            const JVCancelFlag notCancelled{false};
            JVReadHandlers handlers;
            handlers.onRecord = [&](const std::string& rec) { records.push_back(rec); };
            handlers.pumpEvents = env_.pumpEvents;
            try {
                const JVReadResult read = JVReadLoop(link, kind.buffer, notCancelled, handlers, env_.downloadWait);
                if (read.end == JVReadEnd::Error || read.end == JVReadEnd::TimedOut) {
                    if (kind.odds)
                        beep();
                    error(read.end == JVReadEnd::Error ? JVFailure("JVRead", read.code, link.lastError())
                                                       : JVDownloadTimeoutText(read, env_.downloadWait),
                          kind.logErrors);
                }
                readAll = read.end == JVReadEnd::AllRead;
            } catch (const std::exception& e) {
                error(std::string("データ取得中のエラー：") + e.what(), kind.logErrors);
            }
            store(storing, records);
        }
        show("");
        pump();
        const int closed = link.JVClose();
        if (closed != 0) {
            if (kind.odds)
                beep();
            error(JVFailure("JVClose", closed, link.lastError()), kind.logErrors);
        } else if (!kind.odds) {
            beep();
        }
        return readAll;
    }

    // A record the store could not take: the fetch says so rather than losing it quietly.
    void storeFailed(const std::string& why, bool log) { error("保存エラー：" + why, log); }

    // The records of a request, stored once they are all in, under one hold of the application folder's
    // writer lock: each file read once, changed by each of its records in order, and replaced with the
    // others in one batch (StoreFiles). A day's results are hundreds of records, which one replace each
    // made hundreds of waits for the disk. result_.records counts the records that went into a file
    // saved; every record or file that was not saved says why.
    void store(const Storing& storing, const std::vector<std::string>& records)
    {
        if (records.empty())
            return;
        const FolderLock held = lock(storing.appFolder);
        if (!held) {
            for (std::size_t i = 0; i < records.size(); ++i)
                storeFailed(held.error(), storing.log);
            return;
        }
        StoreFiles files;
        for (const std::string& rec : records) {
            std::string why;
            if (!storing.rule(files, storing.folder, rec, &why))
                storeFailed(why, storing.log);
        }
        const StoreFiles::Committed committed = files.commit();
        for (const std::string& why : committed.errors)
            storeFailed(why, storing.log);
        result_.records += committed.records;
    }

    // The application folder's writer lock for one change; while it waits, DLlabel says so and the
    // window's events run.
    FolderLock lock(const fs::path& appFolder)
    {
        LockWait wait = DefaultLockWait();
        wait.notice = [this](const std::string& text) { show(text); };
        wait.pumpEvents = env_.pumpEvents;
        return LockForWriting(appFolder, wait);
    }

    // DLlabel keeps the last error when the fetch ends, so an unattended failure stays visible.
    void finish()
    {
        result_.status = lastError_;
        if (!lastError_.empty() && (result_.statusTexts.empty() || result_.statusTexts.back() != lastError_))
            show(lastError_);
    }

private:
    const FetchEnv& env_;
    FetchResult& result_;
    bool silent_;
    std::string lastError_;
};

bool keyIsSet(std::string_view key)
{
    return toIntDef(key, 0) > 0;
}

std::string trackRaceOf(std::string_view ra)
{
    return fromSjis(TrackName(VenueCode(ra))) + PadNumber(RaceNumberText(ra));
}

const std::string& selectedRa(const RaceDay& day)
{
    static const std::string none;
    if (day.CurRace < 0 || day.CurRace >= static_cast<int>(day.RaRecs.size()))
        return none;
    return day.RaRecs[static_cast<std::size_t>(day.CurRace)];
}

void addNotes(FetchResult& result, const ReadNotes& notes)
{
    result.notes.insert(result.notes.end(), notes.skipped.begin(), notes.skipped.end());
    if (notes.failed())
        result.notes.push_back(notes.error);
}

bool fileExists(const fs::path& path)
{
    std::error_code ec;
    return !path.empty() && fs::exists(path, ec);
}

// A change file of the day of rec in the CHG folder; empty when the record names no day.
fs::path changeFilePath(const fs::path& chgDir, std::string_view rec, std::string_view suffix)
{
    if (!hasDayDate(rec))
        return {};
    return findChildIgnoreCase(chgDir, fromSjis(DayName(rec) + std::string(suffix)));
}

bool prepareChangeFile(const fs::path& chgDir, std::string_view rec, std::string_view suffix, fs::path& path,
                       std::string* error)
{
    path = changeFilePath(chgDir, rec, suffix);
    if (path.empty()) {
        if (error)
            *error = "日付のない変更情報は保存できません。";
        return false;
    }
    std::error_code ec;
    fs::create_directories(chgDir, ec);
    return true;
}

bool storeWe(StoreFiles& files, const fs::path& chgDir, std::string_view rec, std::string* error)
{
    fs::path path;
    if (!prepareChangeFile(chgDir, rec, ".WE", path, error))
        return false;
    bool existed = false;
    std::vector<std::string>* lines = files.lines(path, existed, error);
    if (!lines)
        return false;
    const std::string line(StoredLine(rec));
    // An announcement is one venue's report of one kind at one time: a repeat replaces it.
    const std::string_view key = field(line, 12, 23);
    const auto same = std::find_if(lines->begin(), lines->end(),
                                   [&](const std::string& l) { return l.size() >= 34 && field(l, 12, 23) == key; });
    if (same != lines->end())
        *same = line;
    else
        lines->push_back(line);
    SortStoreLines(*lines);
    files.changed(path);
    return true;
}

bool storeTc(StoreFiles& files, const fs::path& chgDir, std::string_view rec, std::string* error)
{
    fs::path path;
    if (!prepareChangeFile(chgDir, rec, ".TC", path, error))
        return false;
    return KeyedFile(files, path, rec, true, error);
}

// Stores an odds record of the live odds: O1-O6 of a sale in progress (data kind neither "0" nor
// "9") for a real race, normalised.
bool storeOdds(StoreFiles& files, const fs::path& dataDir, const std::string& rec, std::string* why)
{
    const auto kind = storeKindOfType(RecordType(rec));
    if (!kind || *kind < StoreKind::O1 || *kind > StoreKind::O6)
        return true;
    const std::string_view dataKind = DataKind(rec);
    if (dataKind == "0" || dataKind == "9" || RaceNumber(rec) <= 0)
        return true;
    // Kept as announced in our own time series too, for backtests at bet-time odds.
    return KeyedFile(files, StoreFilePath(dataDir, *kind, rec), NormaliseRecord(rec), true, why, DeliveryOf(rec)) &&
           KeepSnapshot(files, OwnSnapshotFolder(AppFolderOfStore(dataDir)), rec, why);
}

bool storeResults(StoreFiles& files, const fs::path& dataDir, const std::string& rec, std::string* why)
{
    const std::string_view type = RecordType(rec);
    if (RaceNumber(rec) <= 0)
        return true;
    if (type == "RA") {
        // Race records go only into a day the import made; a fetch never starts a day's files.
        const fs::path path = StoreFilePath(dataDir, StoreKind::RA, rec);
        return !fileExists(path) || KeyedFile(files, path, NormaliseRecord(rec), true, why, DeliveryOf(rec));
    }
    if (type == "SE") {
        const fs::path path = StoreFilePath(dataDir, StoreKind::SE, rec);
        return HorseNumber(rec) <= 0 || !fileExists(path) || SlotFile(files, path, rec, why);
    }
    if (type == "HR")
        return KeyedFile(files, StoreFilePath(dataDir, StoreKind::HR, rec), rec, false, why);
    return true;
}

bool storeMining(StoreFiles& files, const fs::path& dataDir, const std::string& rec, std::string* why)
{
    const std::string_view type = RecordType(rec);
    if (RaceNumber(rec) <= 0)
        return true;
    if (type == "DM")
        return KeyedFile(files, StoreFilePath(dataDir, StoreKind::DM, rec), rec, true, why);
    if (type == "TM")
        return KeyedFile(files, StoreFilePath(dataDir, StoreKind::TM, rec), NormaliseRecord(rec), true, why,
                         DeliveryOf(rec));
    return true;
}

bool storeChanges(StoreFiles& files, const fs::path& chgDir, const std::string& rec, std::string* why)
{
    const std::string_view type = RecordType(rec);
    if (type == "WE")
        return storeWe(files, chgDir, rec, why);
    if (type == "TC")
        return storeTc(files, chgDir, rec, why);
    return true;
}

// The Data folder's records by rule, under the application folder's lock.
Storing dataStoring(const RaceDay& day, StoreRule rule)
{
    return Storing{true, day.DataDir, AppFolderOfStore(day.DataDir), rule};
}

} // namespace

std::string RaceKeyOf(const RaceDay& day)
{
    return std::string(RaceKey(selectedRa(day)));
}

std::string DateKeyOf(const RaceDay& day)
{
    return day.RaRecs.empty() ? std::string() : std::string(RaceDate(day.RaRecs[0]));
}

bool RaceChosen(const RaceDay& day)
{
    return !day.DayKey.empty() && std::any_of(day.RaceList.begin(), day.RaceList.end(),
                                              [&](const RaceListItem& item) { return item.slot == day.CurRace; });
}

bool StoreWeRecord(const fs::path& chgDir, std::string_view rec, std::string* error)
{
    StoreFiles files;
    return storeWe(files, chgDir, rec, error) && CommitStoreFiles(files, error);
}

bool StoreTcRecord(const fs::path& chgDir, std::string_view rec, std::string* error)
{
    StoreFiles files;
    return storeTc(files, chgDir, rec, error) && CommitStoreFiles(files, error);
}

FetchResult SokuhoOddsBtnClick(JVLink& link, RaceDay& day, const FetchEnv& env)
{
    FetchResult result;
    const std::string key = RaceKeyOf(day);
    if (!RaceChosen(day) || !keyIsSet(key))
        return result;
    result.ran = true;
    const std::string trackRace = trackRaceOf(selectedRa(day));
    FetchRun run(env, result, false);
    const FetchKind kind{"0B30", kJVReadBufferOdds, true, true, trackRace + "オッズ取得中", "R:ｵｯｽﾞ取得エラー："};
    result.oddsFetched = run.request(link, kind, key, trackRace, dataStoring(day, storeOdds));
    run.finish();
    day.OzRace = day.CurRace;
    ReadNotes notes;
    OzReadBtnClick(day, &notes);
    addNotes(result, notes);
    result.redisplay = !env.notRefresh;
    return result;
}

FetchResult KekkaGetBtnClick(JVLink& link, RaceDay& day, const FetchEnv& env, bool silent)
{
    FetchResult result;
    const std::string key = DateKeyOf(day);
    if (!RaceChosen(day) || !keyIsSet(key))
        return result;
    result.ran = true;
    FetchRun run(env, result, silent);
    const FetchKind kind{"0B12", kJVReadBufferRealTime, false,
                         true,   "ﾚｰｽ情報データ取得中", "R:ﾚｰｽ情報データ取得エラー："};
    run.request(link, kind, key, trackRaceOf(selectedRa(day)), dataStoring(day, storeResults));
    run.finish();
    ReadNotes notes;
    HrReadBtnClick(day, &notes);
    addNotes(result, notes);
    return result;
}

FetchResult GetDMBtnClick(JVLink& link, RaceDay& day, const FetchEnv& env, bool silent)
{
    FetchResult result;
    const std::string key = DateKeyOf(day);
    if (!RaceChosen(day) || !keyIsSet(key))
        return result;
    result.ran = true;
    FetchRun run(env, result, silent);
    const std::string trackRace = trackRaceOf(selectedRa(day));
    const Storing store = dataStoring(day, storeMining);
    const FetchKind timeType{"0B13", kJVReadBufferRealTime, false, true, "DM取得中", "R:DMデータ取得エラー："};
    const FetchKind matchType{"0B17", kJVReadBufferRealTime, false, true, "対戦DM取得中", "R:DMデータ取得エラー："};
    run.request(link, timeType, key, trackRace, store);
    run.request(link, matchType, key, trackRace, store);
    run.finish();
    ReadNotes notes;
    DMReadBtnClick(day, &notes);
    addNotes(result, notes);
    return result;
}

FetchResult GetKaisaiBtnClick(JVLink& link, RaceDay& day, const FetchEnv& env, bool silent)
{
    FetchResult result;
    const std::string key = DateKeyOf(day);
    if (day.DayKey.empty() || !keyIsSet(key))
        return result;
    result.ran = true;
    FetchRun run(env, result, silent);
    // Only a timer presses this fetch, so nobody watches it: its errors go to the error log like
    // those of every other unattended fetch.
    const FetchKind kind{"0B14", kJVReadBufferRealTime,  false,
                         true,   "開催速報データ取得中", "R:開催速報データ取得エラー："};
    const fs::path chgDir = day.ChgDir;
    const fs::path appFolder = AppFolderOfStore(day.DataDir);
    run.request(link, kind, key, trackRaceOf(selectedRa(day)), Storing{true, chgDir, appFolder, storeChanges});
    // The change reader writes moved post times back into the day's race file: a change of its own. It
    // takes the writer lock itself; taken here first, its wait shows on DLlabel and the window keeps
    // answering.
    const FolderLock lock = run.lock(appFolder);
    if (!lock) {
        run.storeFailed(lock.error(), true);
        run.finish();
        return result;
    }
    run.finish();
    const ChangeReadResult changes = KaisaiReadBtnClick(day, env.fetchTimes);
    addNotes(result, changes.notes);
    result.pressNextRace = changes.pressNextRace;
    result.movedSlots = changes.movedSlots;
    return result;
}

FetchResult FetchPassOdds(JVLink& link, RaceDay& day, const FetchEnv& env, std::string_view entry,
                          const std::function<void(const std::string&)>& dailyLog)
{
    FetchResult result;
    const int slot = SlotOfEntry(entry);
    const std::string key(field(entry, 1, 16));
    if (slot < 0 || slot >= kRaceSlots || !keyIsSet(key))
        return result;
    result.ran = true;
    const std::string trackRace = fromSjis(TrackName(field(entry, 9, 2))) + PadNumber(field(entry, 15, 2));
    FetchRun run(env, result, false);
    const FetchKind kind{"0B30", kJVReadBufferOdds, true, true, trackRace + "R ｵｯｽﾞ取得中", "R:"};
    result.oddsFetched = run.request(link, kind, key, trackRace, dataStoring(day, storeOdds));
    // The daily log records odds that arrived; a failed read is in the error log instead.
    if (result.oddsFetched && dailyLog) {
        dailyLog("-----");
        dailyLog("■オッズ取得 " + trackRace + "R " + env.clock.now().ymdHms());
    }
    run.finish();
    day.OzRace = slot;
    ReadNotes notes;
    OzReadBtnClick(day, &notes);
    addNotes(result, notes);
    return result;
}

} // namespace solvane
