// One writer at a time in an application folder. Every file the program keeps is changed by read, change,
// write whole and rename; two processes doing that to one file at once would each lose the other's change
// and both say they succeeded. So every change takes the folder's lock for its span: an operating-system
// lock on a lock file in the folder (flock on POSIX systems, LockFileEx on Windows), which the system
// releases when its process ends however it ends, so a killed holder never blocks the next writer.
//
// Inside one process the lock counts: the thread that holds it may take it again (an import pumping the
// window's events runs a fetch from a timer), and another thread of the process waits like another
// process would. Readers never take it.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace solvane {

// The writers' lock file of an application folder, and the lock file that the running window program
// holds for as long as it runs.
inline constexpr std::string_view kWriterLockName = "solvane.lock";
inline constexpr std::string_view kWindowLockName = "solvane-window.lock";

// Shown (once) when a writer finds the lock held and starts to wait.
inline constexpr std::string_view kLockWaitMessage = "他の処理がデータを更新中です。待機しています…";

// What a writer does while another holds the lock.
struct LockWait {
    std::chrono::milliseconds limit{60000};         // then it gives up and changes nothing
    std::function<void(const std::string&)> notice; // kLockWaitMessage, once, when the wait begins
    std::function<void()> pumpEvents;               // between tries (a window keeps answering)
};

// The wait of writers that are not given one of their own: the command-line program sends the notice to
// its error output and may shorten the limit. Process-wide; set once at start-up.
void SetDefaultLockWait(LockWait wait);
LockWait DefaultLockWait();

class FolderLock {
public:
    FolderLock() = default;
    FolderLock(FolderLock&& other) noexcept;
    FolderLock& operator=(FolderLock&& other) noexcept;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock();

    // Takes the lock of lockFile (created when missing), waiting as wait says. Not held: error() says why
    // in the program's words (the time limit passed, or the lock file could not be opened).
    static FolderLock acquire(const std::filesystem::path& lockFile, const LockWait& wait);
    // Takes the lock only when nobody else holds it; never waits.
    static FolderLock tryAcquire(const std::filesystem::path& lockFile);

    bool held() const { return held_; }
    explicit operator bool() const { return held_; }
    const std::string& error() const { return error_; }
    // True when it was not held because someone else holds it (rather than a lock file that failed).
    bool busy() const { return busy_; }
    void release();

private:
    bool held_ = false;
    bool busy_ = false;
    std::uint64_t device_ = 0, id_ = 0; // the lock file's identity: its entry in the process's table
    std::string error_;
};

// The writers' lock of an application folder, with the default wait or with the given one.
FolderLock LockForWriting(const std::filesystem::path& appFolder);
FolderLock LockForWriting(const std::filesystem::path& appFolder, const LockWait& wait);

} // namespace solvane
