// The program's one settings file, read and written by the rules of Windows profile files:
// "[section]" lines and "key=value" lines, section and key names compared without regard to ASCII
// case, the first matching section and key winning, blanks around names and values ignored. A write
// replaces or adds the line of each key it stores and rewrites the whole file (Shift-JIS, CR LF) through a
// temporary file, keeping every other line as it was, including lines we do not understand.
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
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
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
    // returned and lastError() says why. A write that leaves every line as it was does not rewrite the
    // file.
    bool writeText(std::string_view section, std::string_view key, std::string_view value);
    bool writeInt(std::string_view section, std::string_view key, int value);
    bool writeFlag(std::string_view section, std::string_view key, bool value);

    // One key's new value (as writeText stores it).
    struct Write {
        std::string_view section, key;
        std::string value;
    };
    // Stores several keys, in the order given, with one rewrite of the file: every replace waits for the
    // disk, so keys that belong together (a window's geometry) are saved in one go. All or none: when one
    // value cannot be stored nothing changes, false is returned and lastError() says why.
    bool writeAll(std::span<const Write> writes);

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
    // Several integer keys in one rewrite (writeAll).
    bool setAll(std::initializer_list<std::pair<IntKey, int>> values);

    // What to tell the user about stored integers outside their keys' ranges, one line each (UTF-8).
    std::vector<std::string> outOfRange();
    // The same of one key: empty when its stored integer is in range or missing.
    std::string outOfRange(const IntKey& k);

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
    bool store(std::span<const Write> writes);

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
