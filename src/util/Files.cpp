#include "util/Files.h"

#include "util/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <set>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace solvane {

std::optional<std::string> readFile(const fs::path& path)
{
    FILE* f = openForReading(path);
    if (!f)
        return std::nullopt;
    std::string data;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        data.append(buffer, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        return std::nullopt;
    return data;
}

static fs::path temporaryBeside(const fs::path& path)
{
    thread_local std::mt19937 rng{std::random_device{}()};
    const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
    fs::path name = path.filename();
    name += strprintf(".tmp%08x", static_cast<unsigned>(rng()));
    return dir / name;
}

#ifdef _WIN32

// The system's text for a Windows error code, in UTF-8 and without the line end.
static std::string windowsErrorText(DWORD code)
{
    wchar_t* buffer = nullptr;
    const DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (n > 0 && buffer) {
        text = pathToUtf8(fs::path(std::wstring(buffer, n)));
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
            text.pop_back();
    }
    if (buffer)
        LocalFree(buffer);
    if (text.empty())
        text = strprintf("Windows error %lu", static_cast<unsigned long>(code));
    return text;
}

static std::string describeError(const fs::path& path, DWORD code)
{
    return pathToUtf8(path) + ": " + windowsErrorText(code);
}

std::FILE* openForReading(const fs::path& path)
{
    // FILE_SHARE_DELETE lets another writer rename its new version over this file while it is read.
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return nullptr;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        return nullptr;
    }
    std::FILE* f = _fdopen(fd, "rb");
    if (!f)
        _close(fd);
    return f;
}

FileReader::FileReader(const fs::path& path)
{
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    handle_ = reinterpret_cast<std::intptr_t>(h);
    LARGE_INTEGER size{};
    if (GetFileSizeEx(h, &size))
        size_ = static_cast<std::int64_t>(size.QuadPart);
}

FileReader::~FileReader()
{
    if (handle_ != -1)
        CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

bool FileReader::readAt(std::int64_t offset, char* to, std::size_t length) const
{
    if (size_ < 0 || offset < 0)
        return false;
    while (length > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(length, 1u << 30));
        DWORD n = 0;
        if (!ReadFile(reinterpret_cast<HANDLE>(handle_), to, chunk, &n, &at) || n == 0)
            return false;
        to += n;
        offset += n;
        length -= n;
    }
    return true;
}

std::optional<FileStamp> fileStampOf(const fs::path& path)
{
    // No access rights asked: only the attributes are read, and nobody else is locked out.
    const HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!ok)
        return std::nullopt;
    FileStamp s;
    s.device = info.dwVolumeSerialNumber;
    s.id = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    s.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    // FILETIME counts 100-ns steps from 1601-01-01.
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
    constexpr std::uint64_t kTicksFrom1601To1970 = 116444736000000000ull;
    s.mtimeNs = (static_cast<std::int64_t>(ticks) - static_cast<std::int64_t>(kTicksFrom1601To1970)) * 100;
    return s;
}

// Renames tmp over path. Windows refuses to replace a file that is open, even one opened with
// FILE_SHARE_DELETE as our readers do; such a file may still be renamed, though. So when the plain
// replace is refused, the old file is first moved aside under a temporary name (its readers keep
// reading it), the new one takes its name and the old one is deleted once its readers are done. A
// reader that opened the old file without FILE_SHARE_DELETE (a virus scanner, an editor) blocks both
// for a moment: everything is tried again for about a second before giving up.
static DWORD replaceByRename(const fs::path& tmp, const fs::path& path)
{
    DWORD err = ERROR_SUCCESS;
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (MoveFileExW(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return ERROR_SUCCESS;
        err = GetLastError();
        if (err != ERROR_ACCESS_DENIED && err != ERROR_SHARING_VIOLATION && err != ERROR_LOCK_VIOLATION)
            break;
        // Only a file is moved aside: a folder in the file's place stays where it is, and the write fails.
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
            break;
        const fs::path aside = temporaryBeside(path);
        if (MoveFileExW(path.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH)) {
            if (MoveFileExW(tmp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
                // Deleted now, or when its last reader closes it.
                if (!DeleteFileW(aside.c_str()))
                    MoveFileExW(aside.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
                return ERROR_SUCCESS;
            }
            err = GetLastError();
            MoveFileExW(aside.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH); // the old file back
        }
        Sleep(50);
    }
    return err;
}

using SystemError = DWORD;

static std::string describe(const fs::path& path, SystemError code)
{
    return describeError(path, code);
}

// Writes bytes to a new temporary beside path and flushes them to the disk: the moves that follow are made
// with write-through, so the bytes are there before the name. On failure the temporary is removed.
static SystemError writeTemporary(const fs::path& path, std::string_view bytes, fs::path& tmp, bool)
{
    tmp = temporaryBeside(path);
    const HANDLE h = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return GetLastError();
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    DWORD err = ERROR_SUCCESS;
    while (left > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(left, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(h, p, chunk, &written, nullptr)) {
            err = GetLastError();
            break;
        }
        p += written;
        left -= written;
    }
    if (err == ERROR_SUCCESS && !FlushFileBuffers(h))
        err = GetLastError();
    if (!CloseHandle(h) && err == ERROR_SUCCESS)
        err = GetLastError();
    if (err != ERROR_SUCCESS)
        DeleteFileW(tmp.c_str());
    return err;
}

// Flushed when it was written.
static SystemError syncTemporary(const fs::path&)
{
    return ERROR_SUCCESS;
}

static SystemError renameTemporary(const fs::path& tmp, const fs::path& path)
{
    return replaceByRename(tmp, path);
}

static void removeTemporary(const fs::path& tmp)
{
    DeleteFileW(tmp.c_str());
}

// Every replace is made with write-through: the folder's new names are on the disk already.
static bool syncFolder(const fs::path&, std::string* = nullptr)
{
    return true;
}

fs::path pathFromUtf8(std::string_view utf8)
{
    fs::path p(std::u8string(utf8.begin(), utf8.end()));
    p.make_preferred();
    return p;
}

std::string pathToUtf8(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

#else

std::FILE* openForReading(const fs::path& path)
{
    return std::fopen(path.c_str(), "rb");
}

FileReader::FileReader(const fs::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    handle_ = fd;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        size_ = static_cast<std::int64_t>(st.st_size);
}

FileReader::~FileReader()
{
    if (handle_ >= 0)
        ::close(static_cast<int>(handle_));
}

bool FileReader::readAt(std::int64_t offset, char* to, std::size_t length) const
{
    if (size_ < 0 || offset < 0)
        return false;
    while (length > 0) {
        const ssize_t n = ::pread(static_cast<int>(handle_), to, length, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        to += n;
        offset += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<FileStamp> fileStampOf(const fs::path& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    FileStamp s;
    s.device = static_cast<std::uint64_t>(st.st_dev);
    s.id = static_cast<std::uint64_t>(st.st_ino);
    s.size = static_cast<std::int64_t>(st.st_size);
    s.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return s;
}

static std::string describeErrno(const fs::path& path, int err)
{
    return pathToUtf8(path) + ": " + std::strerror(err);
}

using SystemError = int;

static std::string describe(const fs::path& path, SystemError err)
{
    return describeErrno(path, err);
}

// Waits for the file's data (and the size that reads it back). A file system that cannot sync (EINVAL)
// has nothing to wait for.
static int syncFile(int fd)
{
#ifdef __linux__
    const int rc = ::fdatasync(fd);
#else
    const int rc = ::fsync(fd);
#endif
    return rc == 0 || errno == EINVAL ? 0 : errno;
}

// Waits until the folder's entries (the names that renames changed) are on the disk.
static bool syncFolder(const fs::path& folder, std::string* error = nullptr)
{
    const fs::path dir = folder.empty() ? fs::path(".") : folder;
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = describeErrno(dir, errno);
        return false;
    }
    const int err = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
    ::close(fd);
    if (err != 0 && error)
        *error = describeErrno(dir, err);
    return err == 0;
}

// Writes bytes to a new temporary beside path. With syncNow the bytes are on the disk when it returns;
// otherwise they are only on their way (syncTemporary waits for them), so that the waits of a batch of
// files come together. On failure the temporary is removed.
static SystemError writeTemporary(const fs::path& path, std::string_view bytes, fs::path& tmp, bool syncNow)
{
    tmp = temporaryBeside(path);
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno;
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    int err = 0;
    while (left > 0) {
        const ssize_t w = ::write(fd, p, left);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            break;
        }
        p += w;
        left -= static_cast<std::size_t>(w);
    }
    if (err == 0 && syncNow)
        err = syncFile(fd);
#ifdef __linux__
    else if (err == 0)
        ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE); // a head start only: failure costs nothing
#endif
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err != 0)
        ::unlink(tmp.c_str());
    return err;
}

static SystemError syncTemporary(const fs::path& tmp)
{
    const int fd = ::open(tmp.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int err = syncFile(fd);
    ::close(fd);
    return err;
}

static SystemError renameTemporary(const fs::path& tmp, const fs::path& path)
{
    return ::rename(tmp.c_str(), path.c_str()) == 0 ? 0 : errno;
}

static void removeTemporary(const fs::path& tmp)
{
    ::unlink(tmp.c_str());
}

fs::path pathFromUtf8(std::string_view utf8)
{
    return fs::path(std::string(utf8));
}

std::string pathToUtf8(const fs::path& path)
{
    return path.string();
}

#endif

fs::path findChildIgnoreCase(const fs::path& dir, std::string_view name)
{
    fs::path exact = dir / pathFromUtf8(name);
    std::error_code ec;
#ifdef _WIN32
    // The file system ignores case already; the entry keeps the name it has on disk, as elsewhere.
    WIN32_FIND_DATAW found;
    const HANDLE h = FindFirstFileW(exact.c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        FindClose(h);
        return dir / found.cFileName;
    }
    return exact;
#else
    if (fs::exists(exact, ec))
        return exact;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (equalsIgnoreCase(pathToUtf8(it->path().filename()), name))
            return it->path();
    }
    return exact;
#endif
}

static fs::path folderOf(const fs::path& path)
{
    return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

bool writeFileAtomic(const fs::path& path, std::string_view bytes, std::string* error)
{
    fs::path tmp;
    SystemError err = writeTemporary(path, bytes, tmp, true);
    if (err == 0) {
        err = renameTemporary(tmp, path);
        if (err != 0)
            removeTemporary(tmp);
    }
    if (err != 0) {
        if (error)
            *error = describe(path, err);
        return false;
    }
    // The new name is in place whatever the folder's sync says; a folder that fails to sync has no
    // better answer than the one the next write gets.
    syncFolder(folderOf(path));
    return true;
}

ReplaceBatch::~ReplaceBatch()
{
    for (const Entry& e : entries_)
        removeTemporary(e.tmp);
}

bool ReplaceBatch::add(const fs::path& path, std::string_view bytes, std::string* error)
{
    fs::path tmp;
    const SystemError err = writeTemporary(path, bytes, tmp, false);
    if (err != 0) {
        if (error)
            *error = describe(path, err);
        return false;
    }
    entries_.push_back(Entry{path, tmp, bytes.size()});
    return true;
}

bool ReplaceBatch::commit(std::string* error)
{
    bool ok = true;
    auto fail = [&](const std::string& why) {
        if (ok && error)
            *error = why;
        ok = false;
    };
    // Every file's bytes first, then the names: no name ever points at bytes that are not there.
    auto failFile = [&](const Entry& e, SystemError err) {
        removeTemporary(e.tmp);
        failures_.push_back({e.path, describe(e.path, err)});
        fail(failures_.back().reason);
    };
    std::vector<Entry> synced;
    for (const Entry& e : entries_) {
        if (const SystemError err = syncTemporary(e.tmp); err != 0)
            failFile(e, err);
        else
            synced.push_back(e);
    }
    entries_.clear();
    std::set<fs::path> folders;
    for (const Entry& e : synced) {
        if (const SystemError err = renameTemporary(e.tmp, e.path); err != 0) {
            failFile(e, err);
            continue;
        }
        ++committedFiles_;
        committedBytes_ += e.size;
        folders.insert(folderOf(e.path));
    }
    for (const fs::path& folder : folders) {
        std::string why;
        if (!syncFolder(folder, &why))
            fail(why);
    }
    return ok;
}

bool isWriteTemporary(std::string_view name)
{
    const std::size_t at = name.rfind(".tmp");
    if (at == std::string_view::npos || at == 0 || name.size() != at + 12)
        return false;
    return name.find_first_not_of("0123456789abcdef", at + 4) == std::string_view::npos;
}

int sweepWriteTemporaries(const fs::path& folder, std::chrono::seconds minAge)
{
    int removed = 0;
    std::error_code ec;
    const auto now = fs::file_time_type::clock::now();
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code e;
        if (!it->is_regular_file(e) || !isWriteTemporary(pathToUtf8(it->path().filename())))
            continue;
        const auto written = it->last_write_time(e);
        if (e || now - written < minAge)
            continue;
        if (fs::remove(it->path(), e))
            ++removed;
    }
    return removed;
}

} // namespace solvane
