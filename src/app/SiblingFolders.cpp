#include "app/SiblingFolders.h"

#include "app/SettingsFile.h"
#include "util/Text.h"

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

namespace solvane {

namespace {

class PlatformRegistry : public SiblingRegistry {
public:
    std::string InstallPath([[maybe_unused]] std::string_view installerName) const override
    {
#ifdef _WIN32
        const std::string subKey =
            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + std::string(installerName) + "_is1";
        const std::wstring wideKey = std::filesystem::path(std::u8string(subKey.begin(), subKey.end())).wstring();
        HKEY key = nullptr;
        // The value is read only through an existing key.
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, wideKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return {};
        wchar_t buffer[1024] = {};
        DWORD size = sizeof buffer - sizeof(wchar_t);
        DWORD type = 0;
        const LONG rc =
            RegQueryValueExW(key, L"Inno Setup: App Path", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS || type != REG_SZ)
            return {};
        const std::u8string utf8 = std::filesystem::path(std::wstring(buffer)).u8string();
        return std::string(utf8.begin(), utf8.end());
#else
        return {};
#endif
    }
};

struct Sibling {
    const TextKey& key;
    std::string_view installer;
    bool dataSubfolder;
};

} // namespace

const SiblingRegistry& SystemSiblingRegistry()
{
    static const PlatformRegistry registry;
    return registry;
}

bool FillSiblingFolders(SettingsFile& settings, const SiblingRegistry& registry)
{
    const Sibling siblings[] = {
        {keys::Harunire, "ハルニレ", false},
        {keys::KelvoTohyo2, "Kelvo投票プラグイン２", false},
        {keys::Jikeiretu, "Fenrow", true},
    };
    bool ok = true;
    for (const Sibling& s : siblings) {
        if (!trim(settings.readText(s.key.section, s.key.key, "")).empty())
            continue;
        std::string found(trim(registry.InstallPath(s.installer)));
        if (found.empty())
            continue;
        if (s.dataSubfolder) {
            const char sep = static_cast<char>(std::filesystem::path::preferred_separator);
            if (found.back() != sep)
                found += sep;
            found += "Data";
        }
        ok = settings.set(s.key, found) && ok;
    }
    return ok;
}

} // namespace solvane
