// Finding the folders of the three sibling programs (the compi-index box, the voting plug-in and the
// time-series odds viewer) from their installers' uninstall entries.
#pragma once

#include <string>
#include <string_view>

namespace solvane {

class SettingsFile;

// The install folders that installers left in the system. On Windows this reads the value
// "Inno Setup: App Path" of HKLM "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\" + name + "_is1";
// elsewhere there is no such registry and nothing is found.
class SiblingRegistry {
public:
    virtual ~SiblingRegistry() = default;
    // The install path recorded for the installer name (UTF-8), or empty when none is recorded.
    virtual std::string InstallPath(std::string_view installerName) const = 0;
};

// The registry of this platform (finds nothing off Windows).
const SiblingRegistry& SystemSiblingRegistry();

// For each [Dir] key (harunire, KelvoTohyo2, jikeiretu) that is empty or holds only blanks, fills it
// from the installer's entry: "ハルニレ", "Kelvo投票プラグイン２" as found, "Fenrow" + the separator +
// "Data". A filled key is never overwritten; a missing entry writes nothing. Returns false when a write
// failed (the settings file says why).
bool FillSiblingFolders(SettingsFile& settings, const SiblingRegistry& registry);

} // namespace solvane
