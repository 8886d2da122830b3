#include "app/AppFolder.h"

#include "util/Files.h"

#include <cstdlib>
#include <system_error>
#include <unistd.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace solvane {

static std::optional<std::string> nonEmpty(const std::optional<std::string>& s)
{
    if (s && !s->empty())
        return s;
    return std::nullopt;
}

static fs::path withoutTrailingSeparator(fs::path p)
{
    std::string text = p.string();
    while (text.size() > 1 && (text.back() == '/' || text.back() == '\\'))
        text.pop_back();
    return fs::path(text);
}

fs::path ChooseAppFolder(const AppFolderInputs& in)
{
#ifdef _WIN32
    return withoutTrailingSeparator(in.exeFolder);
#else
    if (auto h = nonEmpty(in.homeOption))
        return withoutTrailingSeparator(pathFromUtf8(*h));
    if (auto h = nonEmpty(in.envHome))
        return withoutTrailingSeparator(pathFromUtf8(*h));
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
    return !folder.empty() && fs::is_directory(folder, ec) && ::access(folder.c_str(), W_OK) == 0;
}

static std::optional<std::string> env(const char* name)
{
    const char* v = std::getenv(name);
    if (!v)
        return std::nullopt;
    return std::string(v);
}

fs::path ResolveAppFolder(const std::optional<std::string>& homeOption)
{
    AppFolderInputs in;
    in.homeOption = homeOption;
    in.envHome = env("SOLVANE_HOME");
    in.exeFolder = ExecutableFolder();
    in.exeFolderWritable = IsWritableFolder(in.exeFolder);
    in.xdgDataHome = env("XDG_DATA_HOME");
    in.userHome = env("HOME");
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
