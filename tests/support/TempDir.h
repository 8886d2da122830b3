// A fresh folder for one test, removed at the end.
#pragma once

#include "util/Files.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace solvane::test {

class TempDir {
public:
    TempDir()
    {
        static std::atomic<int> counter{0};
        const char* base = std::getenv("SOLVANE_TEST_TMP");
        std::filesystem::path root =
            base && *base ? std::filesystem::path(base) : std::filesystem::temp_directory_path();
        path_ = root / ("solvane-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // name is UTF-8 (std::filesystem reads a narrow string in the system's code page on Windows).
    std::filesystem::path operator/(const std::string& name) const { return path_ / pathFromUtf8(name); }

private:
    std::filesystem::path path_;
};

} // namespace solvane::test
