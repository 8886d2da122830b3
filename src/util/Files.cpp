#include "util/Files.h"

#include "util/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

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

bool writeFileAtomic(const fs::path& path, std::string_view bytes, std::string* error)
{
    const fs::path tmp = temporaryBeside(path);
    const HANDLE h = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        if (error)
            *error = describeError(path, err);
        return false;
    }
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
    if (!CloseHandle(h) && err == ERROR_SUCCESS)
        err = GetLastError();
    if (err == ERROR_SUCCESS)
        err = replaceByRename(tmp, path);
    if (err != ERROR_SUCCESS) {
        DeleteFileW(tmp.c_str());
        if (error)
            *error = describeError(path, err);
        return false;
    }
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

bool writeFileAtomic(const fs::path& path, std::string_view bytes, std::string* error)
{
    const fs::path tmp = temporaryBeside(path);

    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error)
            *error = describeErrno(path, errno);
        return false;
    }
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t w = ::write(fd, p, left);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            ::unlink(tmp.c_str());
            if (error)
                *error = describeErrno(path, err);
            return false;
        }
        p += w;
        left -= static_cast<std::size_t>(w);
    }
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        if (error)
            *error = describeErrno(path, err);
        return false;
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        if (error)
            *error = describeErrno(path, err);
        return false;
    }
    return true;
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

} // namespace solvane
