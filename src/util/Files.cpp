#include "util/Files.h"

#include "util/Text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace solvane {

std::optional<std::string> readFile(const fs::path& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
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

static std::string describeErrno(const fs::path& path, int err)
{
    return pathToUtf8(path) + ": " + std::strerror(err);
}

bool writeFileAtomic(const fs::path& path, std::string_view bytes, std::string* error)
{
    thread_local std::mt19937 rng{std::random_device{}()};
    const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const fs::path tmp = dir / (path.filename().string() + strprintf(".tmp%08x", static_cast<unsigned>(rng())));

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

fs::path findChildIgnoreCase(const fs::path& dir, std::string_view name)
{
    fs::path exact = dir / std::string(name);
    std::error_code ec;
    if (fs::exists(exact, ec))
        return exact;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (equalsIgnoreCase(it->path().filename().string(), name))
            return it->path();
    }
    return exact;
}

fs::path pathFromUtf8(std::string_view utf8)
{
    return fs::path(std::string(utf8));
}

std::string pathToUtf8(const fs::path& path)
{
    return path.string();
}

} // namespace solvane
