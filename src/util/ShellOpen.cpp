#include "util/ShellOpen.h"

#include "util/Files.h"

#include <cstring>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include "util/CommandLine.h"
#include "util/ShiftJis.h"

#include <windows.h>

#include <shellapi.h> // after windows.h, which it needs
#else
#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
extern char** environ;
#endif

namespace solvane {

#ifdef _WIN32

std::string ShellArgument(std::string_view arg)
{
    std::wstring quoted;
    AppendWindowsArgument(quoted, utf8ToWide(arg));
    return wideToUtf8(quoted);
}

bool ShellOpen(const std::filesystem::path& file, std::string_view parameters, const std::filesystem::path& folder,
               std::string* error)
{
    const std::wstring params = pathFromUtf8(parameters).wstring();
    std::wstring dir = folder.wstring();
    const HINSTANCE rc = ShellExecuteW(nullptr, L"open", file.c_str(), params.empty() ? nullptr : params.c_str(),
                                       dir.empty() ? nullptr : dir.c_str(), SW_SHOWNORMAL);
    const auto code = reinterpret_cast<INT_PTR>(rc);
    if (code > 32)
        return true;
    if (error)
        *error = pathToUtf8(file) + ": ShellExecute " + std::to_string(code);
    return false;
}

#else

std::string ShellArgument(std::string_view arg)
{
    return std::string(arg);
}

bool ShellOpen(const std::filesystem::path& file, std::string_view parameters, const std::filesystem::path& folder,
               std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = pathToUtf8(file) + ": " + why;
        return false;
    };
    std::error_code ec;
    if (!std::filesystem::exists(file, ec))
        return fail(std::strerror(ENOENT));
    std::vector<std::string> args;
    std::string program;
    const bool executable = std::filesystem::is_regular_file(file, ec) && ::access(file.c_str(), X_OK) == 0;
    if (executable) {
        program = std::filesystem::absolute(file, ec).string(); // the working folder changes below
        args = {program};
        if (!parameters.empty())
            args.emplace_back(parameters);
    } else {
        program = "xdg-open";
        args = {program, file.string()};
    }
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = 0;
    const int rc = executable ? ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ)
                              : ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return fail(std::strerror(rc));
    // Not waited for; reaped when it ends so that it leaves no zombie behind.
    std::thread([pid] {
        int status = 0;
        ::waitpid(pid, &status, 0);
    }).detach();
    return true;
}

#endif

} // namespace solvane
