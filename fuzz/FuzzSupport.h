// Shared pieces of the fuzz targets: the work folder the seed maker fills (the generated base day and
// the seed corpora), a scratch folder of the process's own, and whole-file writes.
#pragma once

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace solvane::fuzz {

// The seed maker's output: <work>/base is an application folder holding one generated race day,
// <work>/corpus/<target> the seeds. SOLVANE_FUZZ_WORK overrides the build's folder.
inline std::filesystem::path WorkFolder()
{
    if (const char* env = std::getenv("SOLVANE_FUZZ_WORK"); env && *env)
        return env;
    return SOLVANE_FUZZ_DEFAULT_WORK;
}

// The day of the base store, its key and its date as the day loader and the record keys spell them.
inline constexpr std::string_view kBaseDayKey = "2024年01月06日";
inline constexpr std::string_view kBaseDate = "20240106";

// A folder of this process alone, made empty at the first call and removed at exit.
inline const std::filesystem::path& ScratchFolder()
{
    static const std::filesystem::path dir = [] {
        const char* tmp = std::getenv("TMPDIR");
        const std::filesystem::path root(tmp && *tmp ? tmp : "/tmp");
        // libFuzzer ends a timed run without the exit handlers: clear what ended processes left.
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(root, ec)) {
            const std::string name = e.path().filename().string();
            if (name.rfind("solvane-fuzz-", 0) != 0)
                continue;
            const long pid = std::strtol(name.c_str() + 13, nullptr, 10);
            if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
                std::filesystem::remove_all(e.path(), ec);
        }
        std::filesystem::path p = root / ("solvane-fuzz-" + std::to_string(::getpid()));
        std::filesystem::remove_all(p);
        std::filesystem::create_directories(p);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(ScratchFolder(), ec);
        });
        return p;
    }();
    return dir;
}

// Writes bytes as the whole file (no temporary file: the targets own their folders).
inline void WriteBytes(const std::filesystem::path& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Takes bytes off the front of a fuzz input: a selector, then the rest.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}
    std::uint8_t byte()
    {
        if (rest_.empty())
            return 0;
        const auto b = static_cast<std::uint8_t>(rest_.front());
        rest_.remove_prefix(1);
        return b;
    }
    std::string_view rest() const { return rest_; }

private:
    std::string_view rest_;
};

} // namespace solvane::fuzz
