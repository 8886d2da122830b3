#include "app/AppFolder.h"

#include "util/CommandLine.h"
#include "util/Files.h"

#include <cstdlib>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace solvane {

[[maybe_unused]] static std::optional<std::string> nonEmpty(const std::optional<std::string>& s)
{
    if (s && !s->empty())
        return s;
    return std::nullopt;
}

static fs::path withoutTrailingSeparator(fs::path p)
{
    std::string text = pathToUtf8(p);
    // A drive's root ("C:\") keeps its separator.
    while (text.size() > 1 && (text.back() == '/' || text.back() == '\\') && text[text.size() - 2] != ':')
        text.pop_back();
    return pathFromUtf8(text);
}

fs::path ChooseAppFolder(const AppFolderInputs& in)
{
    // A folder the user names (the command line's --home, SOLVANE_HOME) is taken on every system.
    if (auto h = nonEmpty(in.homeOption))
        return withoutTrailingSeparator(pathFromUtf8(*h));
    if (auto h = nonEmpty(in.envHome))
        return withoutTrailingSeparator(pathFromUtf8(*h));
#ifdef _WIN32
    return withoutTrailingSeparator(in.exeFolder);
#else
    if (!in.exeFolder.empty() && in.exeFolderWritable)
        return withoutTrailingSeparator(in.exeFolder);
    fs::path data;
    if (auto x = nonEmpty(in.xdgDataHome))
        data = pathFromUtf8(*x);
    else if (auto h = nonEmpty(in.userHome))
        data = pathFromUtf8(*h) / ".local" / "share";
    else
        data = fs::path(".local") / "share";
    return withoutTrailingSeparator(data / "solvane");
#endif
}

fs::path ExecutableFolder()
{
#ifdef _WIN32
    wchar_t buffer[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
    if (n == 0)
        return {};
    return fs::path(std::wstring(buffer, n)).parent_path();
#else
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return {};
    return exe.parent_path();
#endif
}

bool IsWritableFolder(const fs::path& folder)
{
    std::error_code ec;
#ifdef _WIN32
    // The read-only attribute of a Windows folder does not stop files being created in it; the folder's
    // access rights do, and only trying tells.
    if (folder.empty() || !fs::is_directory(folder, ec))
        return false;
    wchar_t name[MAX_PATH];
    if (GetTempFileNameW(folder.c_str(), L"slv", 0, name) == 0)
        return false;
    DeleteFileW(name);
    return true;
#else
    return !folder.empty() && fs::is_directory(folder, ec) && ::access(folder.c_str(), W_OK) == 0;
#endif
}

fs::path ResolveAppFolder(const std::optional<std::string>& homeOption)
{
    AppFolderInputs in;
    in.homeOption = homeOption;
    in.envHome = EnvironmentValue("SOLVANE_HOME");
    in.exeFolder = ExecutableFolder();
    in.exeFolderWritable = IsWritableFolder(in.exeFolder);
    in.xdgDataHome = EnvironmentValue("XDG_DATA_HOME");
    in.userHome = EnvironmentValue("HOME");
    return ChooseAppFolder(in);
}

std::string SettingsFileName()
{
#ifdef _WIN32
    return "Solvane.ini";
#else
    return "solvane.ini";
#endif
}

fs::path SettingsFilePath(const fs::path& appFolder)
{
    return findChildIgnoreCase(appFolder, SettingsFileName());
}

fs::path WindowsFolder()
{
#ifdef _WIN32
    wchar_t buffer[MAX_PATH + 1];
    const UINT n = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH)
        return {};
    return fs::path(std::wstring(buffer, n));
#else
    return {};
#endif
}

std::string FolderText(const fs::path& folder)
{
    return pathToUtf8(withoutTrailingSeparator(folder));
}

} // namespace solvane
