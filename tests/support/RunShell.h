// Runs a shell command line from a test, as a person would type it: its standard output is read to the
// end (so the test waits for it and for anything it started on the same pipe), its error output is
// kept in a file.
#pragma once

#include "util/Files.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#ifdef _WIN32
// Windows has no POSIX shell: the tests that run command lines are left out of Windows runs
// (tools/windows/test-under-wine.sh); this only keeps them compiling.
#define popen _popen
#define pclose _pclose
#define WIFEXITED(raw) true
#define WEXITSTATUS(raw) (raw)
#else
#include <sys/wait.h>
#endif

namespace solvane::test {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Error output goes to errFile, or nowhere when none is named.
inline Outcome runShell(const std::string& command, const std::filesystem::path& errFile = "/dev/null")
{
    FILE* pipe = ::popen((command + " 2>'" + errFile.string() + "'").c_str(), "r");
    if (!pipe)
        return {};
    Outcome run;
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        run.out.append(buffer.data(), n);
    const int raw = ::pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.err = readFile(errFile).value_or("");
    return run;
}

} // namespace solvane::test
