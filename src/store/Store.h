// The local data store: one Shift-JIS text file per race day and record type in the Data folder of the
// application folder, one record per line (the record without its own CR LF), CR LF line ends.
//
// Three layouts place a record in its file:
// - keyed: one line per race key (positions 12-27), lines sorted (see StoreLineLess);
// - slots: 216 fixed lines, one per (race 1-12, horse 1-18);
// - one record: the file is the one record.
//
// The rules come twice: as in-memory steps on a list of lines (used by the bulk import, which keeps a
// day's files in memory while it reads) and as load-change-save file operations taking one record (used
// by the real-time fetches, through StoreFiles, and as the reference the bulk import is checked against).
// Both produce the same bytes because the file operations are built from the in-memory steps.
//
// Every record and every line is a Shift-JIS byte string; file names are formed in Shift-JIS and
// converted to UTF-8 only where they become paths. Error texts are UTF-8.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace solvane {

namespace fs = std::filesystem;

enum class StoreKind { RA, SE, HR, WF, TM, DM, O1, O2, O3, O4, O5, O6 };

enum class StoreLayout { Keyed, Slots, OneRecord };

struct StoreKindInfo {
    StoreKind kind;
    std::string_view type;   // record type, positions 1-2
    std::string_view suffix; // file name suffix after DayName (and the track name for runners)
    int recordLength;        // JV-Data record length including CR LF
    StoreLayout layout;
};

const StoreKindInfo& storeKindInfo(StoreKind kind);
// The kind stored for a record type ("RA", "O3" ...), or nothing for types the store does not keep.
std::optional<StoreKind> storeKindOfType(std::string_view type);

inline constexpr int kSlotRaces = 12;
inline constexpr int kSlotHorses = 18;
inline constexpr int kSlotCount = kSlotRaces * kSlotHorses; // 216
inline constexpr std::size_t kSlotLineLength = 553;         // an SE record without its CR LF

// Positions 12-15 + "年" + 16-17 + "月" + 18-19 + "日": 14 Shift-JIS bytes ("2024年01月06日").
std::string DayName(std::string_view rec);
// True when positions 12-19 are eight ASCII digits, so that DayName is a safe file name stem.
bool hasDayDate(std::string_view rec);

// The file name of a record of the given kind: DayName + suffix, for runners DayName + TrackName of
// positions 20-21 + ".jvSEr". Shift-JIS.
std::string StoreFileName(StoreKind kind, std::string_view rec);

// AppFolder/Data, the folder name matched ignoring case.
fs::path StoreFolder(const fs::path& appFolder);
// The application folder of a Data folder (its parent), whose writer lock guards the store's files.
fs::path AppFolderOfStore(const fs::path& dataFolder);
// The path of a store file named in Shift-JIS, matched ignoring case inside dataFolder.
fs::path StoreFilePath(const fs::path& dataFolder, std::string_view sjisName);
// Empty when the record's date (positions 12-19) is not eight digits: it would not name a day file, and
// could name a file outside the folder. The file rules refuse an empty path with a message.
fs::path StoreFilePath(const fs::path& dataFolder, StoreKind kind, std::string_view rec);

// The record as a stored line: without its final CR LF (or a lone final LF).
std::string_view StoredLine(std::string_view rec);
// Positions 3-11 (data kind and creation date) overwritten with "000000000", so the stored line no
// longer tells which delivery it came from. Works on a record or on a line.
std::string NormaliseRecord(std::string_view rec);

// True when the text holds a CR or LF: such a record would become two lines of its file.
bool HasLineBreak(std::string_view line);

// Positions 3-11 of a record as it was delivered: its data kind and creation date.
std::string_view DeliveryOf(std::string_view rec);
// True when a record delivered with this header (positions 3-11) is older than the stored line of the
// same key, which it must then not replace: a re-import from an earlier start would otherwise move a
// day back to what was known before its results. Older means an earlier creation date, or the same
// date and an earlier data kind ("1" … "8" in their order, then "9" cancelled, then "0" deleted). Only
// lines that tell both are compared: a normalised line ("000000000") or a garbled date never stops a
// replace.
bool IsOlderDelivery(std::string_view delivery, std::string_view storedLine);

// Line order of keyed files: byte order of the Shift-JIS text with ASCII letters compared ignoring case
// (only single-byte characters are folded; the trail byte of a double-byte character is never a
// letter). Lines equal under that comparison (they differ only in letter case) are ordered by their
// raw bytes, so the order is total: the same set of lines always gives the same file.
bool StoreLineLess(std::string_view a, std::string_view b);
void SortStoreLines(std::vector<std::string>& lines);

// Slot line index of a runner, (race - 1) * 18 + (horse - 1) counted from 0; nothing outside races 1-12
// or horses 1-18.
std::optional<int> SlotIndex(int race, int horse);
std::vector<std::string> EmptySlotLines();
std::vector<std::string_view> EmptySlotLineViews(); // views of one static blank line
// A loaded runner file always has 216 lines: missing slots are added empty, lines past the 216th are
// dropped (they cannot belong to any slot).
void FitSlotLines(std::vector<std::string>& lines);
void FitSlotLines(std::vector<std::string_view>& lines);

// In-memory steps. The lines are the file's lines; line is a stored line (no CR LF). delivery is the
// header the record arrived with (DeliveryOf); empty when line still holds it (it was not normalised).
//
// Keyed: replace the first line whose positions 12-27 equal the line's (or append it), sort, and when
// dropBlankFirstLine is set delete the first line if it is blank after trimming (payouts keep it).
// A line of that key from a newer delivery stays (IsOlderDelivery); the list is sorted all the same.
// When linesSorted is true the list is known to be in StoreLineLess order already, and the step works
// by removing and inserting one line instead of sorting; the result is the same.
void KeyedStep(std::vector<std::string>& lines, std::string line, bool dropBlankFirstLine, bool linesSorted = false,
               std::string_view delivery = {});
void KeyedStep(std::vector<std::string_view>& lines, std::string_view line, bool dropBlankFirstLine,
               bool linesSorted = false, std::string_view delivery = {});
// Slots: put the line at the slot of its race (26-27) and horse (29-30), unless the slot holds that
// race's horse from a newer delivery. False (nothing changed) when they are outside races 1-12 or
// horses 1-18.
bool SlotStep(std::vector<std::string>& lines, std::string line, std::string_view delivery = {});
bool SlotStep(std::vector<std::string_view>& lines, std::string_view line, std::string_view delivery = {});
// The lines of a file's bytes exactly as splitLines gives them, as views into bytes.
std::vector<std::string_view> SplitStoreLines(std::string_view bytes);
// The lines with CR LF ends into out (whose capacity is reused).
void JoinStoreLines(const std::vector<std::string_view>& lines, std::string& out);

// An existing file is taken as lines whatever they hold. Lines that are not records of the file's type
// (a damaged or hand-edited file) are kept and sorted in with the rest, never dropped, since they may be
// someone's data; a line too short to hold a race key never matches one, so a record of that key is
// added beside it. A runner file with the wrong number of lines is fitted to 216 (FitSlotLines).
//
// Reads a store file as lines. A missing file gives no lines and true; a file that exists but cannot
// be read gives false and the reason, so that a later save never overwrites what could not be read.
bool LoadStoreLines(const fs::path& path, std::vector<std::string>& lines, bool& existed, std::string* error);
bool LoadStoreBytes(const fs::path& path, std::string& bytes, bool& existed, std::string* error);
// Writes the lines with CR LF ends, all or nothing (the old file stays on failure).
bool SaveStoreLines(const fs::path& path, const std::vector<std::string>& lines, std::string* error);
bool SaveStoreBytes(const fs::path& path, std::string_view bytes, std::string* error);
// The message of a store file that could not be saved, from the reason in plain words.
std::string StoreSaveError(const std::string& reason);

// Store files changed in memory and replaced together: each file is read on its first use and kept,
// every rule that changes it changes the kept lines, and commit() replaces all the changed files as one
// batch (ReplaceBatch). Every replace waits for the disk, so a fetch stores its records through one: a
// file that takes many records (a day's runners, a day's payouts) is written once, and the disk is waited
// for once per fetch rather than twice per record. The caller holds the application folder's writer lock
// from the first use to the commit.
class StoreFiles {
public:
    // The file's lines as changed here, or else as on disk (existed: on disk or changed here). Nothing,
    // with the reason, when the file exists but cannot be read; it is asked for again next time.
    std::vector<std::string>* lines(const fs::path& path, bool& existed, std::string* error);
    // One more record went into the file's lines.
    void changed(const fs::path& path);
    // The file's lines changed by a copy of a record counted elsewhere (a snapshot kept beside the store):
    // written at the commit, not counted.
    void copied(const fs::path& path);

    struct Committed {
        long long records = 0;           // records that went into the files replaced
        std::vector<std::string> errors; // one for each file that kept its old version (StoreSaveError)
    };
    Committed commit();

private:
    struct File {
        std::vector<std::string> lines;
        bool existed = false;
        bool changed = false;
        long long records = 0;
    };
    std::vector<std::pair<fs::path, File>> files_; // in the order first used
};

// Load-change-save rules taking one record text with its CR LF (for a normalised record, delivery is
// the header it arrived with). False with a message when the file could not be read or written; the
// old file is then unchanged. The caller holds the application folder's writer lock (AppFolderOfStore).
// With files, the change goes into files and is written by its commit.
bool KeyedFile(const fs::path& path, std::string_view rec, bool dropBlankFirstLine = true, std::string* error = nullptr,
               std::string_view delivery = {});
bool KeyedFile(StoreFiles& files, const fs::path& path, std::string_view rec, bool dropBlankFirstLine,
               std::string* error, std::string_view delivery = {});
bool SlotFile(const fs::path& path, std::string_view rec, std::string* error = nullptr);
bool SlotFile(StoreFiles& files, const fs::path& path, std::string_view rec, std::string* error);
bool OneRecordFile(const fs::path& path, std::string_view rec, std::string* error = nullptr);
// Commits files as the one-record rules do: false with the first file's error.
bool CommitStoreFiles(StoreFiles& files, std::string* error);

// The stored race days: the DayName stems of the ".jvRA" files of dataFolder (suffix matched ignoring
// case, names that do not start with a DayName left out), newest first, each once. Shift-JIS.
std::vector<std::string> ListStoredDays(const fs::path& dataFolder);

} // namespace solvane
