#include "store/Store.h"

#include "jvdata/CodeTables.h"
#include "jvdata/RecordFields.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <algorithm>
#include <array>
#include <set>

namespace solvane {

namespace {

// "年", "月", "日" in Shift-JIS.
constexpr std::string_view kSjisYear = "\x94\x4e";
constexpr std::string_view kSjisMonth = "\x8c\x8e";
constexpr std::string_view kSjisDay = "\x93\xfa";

constexpr std::array<StoreKindInfo, 12> kKinds{{
    {StoreKind::RA, "RA", ".jvRA", 1272, StoreLayout::Keyed},
    {StoreKind::SE, "SE", ".jvSEr", 555, StoreLayout::Slots},
    {StoreKind::HR, "HR", ".jvHR", 719, StoreLayout::Keyed},
    {StoreKind::WF, "WF", ".jvWF", 7215, StoreLayout::OneRecord},
    {StoreKind::TM, "TM", ".jvTM", 141, StoreLayout::Keyed},
    {StoreKind::DM, "DM", ".jvDM", 303, StoreLayout::Keyed},
    {StoreKind::O1, "O1", ".jvO1", 962, StoreLayout::Keyed},
    {StoreKind::O2, "O2", ".jvO2", 2042, StoreLayout::Keyed},
    {StoreKind::O3, "O3", ".jvO3", 2654, StoreLayout::Keyed},
    {StoreKind::O4, "O4", ".jvO4", 4031, StoreLayout::Keyed},
    {StoreKind::O5, "O5", ".jvO5", 12293, StoreLayout::Keyed},
    {StoreKind::O6, "O6", ".jvO6", 83285, StoreLayout::Keyed},
}};

bool isDigits(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Walks one Shift-JIS text byte by byte and yields each byte with ASCII letters folded to lower case,
// leaving both bytes of a double-byte character untouched.
class FoldingCursor {
public:
    explicit FoldingCursor(std::string_view s) : s_(s) {}
    bool atEnd() const { return i_ >= s_.size(); }
    unsigned char next()
    {
        const auto c = static_cast<unsigned char>(s_[i_++]);
        if (trail_) {
            trail_ = false;
            return c;
        }
        if (isSjisLeadByte(c)) {
            trail_ = true;
            return c;
        }
        return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
    }

private:
    std::string_view s_;
    std::size_t i_ = 0;
    bool trail_ = false;
};

} // namespace

bool HasLineBreak(std::string_view line)
{
    // Two memchr scans: find_first_of would test the set once per byte.
    return line.find('\n') != std::string_view::npos || line.find('\r') != std::string_view::npos;
}

std::string_view DeliveryOf(std::string_view rec)
{
    return field(rec, 3, 9);
}

namespace {

// A header that tells its age: a data kind and an eight-digit creation date that is not all zeros.
bool toldAge(std::string_view header)
{
    const std::string_view date = header.size() == 9 ? header.substr(1) : std::string_view();
    return date.size() == 8 && isDigits(date) && date != "00000000";
}

int kindRank(char kind)
{
    if (kind == '0')
        return 10; // a deletion comes last of all
    return kind >= '1' && kind <= '9' ? kind - '0' : 0;
}

} // namespace

bool IsOlderDelivery(std::string_view delivery, std::string_view storedLine)
{
    const std::string_view stored = DeliveryOf(storedLine);
    if (!toldAge(delivery) || !toldAge(stored))
        return false;
    const int byDate = delivery.substr(1).compare(stored.substr(1));
    if (byDate != 0)
        return byDate < 0;
    return kindRank(delivery[0]) < kindRank(stored[0]);
}

std::string StoreSaveError(const std::string& reason)
{
    return "データファイルを保存できません（" + reason + "）";
}

const StoreKindInfo& storeKindInfo(StoreKind kind)
{
    return kKinds[static_cast<std::size_t>(kind)];
}

std::optional<StoreKind> storeKindOfType(std::string_view type)
{
    for (const auto& info : kKinds) {
        if (info.type == type)
            return info.kind;
    }
    return std::nullopt;
}

std::string DayName(std::string_view rec)
{
    std::string name;
    name.reserve(14);
    name += RaceYear(rec);
    name += kSjisYear;
    name += RaceMonth(rec);
    name += kSjisMonth;
    name += RaceDayOfMonth(rec);
    name += kSjisDay;
    return name;
}

bool hasDayDate(std::string_view rec)
{
    const std::string_view date = RaceDate(rec);
    return date.size() == 8 && isDigits(date);
}

std::string StoreFileName(StoreKind kind, std::string_view rec)
{
    std::string name = DayName(rec);
    if (kind == StoreKind::SE)
        name += TrackName(VenueCode(rec));
    name += storeKindInfo(kind).suffix;
    return name;
}

fs::path StoreFolder(const fs::path& appFolder)
{
    return findChildIgnoreCase(appFolder, "Data");
}

fs::path AppFolderOfStore(const fs::path& dataFolder)
{
    return dataFolder.has_parent_path() ? dataFolder.parent_path() : fs::path(".");
}

fs::path StoreFilePath(const fs::path& dataFolder, std::string_view sjisName)
{
    return findChildIgnoreCase(dataFolder, fromSjis(sjisName));
}

fs::path StoreFilePath(const fs::path& dataFolder, StoreKind kind, std::string_view rec)
{
    if (!hasDayDate(rec))
        return {};
    return StoreFilePath(dataFolder, StoreFileName(kind, rec));
}

std::string_view StoredLine(std::string_view rec)
{
    if (endsWith(rec, "\r\n"))
        rec.remove_suffix(2);
    else if (endsWith(rec, "\n"))
        rec.remove_suffix(1);
    return rec;
}

std::string NormaliseRecord(std::string_view rec)
{
    constexpr std::string_view zeros = "000000000";
    if (rec.size() < 2 + zeros.size())
        return OverwriteAt(rec, zeros, 3);
    // Same bytes as OverwriteAt, in one copy (odds records are up to 83 KB).
    std::string out(rec);
    out.replace(2, zeros.size(), zeros);
    return out;
}

bool StoreLineLess(std::string_view a, std::string_view b)
{
    FoldingCursor ca(a), cb(b);
    while (!ca.atEnd() && !cb.atEnd()) {
        const unsigned char x = ca.next(), y = cb.next();
        if (x != y)
            return x < y;
    }
    if (ca.atEnd() != cb.atEnd())
        return ca.atEnd();
    return a < b; // equal ignoring case: raw bytes decide
}

void SortStoreLines(std::vector<std::string>& lines)
{
    std::sort(lines.begin(), lines.end(),
              [](const std::string& a, const std::string& b) { return StoreLineLess(a, b); });
}

std::optional<int> SlotIndex(int race, int horse)
{
    if (race < 1 || race > kSlotRaces || horse < 1 || horse > kSlotHorses)
        return std::nullopt;
    return (race - 1) * kSlotHorses + (horse - 1);
}

namespace {

const std::string& emptySlotLine()
{
    static const std::string blank(kSlotLineLength, ' ');
    return blank;
}

template <class Line> void fitSlots(std::vector<Line>& lines)
{
    if (lines.size() > static_cast<std::size_t>(kSlotCount))
        lines.resize(kSlotCount);
    while (lines.size() < static_cast<std::size_t>(kSlotCount))
        lines.emplace_back(emptySlotLine());
}

template <class Line>
void keyedStep(std::vector<Line>& lines, Line line, bool dropBlankFirstLine, bool linesSorted,
               std::string_view delivery)
{
    const std::string_view key = RaceKey(line);
    auto match = std::find_if(lines.begin(), lines.end(), [&](const Line& l) { return RaceKey(l) == key; });
    if (match != lines.end() && IsOlderDelivery(delivery.empty() ? DeliveryOf(line) : delivery, *match)) {
        // The stored line is newer and stays; the list still leaves in order, as after any step.
        if (!linesSorted)
            std::sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) { return StoreLineLess(a, b); });
    } else if (linesSorted) {
        // Removing the matched line and inserting the new one in order gives the same list as replacing
        // it and sorting, because the order is total.
        if (match != lines.end())
            lines.erase(match);
        auto at = std::upper_bound(lines.begin(), lines.end(), line,
                                   [](const Line& a, const Line& b) { return StoreLineLess(a, b); });
        lines.insert(at, std::move(line));
    } else {
        if (match != lines.end())
            *match = std::move(line);
        else
            lines.push_back(std::move(line));
        std::sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) { return StoreLineLess(a, b); });
    }
    if (dropBlankFirstLine && !lines.empty() && trim(lines.front()).empty())
        lines.erase(lines.begin());
}

template <class Line> bool slotStep(std::vector<Line>& lines, Line line, std::string_view delivery)
{
    const auto index = SlotIndex(static_cast<int>(toIntDef(RaceNumberText(line), 0)),
                                 static_cast<int>(toIntDef(HorseNumberText(line), 0)));
    if (!index || static_cast<std::size_t>(*index) >= lines.size())
        return false;
    Line& slot = lines[static_cast<std::size_t>(*index)];
    const bool sameHorse = RaceKey(slot) == RaceKey(line) && HorseNumberText(slot) == HorseNumberText(line);
    if (sameHorse && IsOlderDelivery(delivery.empty() ? DeliveryOf(line) : delivery, slot))
        return true;
    slot = std::move(line);
    return true;
}

} // namespace

std::vector<std::string> EmptySlotLines()
{
    return std::vector<std::string>(kSlotCount, emptySlotLine());
}

std::vector<std::string_view> EmptySlotLineViews()
{
    return std::vector<std::string_view>(kSlotCount, emptySlotLine());
}

void FitSlotLines(std::vector<std::string>& lines)
{
    fitSlots(lines);
}

void FitSlotLines(std::vector<std::string_view>& lines)
{
    fitSlots(lines);
}

void KeyedStep(std::vector<std::string>& lines, std::string line, bool dropBlankFirstLine, bool linesSorted,
               std::string_view delivery)
{
    keyedStep(lines, std::move(line), dropBlankFirstLine, linesSorted, delivery);
}

void KeyedStep(std::vector<std::string_view>& lines, std::string_view line, bool dropBlankFirstLine, bool linesSorted,
               std::string_view delivery)
{
    keyedStep(lines, line, dropBlankFirstLine, linesSorted, delivery);
}

bool SlotStep(std::vector<std::string>& lines, std::string line, std::string_view delivery)
{
    return slotStep(lines, std::move(line), delivery);
}

bool SlotStep(std::vector<std::string_view>& lines, std::string_view line, std::string_view delivery)
{
    return slotStep(lines, line, delivery);
}

std::vector<std::string_view> SplitStoreLines(std::string_view text)
{
    // The same lines as splitLines, as views.
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        std::size_t stop = end;
        if (stop > start && text[stop - 1] == '\r')
            --stop;
        lines.push_back(text.substr(start, stop - start));
        start = end + 1;
    }
    return lines;
}

void JoinStoreLines(const std::vector<std::string_view>& lines, std::string& out)
{
    std::size_t total = 0;
    for (const auto& l : lines)
        total += l.size() + 2;
    out.clear();
    out.reserve(total);
    for (const auto& l : lines) {
        out += l;
        out += "\r\n";
    }
}

bool LoadStoreBytes(const fs::path& path, std::string& bytes, bool& existed, std::string* error)
{
    bytes.clear();
    std::error_code ec;
    existed = fs::exists(path, ec);
    if (ec) {
        if (error)
            *error = "データファイルを確認できません（" + pathToUtf8(path) + ": " + ec.message() + "）";
        return false;
    }
    if (!existed)
        return true;
    auto read = readFile(path);
    if (!read) {
        if (error)
            *error = "データファイルを読み込めません（" + pathToUtf8(path) + "）";
        return false;
    }
    bytes = std::move(*read);
    return true;
}

bool LoadStoreLines(const fs::path& path, std::vector<std::string>& lines, bool& existed, std::string* error)
{
    lines.clear();
    std::string bytes;
    if (!LoadStoreBytes(path, bytes, existed, error))
        return false;
    lines = splitLines(bytes);
    return true;
}

bool SaveStoreBytes(const fs::path& path, std::string_view bytes, std::string* error)
{
    std::string reason;
    if (writeFileAtomic(path, bytes, &reason))
        return true;
    if (error)
        *error = StoreSaveError(reason);
    return false;
}

bool SaveStoreLines(const fs::path& path, const std::vector<std::string>& lines, std::string* error)
{
    return SaveStoreBytes(path, joinLinesCrlf(lines), error);
}

namespace {

bool checkRecord(const fs::path& path, std::string_view line, std::string* error)
{
    if (path.empty()) {
        if (error)
            *error = "開催日が正しくないレコードは保存できません";
        return false;
    }
    if (!HasLineBreak(line))
        return true;
    if (error)
        *error = "改行を含むレコードは保存できません";
    return false;
}

} // namespace

std::vector<std::string>* StoreFiles::lines(const fs::path& path, bool& existed, std::string* error)
{
    const auto at = std::find_if(files_.begin(), files_.end(), [&](const auto& f) { return f.first == path; });
    if (at != files_.end()) {
        existed = at->second.existed || at->second.changed;
        return &at->second.lines;
    }
    File file;
    if (!LoadStoreLines(path, file.lines, file.existed, error))
        return nullptr;
    existed = file.existed;
    return &files_.emplace_back(path, std::move(file)).second.lines;
}

void StoreFiles::changed(const fs::path& path)
{
    for (auto& [p, file] : files_)
        if (p == path) {
            file.changed = true;
            ++file.records;
        }
}

void StoreFiles::copied(const fs::path& path)
{
    for (auto& [p, file] : files_)
        if (p == path)
            file.changed = true;
}

StoreFiles::Committed StoreFiles::commit()
{
    Committed out;
    ReplaceBatch batch;
    std::vector<const std::pair<fs::path, File>*> added;
    for (const auto& entry : files_) {
        if (!entry.second.changed)
            continue;
        std::string reason;
        if (batch.add(entry.first, joinLinesCrlf(entry.second.lines), &reason))
            added.push_back(&entry);
        else
            out.errors.push_back(StoreSaveError(reason));
    }
    // A folder that fails to sync after the renames leaves the files replaced: as for a single replace,
    // only the files that kept their old version count as failed.
    batch.commit();
    for (const auto* entry : added) {
        const auto failed = std::find_if(batch.failures().begin(), batch.failures().end(),
                                         [&](const ReplaceBatch::Failure& f) { return f.path == entry->first; });
        if (failed != batch.failures().end())
            out.errors.push_back(StoreSaveError(failed->reason));
        else
            out.records += entry->second.records;
    }
    files_.clear();
    return out;
}

bool CommitStoreFiles(StoreFiles& files, std::string* error)
{
    const StoreFiles::Committed committed = files.commit();
    if (committed.errors.empty())
        return true;
    if (error)
        *error = committed.errors.front();
    return false;
}

bool KeyedFile(StoreFiles& files, const fs::path& path, std::string_view rec, bool dropBlankFirstLine,
               std::string* error, std::string_view delivery)
{
    const std::string_view line = StoredLine(rec);
    if (!checkRecord(path, line, error))
        return false;
    bool existed = false;
    std::vector<std::string>* lines = files.lines(path, existed, error);
    if (!lines)
        return false;
    KeyedStep(*lines, std::string(line), dropBlankFirstLine, false, delivery);
    files.changed(path);
    return true;
}

bool KeyedFile(const fs::path& path, std::string_view rec, bool dropBlankFirstLine, std::string* error,
               std::string_view delivery)
{
    StoreFiles files;
    return KeyedFile(files, path, rec, dropBlankFirstLine, error, delivery) && CommitStoreFiles(files, error);
}

bool SlotFile(StoreFiles& files, const fs::path& path, std::string_view rec, std::string* error)
{
    const std::string_view line = StoredLine(rec);
    if (!checkRecord(path, line, error))
        return false;
    bool existed = false;
    std::vector<std::string>* lines = files.lines(path, existed, error);
    if (!lines)
        return false;
    if (existed)
        FitSlotLines(*lines);
    else
        *lines = EmptySlotLines();
    if (!SlotStep(*lines, std::string(line))) {
        if (error)
            *error = "レース番号または馬番が範囲外のため保存できません";
        return false;
    }
    files.changed(path);
    return true;
}

bool SlotFile(const fs::path& path, std::string_view rec, std::string* error)
{
    StoreFiles files;
    return SlotFile(files, path, rec, error) && CommitStoreFiles(files, error);
}

bool OneRecordFile(const fs::path& path, std::string_view rec, std::string* error)
{
    const std::string_view line = StoredLine(rec);
    if (!checkRecord(path, line, error))
        return false;
    return SaveStoreLines(path, {std::string(line)}, error);
}

std::vector<std::string> ListStoredDays(const fs::path& dataFolder)
{
    std::set<std::string, std::greater<>> days;
    std::error_code ec;
    for (fs::directory_iterator it(dataFolder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = pathToUtf8(it->path().filename());
        if (name.size() <= 5 || !equalsIgnoreCase(std::string_view(name).substr(name.size() - 5), ".jvRA"))
            continue;
        const std::string sjis = toSjis(name);
        if (sjis.size() < 14)
            continue;
        const std::string_view day = std::string_view(sjis).substr(0, 14);
        if (!isDigits(day.substr(0, 4)) || day.substr(4, 2) != kSjisYear || !isDigits(day.substr(6, 2)) ||
            day.substr(8, 2) != kSjisMonth || !isDigits(day.substr(10, 2)) || day.substr(12, 2) != kSjisDay)
            continue;
        days.emplace(day);
    }
    return {days.begin(), days.end()};
}

} // namespace solvane
