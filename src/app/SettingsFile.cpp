#include "app/SettingsFile.h"

#include "util/Files.h"
#include "util/FolderLock.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <climits>

namespace solvane {

namespace {

constexpr std::string_view kOpenCorner = "｢"; // half-width corner brackets wrap defaults
constexpr std::string_view kCloseCorner = "｣";

// Profile-file blanks: spaces and tabs.
std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// ASCII letters folded, Shift-JIS two-byte characters left whole (a trail byte may look like a
// letter).
std::string foldName(std::string_view sjis)
{
    std::string out;
    out.reserve(sjis.size());
    for (std::size_t i = 0; i < sjis.size(); ++i) {
        const auto b = static_cast<unsigned char>(sjis[i]);
        if (isSjisLeadByte(b) && i + 1 < sjis.size()) {
            out += sjis[i];
            out += sjis[++i];
        } else {
            out += (b >= 'A' && b <= 'Z') ? static_cast<char>(b - 'A' + 'a') : sjis[i];
        }
    }
    return out;
}

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && foldName(a) == foldName(b);
}

// The section named by a "[name]" line, or nothing for any other line.
std::optional<std::string_view> sectionOf(std::string_view line)
{
    line = trimBlanks(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    line.remove_prefix(1);
    const auto close = line.find(']');
    return trimBlanks(line.substr(0, close));
}

struct KeyLine {
    std::string_view key, value;
};

std::optional<KeyLine> keyLineOf(std::string_view line)
{
    const auto eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    const auto key = trimBlanks(line.substr(0, eq));
    if (key.empty())
        return std::nullopt;
    return KeyLine{key, trimBlanks(line.substr(eq + 1))};
}

bool hasLineBreak(std::string_view s)
{
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// Index of the line holding the key, or -1.
long findKeyLine(const std::vector<std::string>& lines, std::string_view sjisSection, std::string_view sjisKey)
{
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (auto sec = sectionOf(lines[i])) {
            // Only the first section of the name is read; a later duplicate is not.
            if (inSection)
                return -1;
            inSection = sameName(*sec, sjisSection);
            continue;
        }
        if (!inSection)
            continue;
        if (auto kl = keyLineOf(lines[i]); kl && sameName(kl->key, sjisKey))
            return static_cast<long>(i);
    }
    return -1;
}

// Stores key=value in lines: the key's line replaced, or the key added at the end of the first section of
// the name (before its trailing blank lines), or the section added at the end.
void putKey(std::vector<std::string>& lines, const std::string& sSection, const std::string& sKey,
            const std::string& sValue)
{
    const std::string newLine = sKey + "=" + sValue;
    if (const long at = findKeyLine(lines, sSection, sKey); at >= 0) {
        lines[static_cast<std::size_t>(at)] = newLine;
        return;
    }
    std::optional<std::size_t> insertAt;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (auto sec = sectionOf(lines[i])) {
            if (inSection)
                break;
            if (sameName(*sec, sSection)) {
                inSection = true;
                insertAt = i + 1;
            }
            continue;
        }
        if (inSection && !trimBlanks(lines[i]).empty())
            insertAt = i + 1;
    }
    if (insertAt) {
        lines.insert(lines.begin() + static_cast<long>(*insertAt), newLine);
    } else {
        lines.push_back("[" + sSection + "]");
        lines.push_back(newLine);
    }
}

} // namespace

std::string ApplyQuoteRule(std::string_view raw)
{
    if (raw == "\"\"" || raw == "｢｣")
        return {};
    if (raw.size() > 2 && raw.front() == '"' && raw.back() == '"')
        return std::string(raw.substr(1, raw.size() - 2));
    if (raw.size() > kOpenCorner.size() + kCloseCorner.size() && startsWith(raw, kOpenCorner) &&
        endsWith(raw, kCloseCorner))
        return std::string(raw.substr(kOpenCorner.size(), raw.size() - kOpenCorner.size() - kCloseCorner.size()));
    return std::string(raw);
}

SettingsFile::SettingsFile(std::filesystem::path path, SettingsDefaults defaults)
    : path_(std::move(path)), defaults_(std::move(defaults))
{
}

SettingsFile::Stamp SettingsFile::stampOf(const std::filesystem::path& path)
{
    const auto st = fileStampOf(path);
    if (!st)
        return {};
    Stamp s;
    s.exists = true;
    s.file = *st;
    return s;
}

void SettingsFile::refresh()
{
    const Stamp now = stampOf(path_);
    if (loaded_ && now == stamp_)
        return;
    loaded_ = true;
    stamp_ = now;
    lines_.clear();
    unreadable_ = false;
    if (!now.exists)
        return;
    auto bytes = readFile(path_);
    if (!bytes) {
        unreadable_ = true;
        return;
    }
    lines_ = splitLines(*bytes);
}

bool SettingsFile::readable()
{
    refresh();
    return !unreadable_;
}

std::optional<std::string> SettingsFile::rawValue(std::string_view section, std::string_view key)
{
    refresh();
    const long at = findKeyLine(lines_, toSjis(section), toSjis(key));
    if (at < 0)
        return std::nullopt;
    return fromSjis(keyLineOf(lines_[static_cast<std::size_t>(at)])->value);
}

std::string SettingsFile::readText(std::string_view section, std::string_view key, std::string_view def)
{
    auto raw = rawValue(section, key);
    if (!raw)
        return ApplyQuoteRule(std::string(kOpenCorner) + std::string(def) + std::string(kCloseCorner));
    return ApplyQuoteRule(*raw);
}

std::string SettingsFile::get(const TextKey& k)
{
    std::string value = readText(k.section, k.key, DefaultText(k, defaults_));
    if (k.value == TextValue::Path)
        return ResolveSettingsPath(value, defaults_.appFolder);
    return value;
}

int SettingsFile::readInt(std::string_view section, std::string_view key, int def)
{
    auto raw = rawValue(section, key);
    if (!raw)
        return def;
    const long long v = toIntDef(*raw, static_cast<long long>(INT_MIN) - 1);
    if (v < INT_MIN || v > INT_MAX)
        return def;
    return static_cast<int>(v);
}

bool SettingsFile::readFlag(std::string_view section, std::string_view key, bool def)
{
    return readInt(section, key, def ? 1 : 0) != 0;
}

bool SettingsFile::writeText(std::string_view section, std::string_view key, std::string_view value)
{
    const Write write{section, key, std::string(value)};
    return store({&write, 1});
}

bool SettingsFile::writeInt(std::string_view section, std::string_view key, int value)
{
    return writeText(section, key, std::to_string(value));
}

bool SettingsFile::writeFlag(std::string_view section, std::string_view key, bool value)
{
    return writeText(section, key, value ? "1" : "0");
}

bool SettingsFile::writeAll(std::span<const Write> writes)
{
    return store(writes);
}

bool SettingsFile::setAll(std::initializer_list<std::pair<IntKey, int>> values)
{
    std::vector<Write> writes;
    writes.reserve(values.size());
    for (const auto& [k, v] : values)
        writes.push_back({k.section, k.key, std::to_string(v)});
    return store(writes);
}

std::vector<std::string> SettingsFile::outOfRange()
{
    std::vector<std::string> lines;
    for (const AnyKey& any : AllSettingsKeys()) {
        if (const auto* k = std::get_if<IntKey>(&any))
            if (std::string line = outOfRange(*k); !line.empty())
                lines.push_back(std::move(line));
    }
    return lines;
}

std::string SettingsFile::outOfRange(const IntKey& k)
{
    const int stored = readInt(k.section, k.key, k.def);
    return stored == SettingInRange(k, stored) ? std::string() : OutOfRangeMessage(k, stored);
}

bool SettingsFile::store(std::span<const Write> writes)
{
    lastError_.clear();
    // Held from the reload to the rename, so that a key written meanwhile by another process is in the
    // lines this write starts from.
    const FolderLock lock = LockForWriting(path_.has_parent_path() ? path_.parent_path() : std::filesystem::path("."));
    if (!lock) {
        lastError_ = lock.busy() ? lock.error() : "設定ファイルに書き込めません：" + lock.error();
        return false;
    }
    refresh();
    if (unreadable_) {
        lastError_ = "設定ファイルを読み込めないため、書き込みを中止しました：" + pathToUtf8(path_);
        return false;
    }
    std::vector<std::string> lines = lines_;
    for (const Write& w : writes) {
        const std::string where = "[" + std::string(w.section) + "] " + std::string(w.key);
        // A line break would split the value into lines of its own; a character without a Shift-JIS
        // form would be stored as "?" and read back as something else.
        if (hasLineBreak(w.section) || hasLineBreak(w.key) || hasLineBreak(w.value) ||
            w.key.find('=') != std::string_view::npos || w.section.find(']') != std::string_view::npos) {
            lastError_ = "設定値に使えない文字が含まれています：" + where;
            return false;
        }
        const std::string sSection = toSjis(w.section), sKey = toSjis(w.key), sValue = toSjis(w.value);
        if (fromSjis(sValue) != w.value || fromSjis(sSection) != w.section || fromSjis(sKey) != w.key) {
            lastError_ = "Shift-JISで表せない文字は設定ファイルに保存できません：" + where;
            return false;
        }
        putKey(lines, sSection, sKey, sValue);
    }
    // Every value stored as given already (a window left where it was): the disk is not waited for.
    if (lines == lines_)
        return true;

    std::string error;
    if (!writeFileAtomic(path_, joinLinesCrlf(lines), &error)) {
        lastError_ = "設定ファイルに書き込めません：" + error;
        return false;
    }
    lines_ = std::move(lines);
    stamp_ = stampOf(path_);
    return true;
}

} // namespace solvane
