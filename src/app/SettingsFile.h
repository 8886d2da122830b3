// The program's one settings file, read and written by the rules of Windows profile files:
// "[section]" lines and "key=value" lines, section and key names compared without regard to ASCII
// case, the first matching section and key winning, blanks around names and values ignored. A write
// replaces or adds one line and rewrites the whole file (Shift-JIS, CR LF) through a temporary file,
// keeping every other line as it was, including lines we do not understand.
//
// The file is shared with solvane-cli, which may change it while the window program runs, so every
// operation first reloads the file when it changed on disk, and every write holds the writer lock of the
// file's folder (the application folder) from that reload to its rename: two processes writing keys at
// once both keep theirs.
//
// Texts given and returned are UTF-8; the file holds Shift-JIS.
#pragma once

#include "app/SettingsKeys.h"
#include "util/Files.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

class SettingsFile {
public:
    explicit SettingsFile(std::filesystem::path path, SettingsDefaults defaults = {});

    const std::filesystem::path& path() const { return path_; }
    const SettingsDefaults& defaults() const { return defaults_; }

    // Stored text with the quote rule applied; def when the key is missing.
    std::string readText(std::string_view section, std::string_view key, std::string_view def);
    // def when the key is missing or its value is not a decimal integer of int range.
    int readInt(std::string_view section, std::string_view key, int def);
    // true when the stored integer is not 0; def when missing or not an integer.
    bool readFlag(std::string_view section, std::string_view key, bool def);

    // Each write stores the value as given and saves the file. On failure nothing changes, false is
    // returned and lastError() says why.
    bool writeText(std::string_view section, std::string_view key, std::string_view value);
    bool writeInt(std::string_view section, std::string_view key, int value);
    bool writeFlag(std::string_view section, std::string_view key, bool value);

    // The value as stored (trimmed, before the quote rule), or nothing when the key is missing.
    std::optional<std::string> rawValue(std::string_view section, std::string_view key);

    // Typed access through the table of keys; defaults resolved with defaults(), and a relative path
    // taken from the application folder (ResolveSettingsPath).
    std::string get(const TextKey& k);
    // An integer outside the key's range is never used: the nearest end of the range is (see
    // outOfRange()).
    int get(const IntKey& k) { return SettingInRange(k, readInt(k.section, k.key, k.def)); }
    bool get(const FlagKey& k) { return readFlag(k.section, k.key, k.def); }
    bool set(const TextKey& k, std::string_view v) { return writeText(k.section, k.key, v); }
    bool set(const IntKey& k, int v) { return writeInt(k.section, k.key, v); }
    bool set(const FlagKey& k, bool v) { return writeFlag(k.section, k.key, v); }

    // What to tell the user about stored integers outside their keys' ranges, one line each (UTF-8).
    std::vector<std::string> outOfRange();

    const std::string& lastError() const { return lastError_; }
    // False when the file exists but could not be read; reads then give defaults and writes are
    // refused, so the file is never replaced by one that lost its keys.
    bool readable();

private:
    struct Stamp {
        bool exists = false;
        FileStamp file;
        friend bool operator==(const Stamp&, const Stamp&) = default;
    };
    static Stamp stampOf(const std::filesystem::path& path);
    void refresh();
    // Index of the line holding the key, or -1.
    long findKeyLine(std::string_view sjisSection, std::string_view sjisKey) const;
    bool store(std::string_view section, std::string_view key, std::string_view value);

    std::filesystem::path path_;
    SettingsDefaults defaults_;
    std::vector<std::string> lines_; // Shift-JIS, without line ends
    bool loaded_ = false;
    bool unreadable_ = false;
    Stamp stamp_;
    std::string lastError_;
};

// The quote rule for texts read from the file, applied to the raw value (UTF-8): exactly two double
// quotes or exactly "｢｣" give an empty text; a longer value enclosed in double quotes or in "｢" "｣"
// gives what lies between; anything else is returned unchanged. Defaults are passed through the
// reader wrapped in "｢" "｣", so a missing key gives its default exactly.
std::string ApplyQuoteRule(std::string_view raw);

} // namespace solvane
