// A lock file held the way another process holds it: through a handle of its own, outside this process's
// count of the locks it holds, so that this process's writers find it busy. Released by release() or at
// the end of the scope, as the system releases a process's locks when it ends. And the process's default
// lock wait, shortened for one test.
#pragma once

#include "util/Files.h"
#include "util/FolderLock.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace solvane::test {

class LockedElsewhere {
public:
    explicit LockedElsewhere(const std::filesystem::path& lockFile)
    {
#ifdef _WIN32
        handle_ = CreateFileW(lockFile.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        OVERLAPPED at{};
        held_ = handle_ != INVALID_HANDLE_VALUE &&
                LockFileEx(handle_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at);
#else
        fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        held_ = fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
#endif
    }
    ~LockedElsewhere()
    {
        release();
    }
    LockedElsewhere(const LockedElsewhere&) = delete;
    LockedElsewhere& operator=(const LockedElsewhere&) = delete;

    bool held() const
    {
        return held_;
    }

    void release()
    {
        held_ = false;
#ifdef _WIN32
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
#else
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
#endif
    }

private:
    bool held_ = false;
#ifdef _WIN32
    HANDLE handle_ = INVALID_HANDLE_VALUE;
#else
    int fd_ = -1;
#endif
};

// The default wait of writers, shortened (and told to notice) for the scope, then put back.
class ShortLockWait {
public:
    explicit ShortLockWait(std::chrono::milliseconds limit, std::function<void(const std::string&)> notice = {})
        : before_(DefaultLockWait())
    {
        LockWait wait;
        wait.limit = limit;
        wait.notice = std::move(notice);
        SetDefaultLockWait(std::move(wait));
    }
    ~ShortLockWait() { SetDefaultLockWait(before_); }
    ShortLockWait(const ShortLockWait&) = delete;
    ShortLockWait& operator=(const ShortLockWait&) = delete;

private:
    LockWait before_;
};

} // namespace solvane::test
