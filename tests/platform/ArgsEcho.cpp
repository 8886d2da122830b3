// A stand-in for a program started through the shell (the voting plug-in, the compi-index box): writes
// its arguments and its working folder, one per line, to "launched.txt" in its working folder.
#include "util/Files.h"

#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h> // after windows.h, which it needs
#endif

int main(int argc, char** argv)
{
    std::vector<std::string> args;
#ifdef _WIN32
    (void)argc;
    (void)argv;
    int n = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
    for (int i = 1; i < n; ++i)
        args.push_back(solvane::pathToUtf8(std::filesystem::path(wide[i])));
    LocalFree(wide);
#else
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
#endif
    std::string text;
    for (const std::string& a : args)
        text += "arg=" + a + "\n";
    const std::filesystem::path cwd = std::filesystem::current_path();
    text += "cwd=" + solvane::pathToUtf8(cwd) + "\n";
    return solvane::writeFileAtomic(cwd / "launched.txt", text) ? 0 : 1;
}
