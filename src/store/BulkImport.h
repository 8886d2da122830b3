// The bulk import without its window: JVOpen("RACEMING", start, option), the download wait, the read
// loop that stores every record by the storing table, and the close step, with the window's texts.
//
// Two ways to drive it:
// - step by step, as the import window does: start(), then pollStatus() from a 10 ms timer while
//   state() is Downloading, then read(); cancel() from the cancel button (after the user said yes);
// - run(), which does all of it and calls pumpEvents between status polls (a command-line caller
//   waits a little in pumpEvents; the driver itself never sleeps).
//
// The day files are kept in memory while JV-Link files are read and saved, as one batch of files
// (ReplaceBatch), at the first file switch after saveAtBytes of lines are held, at the end, on cancel and on
// error (unless perRecord is set, which stores each record by load-change-save as it arrives). Either way
// the files are the same bytes, everything read before a cancel or an error is stored, and a new LastTime
// is given only after the normal end of the data, when every file saved is on the disk. A batch of a few
// megabytes waits for the disk a few times where a save per JV-Link file (often one day file each) waited
// twice per file.
//
// Every save holds the application folder's writer lock (the Data folder's parent) for its span, so that
// another process writing the same files meanwhile loses nothing; a save that finds the lock held waits
// as the default lock wait says, with kLockWaitMessage on the progress label, and when the lock does not
// come ends the import as an error without saving the lines it held.
//
// A file that cannot be saved (Data folder missing, disk full, a folder in the way) ends the import as
// an error with the reason; its old contents stay. Per record that is at the record; with held day
// files it is at the next save, and the other files held are still saved. Either
// way LastTime is not moved, so the next import from the same start delivers the lost records again.
#pragma once

#include "jvdata/JVLink.h"
#include "jvdata/JVReadLoop.h"
#include "store/DayFileCache.h"
#include "store/StoreRecord.h"
#include "util/Clock.h"
#include "util/FolderLock.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace solvane {

struct BulkImportOptions {
    fs::path dataFolder;      // AppFolder/Data (StoreFolder)
    DateTime start;           // the picker's value
    bool setupData = false;   // "セットアップデータ" (option 3); otherwise "通常データ" (option 1)
    bool KakuteiOzGet = true; // "確定オッズも合わせて取得する"
    bool perRecord = false;   // store each record by load-change-save instead of keeping day files
    std::size_t saveAtBytes = std::size_t{4} << 20;    // save at a file switch once this much is held
    std::size_t flushAtBytes = std::size_t{256} << 20; // save at once, inside a file, when this much is held
    JVDownloadWait downloadWait;                       // JVRead answering "still downloading"
};

// Every text is UTF-8. Each callback may be empty.
struct BulkImportCallbacks {
    std::function<void()> pumpEvents;
    std::function<void(const std::string&)> progressLabel;   // ProgressLabel
    std::function<void(int position, int maximum)> download; // ProgressBar1
    std::function<void(int position, int maximum)> reading;  // ProgressBar2
    std::function<void(const std::string&)> dataLabel;       // MkDataLabel ("" clears it)
    std::function<void(const std::string&)> notice;          // a record skipped with a reason
};

struct BulkImportResult {
    enum class End { None, NothingNew, Completed, Cancelled, Error };
    End end = End::None;
    bool error = false;
    std::string label;                   // the progress label's last text
    std::string message;                 // the last message shown to the user (label when there was none)
    std::vector<std::string> messages;   // every information message in order (the window beeps and shows each)
    std::optional<std::string> LastTime; // "yyyy/mm/dd hh:nn:ss": the new LastTime after a normal end
    int readCount = 0, downloadCount = 0, filesRead = 0;
    long long recordsRead = 0, recordsStored = 0, recordsRejected = 0;
    long long bytesStored = 0; // bytes of the stored lines with their CR LF
    std::size_t filesWritten = 0;
};

class BulkImport {
public:
    enum class State { Idle, Downloading, Reading, Finished };

    BulkImport(JVLink& link, JVCancelFlag& JVCancelRequested, BulkImportOptions options,
               BulkImportCallbacks callbacks = {});
    ~BulkImport();
    BulkImport(const BulkImport&) = delete;
    BulkImport& operator=(const BulkImport&) = delete;

    // Clears JVCancelRequested and opens the request. Then Downloading, Reading or (nothing to read, or
    // an error, the request already closed) Finished.
    State start();
    // One JVStatus poll while Downloading; Reading once every file is downloaded.
    State pollStatus();
    // The read loop, the end-of-data work and the close step; Finished.
    State read();
    // The cancel button: JVCancel, raise JVCancelRequested, say so. While downloading the request is
    // closed at once; while reading the loop ends at its next turn and then closes it.
    void cancel();
    // start(), the download wait (pumpEvents between polls) and read().
    const BulkImportResult& run();

    State state() const { return state_; }
    const BulkImportResult& result() const { return result_; }

private:
    void label(const std::string& text);
    void say(const std::string& text, bool isError);
    void close();
    void finish(BulkImportResult::End end);
    void cancelRequested();
    void storeRecord(const std::string& rec);
    void fileSwitch();
    FolderLock lockStore();
    bool flush();
    void endOfData();

    JVLink& link_;
    JVCancelFlag& cancel_;
    BulkImportOptions options_;
    BulkImportCallbacks callbacks_;
    BulkStoreRules rules_;
    std::unique_ptr<DayFileCache> cache_;
    std::string lastFileTimestamp_;
    State state_ = State::Idle;
    bool cancelCalled_ = false;
    BulkImportResult result_;
};

// "yyyy/mm/dd hh:nn:ss" from the last file time stamp of JVOpen, or nothing when it is blank, fourteen
// zeros or not a date-time.
std::optional<std::string> LastTimeFromTimestamp(std::string_view stamp);

} // namespace solvane
