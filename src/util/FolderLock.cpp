#include "util/FolderLock.h"

#include "util/Files.h"
#include "util/Text.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace solvane {

namespace {

using Identity = std::pair<std::uint64_t, std::uint64_t>;

// The locks this process holds, by lock file: one system handle each, the thread holding it and how
// many times that thread has taken it.
struct Held {
    std::intptr_t handle = 0;
    std::thread::id owner;
    int depth = 0;
};

std::mutex& tableMutex()
{
    static std::mutex m;
    return m;
}

std::map<Identity, Held>& table()
{
    static std::map<Identity, Held> t;
    return t;
}

std::mutex& defaultMutex()
{
    static std::mutex m;
    return m;
}

LockWait& defaultWait()
{
    static LockWait w;
    return w;
}

enum class Try { Got, Busy, Failed };

struct Attempt {
    Try outcome = Try::Failed;
    Identity identity;
    std::string error;
};

std::string openError(const std::filesystem::path& lockFile, const std::string& reason)
{
    return "ロックファイルを開けないため、変更できませんでした：" + pathToUtf8(lockFile) + ": " + reason;
}

#ifdef _WIN32

std::string systemText(DWORD code)
{
    wchar_t* buffer = nullptr;
    const DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (n > 0 && buffer)
        text = pathToUtf8(std::filesystem::path(std::wstring(buffer, n)));
    if (buffer)
        LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text.empty() ? strprintf("Windows error %lu", static_cast<unsigned long>(code)) : text;
}

// Opened for reading and writing, or for reading only in a folder that cannot be written: either may be
// locked. Shared in every way, so that nobody is kept from opening it to lock it in turn. Not inherited by
// programs this one starts.
std::intptr_t openLockFile(const std::filesystem::path& lockFile, std::string& error)
{
    constexpr DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE h = CreateFileW(lockFile.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        h = CreateFileW(lockFile.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = openError(lockFile, systemText(GetLastError()));
        return 0;
    }
    return reinterpret_cast<std::intptr_t>(h);
}

void closeLockFile(std::intptr_t handle)
{
    CloseHandle(reinterpret_cast<HANDLE>(handle));
}

bool identityOf(std::intptr_t handle, Identity& identity)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(reinterpret_cast<HANDLE>(handle), &info))
        return false;
    identity = {info.dwVolumeSerialNumber,
                (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    return true;
}

// Got, Busy, or Failed with error.
Try lockSystem(std::intptr_t handle, const std::filesystem::path& lockFile, std::string& error)
{
    OVERLAPPED at{};
    if (LockFileEx(reinterpret_cast<HANDLE>(handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
        return Try::Got;
    const DWORD code = GetLastError();
    if (code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING)
        return Try::Busy;
    error = openError(lockFile, systemText(code));
    return Try::Failed;
}

void unlockSystem(std::intptr_t handle)
{
    OVERLAPPED at{};
    UnlockFileEx(reinterpret_cast<HANDLE>(handle), 0, 1, 0, &at);
}

#else

std::intptr_t openLockFile(const std::filesystem::path& lockFile, std::string& error)
{
    // Not inherited by programs this one starts: a plug-in left running would hold the lock.
    int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 && (errno == EACCES || errno == EROFS))
        fd = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = openError(lockFile, std::strerror(errno));
        return -1;
    }
    return fd;
}

void closeLockFile(std::intptr_t handle)
{
    ::close(static_cast<int>(handle));
}

bool identityOf(std::intptr_t handle, Identity& identity)
{
    struct stat st {};
    if (::fstat(static_cast<int>(handle), &st) != 0)
        return false;
    identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return true;
}

Try lockSystem(std::intptr_t handle, const std::filesystem::path& lockFile, std::string& error)
{
    for (;;) {
        if (::flock(static_cast<int>(handle), LOCK_EX | LOCK_NB) == 0)
            return Try::Got;
        if (errno == EINTR)
            continue;
        if (errno == EWOULDBLOCK)
            return Try::Busy;
        error = openError(lockFile, std::strerror(errno));
        return Try::Failed;
    }
}

void unlockSystem(std::intptr_t handle)
{
    ::flock(static_cast<int>(handle), LOCK_UN);
}

#endif

bool opened(std::intptr_t handle)
{
#ifdef _WIN32
    return handle != 0;
#else
    return handle >= 0;
#endif
}

// One try: the process's own count when this thread holds the lock already, else the system's lock.
Attempt tryOnce(const std::filesystem::path& lockFile)
{
    Attempt a;
    const std::lock_guard guard(tableMutex());
    const std::intptr_t handle = openLockFile(lockFile, a.error);
    if (!opened(handle))
        return a;
    if (!identityOf(handle, a.identity)) {
        a.error = openError(lockFile, "ファイルの識別情報を読めません");
        closeLockFile(handle);
        return a;
    }
    const auto it = table().find(a.identity);
    if (it != table().end()) {
        closeLockFile(handle);
        if (it->second.owner != std::this_thread::get_id()) {
            a.outcome = Try::Busy;
            return a;
        }
        ++it->second.depth;
        a.outcome = Try::Got;
        return a;
    }
    a.outcome = lockSystem(handle, lockFile, a.error);
    if (a.outcome != Try::Got) {
        closeLockFile(handle);
        return a;
    }
    table()[a.identity] = Held{handle, std::this_thread::get_id(), 1};
    return a;
}

} // namespace

void SetDefaultLockWait(LockWait wait)
{
    const std::lock_guard guard(defaultMutex());
    defaultWait() = std::move(wait);
}

LockWait DefaultLockWait()
{
    const std::lock_guard guard(defaultMutex());
    return defaultWait();
}

FolderLock::FolderLock(FolderLock&& other) noexcept
    : held_(std::exchange(other.held_, false)), busy_(other.busy_), device_(other.device_), id_(other.id_),
      error_(std::move(other.error_))
{
}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept
{
    if (this != &other) {
        release();
        held_ = std::exchange(other.held_, false);
        busy_ = other.busy_;
        device_ = other.device_;
        id_ = other.id_;
        error_ = std::move(other.error_);
    }
    return *this;
}

FolderLock::~FolderLock()
{
    release();
}

void FolderLock::release()
{
    if (!held_)
        return;
    held_ = false;
    const std::lock_guard guard(tableMutex());
    const auto it = table().find({device_, id_});
    if (it == table().end() || --it->second.depth > 0)
        return;
    unlockSystem(it->second.handle);
    closeLockFile(it->second.handle);
    table().erase(it);
}

FolderLock FolderLock::tryAcquire(const std::filesystem::path& lockFile)
{
    FolderLock lock;
    const Attempt a = tryOnce(lockFile);
    lock.held_ = a.outcome == Try::Got;
    lock.busy_ = a.outcome == Try::Busy;
    lock.device_ = a.identity.first;
    lock.id_ = a.identity.second;
    lock.error_ = a.error;
    return lock;
}

FolderLock FolderLock::acquire(const std::filesystem::path& lockFile, const LockWait& wait)
{
    using Steady = std::chrono::steady_clock;
    const auto deadline = Steady::now() + wait.limit;
    bool told = false;
    for (;;) {
        FolderLock lock = tryAcquire(lockFile);
        if (lock.held_ || !lock.busy_)
            return lock;
        if (!told) {
            told = true;
            if (wait.notice)
                wait.notice(std::string(kLockWaitMessage));
        }
        const auto now = Steady::now();
        if (now >= deadline) {
            const auto seconds = std::chrono::ceil<std::chrono::seconds>(wait.limit).count();
            lock.error_ = strprintf("他の処理がデータを更新しているため、変更できませんでした（%lld秒待ちました）。"
                                    "しばらくしてからやり直してください。",
                                    static_cast<long long>(seconds));
            return lock;
        }
        if (wait.pumpEvents)
            wait.pumpEvents();
        std::this_thread::sleep_for(
            std::min<Steady::duration>(std::chrono::milliseconds(20), deadline - Steady::now()));
    }
}

FolderLock LockForWriting(const std::filesystem::path& appFolder)
{
    return LockForWriting(appFolder, DefaultLockWait());
}

FolderLock LockForWriting(const std::filesystem::path& appFolder, const LockWait& wait)
{
    const std::filesystem::path folder = appFolder.empty() ? std::filesystem::path(".") : appFolder;
    return FolderLock::acquire(folder / std::string(kWriterLockName), wait);
}

} // namespace solvane
