#include "raceday/Forecast.h"

#include "store/Store.h"
#include "util/Clock.h"
#include "util/Files.h"
#include "util/FolderLock.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <algorithm>
#include <array>
#include <optional>
#include <system_error>

namespace solvane {

namespace {

// The fixed words of the grammar, in Shift-JIS once.
struct Words {
    // The ten JRA venues in the order a line is tested against them.
    std::array<std::string, 10> venues;
    std::array<std::string, 10> bracketed; // "【札幌】" …
    std::array<std::string, 9> wideDigits; // "１" … "９"
    std::string fiDateOpen = toSjis("【20"), fiDateClose = toSjis("日】"), fiVenueRule = toSjis("━【");
    std::string tfDateOpen = toSjis("■20"), tfDateClose = toSjis("日");

    Words()
    {
        const std::array<std::string_view, 10> names = {"札幌", "函館", "福島", "新潟", "東京",
                                                        "中山", "中京", "阪神", "京都", "小倉"};
        for (std::size_t i = 0; i < names.size(); ++i) {
            venues[i] = toSjis(names[i]);
            bracketed[i] = toSjis("【" + std::string(names[i]) + "】");
        }
        const std::array<std::string_view, 9> digits = {"１", "２", "３", "４", "５", "６", "７", "８", "９"};
        for (std::size_t i = 0; i < digits.size(); ++i)
            wideDigits[i] = toSjis(digits[i]);
    }
};

const Words& W()
{
    static const Words words;
    return words;
}

// One pasted line with the places where its characters begin, so that a word is only found where a
// character begins (a trail byte followed by a lead byte can spell a kanji's bytes) and a mark is never
// cut out of the middle of a character.
class SjisLine {
public:
    explicit SjisLine(std::string_view text) : text_(text), start_(text.size() + 1, false)
    {
        std::size_t i = 0;
        while (i < text.size()) {
            start_[i] = true;
            if (isSjisLeadByte(static_cast<unsigned char>(text[i]))) {
                if (i + 1 == text.size()) {
                    brokenEnd_ = true; // a lead byte whose trail byte was cut off
                    ++i;
                } else {
                    i += 2;
                }
            } else {
                ++i;
            }
        }
        start_[text.size()] = true;
    }

    std::string_view text() const { return text_; }

    bool contains(std::string_view word) const
    {
        for (std::size_t i = 0; i + word.size() <= text_.size(); ++i)
            if (start_[i] && text_.substr(i, word.size()) == word)
                return true;
        return false;
    }

    // The single-byte character c stands at the 1-based position pos.
    bool charAt(std::size_t pos, char c) const
    {
        return pos >= 1 && pos <= text_.size() && start_[pos - 1] && text_[pos - 1] == c;
    }

    // The len bytes at the 1-based position pos are whole characters (or lie past the end).
    bool whole(std::size_t pos, std::size_t len) const
    {
        const std::size_t b = pos - 1;
        if (b >= text_.size())
            return true;
        const std::size_t e = std::min(b + len, text_.size());
        if (!start_[b] || !start_[e])
            return false;
        return !(brokenEnd_ && e == text_.size());
    }

private:
    std::string_view text_;
    std::vector<bool> start_;
    bool brokenEnd_ = false;
};

// Index of the first venue whose form (bracketed or plain) the line contains.
std::optional<std::size_t> venueIn(const SjisLine& line, const std::array<std::string, 10>& forms)
{
    for (std::size_t i = 0; i < forms.size(); ++i)
        if (line.contains(forms[i]))
            return i;
    return std::nullopt;
}

// A mark of two bytes; a line that ends early gives blanks, so every mark keeps its column in the file.
std::string markAt(std::string_view line, std::size_t pos)
{
    std::string mark(field(line, pos, 2));
    mark.resize(2, ' ');
    return mark;
}

std::string cutMarkError(std::size_t lineNo)
{
    return std::to_string(lineNo) +
           "行目の予想印が文字の途中で区切られています。貼り付けたテキストの桁がずれていないか確かめてください。";
}

// The date heading: characters 3-16, the year at 3-6, the month at 9-10, the day at 13-14.
struct DateHeading {
    std::string text; // Shift-JIS
    int year = 0, month = 0, day = 0;
};

DateHeading readDate(std::string_view line)
{
    DateHeading d;
    d.text = std::string(field(line, 3, 14));
    d.year = static_cast<int>(toIntDef(field(line, 3, 4), 0));
    d.month = static_cast<int>(toIntDef(field(line, 9, 2), 0));
    d.day = static_cast<int>(toIntDef(field(line, 13, 2), 0));
    return d;
}

// The race number of a race line, or 0 when the line is not one. A race line has a single-byte "R" as
// its third character after a two-byte number ("１R", "12R"); the triple-factor text also writes "1R".
int raceOf(const SjisLine& line, bool allowShort)
{
    if (line.charAt(3, 'R'))
        return RaceNumberOf(field(line.text(), 1, 2));
    if (allowShort && line.charAt(2, 'R'))
        return RaceNumberOf(field(line.text(), 1, 1));
    return 0;
}

// Only race numbers a day can have make a line of the file; others would name no race.
bool usableRace(int race)
{
    return race > 0 && race < 18;
}

std::string fileLineStart(std::size_t venue, int race)
{
    return W().venues[venue] + strprintf("%02d", race) + "  ";
}

// Reads the date headings of the whole text. Sets plan.error when there is no valid one, or when the
// text holds more than one day: every race of it would be stored under one date.
bool readHeadings(ForecastPlan& plan, const std::vector<std::string>& lines)
{
    const bool fi = plan.kind == ForecastKind::FI;
    std::optional<DateHeading> date;
    std::vector<std::string> dates;
    std::string venues; // "東京 中山 ", Shift-JIS
    std::optional<std::size_t> venue;
    for (const std::string& text : lines) {
        const SjisLine line(text);
        const bool dateLine = fi ? line.contains(W().fiDateOpen) && line.contains(W().fiDateClose)
                                 : line.contains(W().tfDateOpen) && line.contains(W().tfDateClose);
        if (dateLine) {
            date = readDate(text);
            if (std::find(dates.begin(), dates.end(), date->text) == dates.end())
                dates.push_back(date->text);
        }
        if (!date || date->text.empty())
            continue;
        if (fi && line.contains(W().fiVenueRule)) {
            venue = venueIn(line, W().bracketed);
            if (venue)
                venues += W().venues[*venue] + " ";
        } else if (!fi && dateLine) {
            if (const auto found = venueIn(line, W().venues))
                venue = found;
            if (venue)
                venues += W().venues[*venue] + " ";
        }
    }
    if (!date || date->year <= 2000 || !isValidDate(date->year, date->month, date->day)) {
        plan.error = std::string(kForecastBadData);
        return false;
    }
    if (dates.size() > 1) {
        std::string list;
        for (const std::string& d : dates)
            list += (list.empty() ? "" : "、") + fromSjis(d);
        plan.error = "貼り付けたテキストに複数の日付があります（" + list + "）。1日分ずつ取り込んでください。";
        return false;
    }
    plan.dayKey = strprintf("%04d年%02d月%02d日", date->year, date->month, date->day);
    plan.question = "[ " + fromSjis(date->text) + fromSjis(venues) + "]の予想印を取り込みますか？";
    return true;
}

// FI race lines: the race label, then the mark of horse i at positions 3i+5 and 3i+6.
void readFiRaces(ForecastPlan& plan, const std::vector<std::string>& lines)
{
    std::optional<std::size_t> venue;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const SjisLine line(lines[i]);
        if (const auto found = venueIn(line, W().bracketed))
            venue = found;
        if (!venue)
            continue;
        const int race = raceOf(line, false);
        if (!usableRace(race))
            continue;
        std::string out = fileLineStart(*venue, race);
        for (std::size_t h = 1; h <= 18; ++h) {
            if (!line.whole(3 * h + 5, 2)) {
                plan.error = cutMarkError(i + 1);
                return;
            }
            out += markAt(lines[i], 3 * h + 5);
        }
        plan.lines.push_back(std::move(out));
    }
}

// Triple-factor race blocks: the race label, two heading lines, then one line per horse with the three
// factors' marks at positions 5-6, 10-11 and 15-16, up to a "-----" line.
void readTfRaces(ForecastPlan& plan, const std::vector<std::string>& lines)
{
    auto isDateLine = [](const SjisLine& l) { return l.contains(W().tfDateOpen) && l.contains(W().tfDateClose); };
    std::optional<std::size_t> venue;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const SjisLine line(lines[i]);
        if (isDateLine(line)) {
            if (const auto found = venueIn(line, W().venues))
                venue = found;
        }
        if (!venue)
            continue;
        const int race = raceOf(line, true);
        if (!usableRace(race))
            continue;
        std::array<std::string, 3> blocks;
        for (std::string& b : blocks)
            b.assign(36, ' ');
        // A block that reaches the end of the text is kept with the horses it has: the copy stopped
        // there, and what it holds is right. A block that runs into the next race or heading (its
        // "-----" line was lost) ends there rather than reading those lines as horses.
        for (std::size_t q = 1; q <= 18 && i + q + 2 < lines.size(); ++q) {
            const std::size_t at = i + q + 2;
            const SjisLine horse(lines[at]);
            if (startsWith(lines[at], "-----") || raceOf(horse, true) != 0 || isDateLine(horse))
                break;
            for (std::size_t f = 0; f < 3; ++f) {
                const std::size_t pos = 5 + 5 * f;
                if (!horse.whole(pos, 2)) {
                    plan.error = cutMarkError(at + 1);
                    return;
                }
                blocks[f].replace(2 * (q - 1), 2, markAt(lines[at], pos));
            }
        }
        plan.lines.push_back(fileLineStart(*venue, race) + blocks[0] + blocks[1] + blocks[2]);
    }
}

bool validUtf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = 0;
        unsigned int cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            n = 1, cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            n = 2, cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            n = 3, cp = c & 0x07;
        } else {
            return false;
        }
        if (i + n >= s.size())
            return false;
        for (std::size_t k = 1; k <= n; ++k) {
            const auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        // Overlong forms and surrogates are not UTF-8.
        if ((n == 1 && cp < 0x80) || (n == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += n + 1;
    }
    return true;
}

// The lines of a text whose lines may end in CR LF, LF or a lone CR (as some programs still save them).
std::vector<std::string> textLines(std::string_view text)
{
    if (text.find('\r') == std::string_view::npos)
        return splitLines(text);
    std::string unified(text);
    for (std::size_t i = 0; i < unified.size(); ++i)
        if (unified[i] == '\r' && (i + 1 == unified.size() || unified[i + 1] != '\n'))
            unified[i] = '\n';
    return splitLines(unified);
}

// The 1-based line and the byte of the first control character other than a tab and the line ends.
std::optional<std::pair<std::size_t, unsigned>> controlCharacter(std::string_view text)
{
    std::size_t line = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\n' || (c == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
            ++line;
        else if ((c < 0x20 && c != '\t' && c != '\r') || c == 0x7F)
            return std::pair{line, static_cast<unsigned>(c)};
    }
    return std::nullopt;
}

} // namespace

int RaceNumberOf(std::string_view sjis)
{
    for (std::size_t i = 0; i < W().wideDigits.size(); ++i)
        if (sjis == W().wideDigits[i])
            return static_cast<int>(i) + 1;
    const long long n = toIntDef(sjis, 0);
    return n >= -99 && n <= 99 ? static_cast<int>(n) : 0;
}

std::string ForecastPlan::fileName() const
{
    return dayKey + (kind == ForecastKind::FI ? ".FI" : ".TF");
}

ForecastPlan ReadForecast(ForecastKind kind, std::string_view sjisText)
{
    ForecastPlan plan;
    plan.kind = kind;
    if (sjisText.size() > kForecastMaxBytes) {
        plan.error = std::string(kForecastTooLarge);
        return plan;
    }
    if (const auto control = controlCharacter(sjisText)) {
        plan.error = strprintf("%zu行目に制御文字（0x%02X）があるため取り込めません。テキストの予想印のページを"
                               "貼り付けてください。",
                               control->first, control->second);
        return plan;
    }
    const std::vector<std::string> lines = textLines(sjisText);
    if (lines.size() < kForecastMinLines) {
        plan.tooFewLines = true;
        return plan;
    }
    if (!readHeadings(plan, lines))
        return plan;
    if (kind == ForecastKind::FI)
        readFiRaces(plan, lines);
    else
        readTfRaces(plan, lines);
    if (!plan.error.empty()) {
        plan.lines.clear();
        return plan;
    }
    if (plan.lines.empty())
        plan.error = std::string(kForecastNoRaces);
    return plan;
}

ForecastSaved SaveForecast(const ForecastPlan& plan, const std::filesystem::path& appFolder)
{
    ForecastSaved saved;
    if (!plan.ready() || plan.lines.empty()) {
        saved.message = plan.error;
        return saved;
    }
    const std::filesystem::path data = StoreFolder(appFolder);
    std::error_code ec;
    std::filesystem::create_directories(data, ec);
    // An existing file of the day is replaced whatever the case of its name.
    saved.path = findChildIgnoreCase(data, plan.fileName());
    const FolderLock lock = LockForWriting(appFolder);
    if (!lock) {
        saved.message = lock.error();
        return saved;
    }
    std::string error;
    if (!writeFileAtomic(saved.path, joinLinesCrlf(plan.lines), &error)) {
        saved.message = "予想印ファイルを保存できませんでした（" + plan.fileName() + "）：" + error;
        return saved;
    }
    saved.ok = true;
    saved.message = "[" + plan.dayKey + "]の予想印を取り込みました。";
    return saved;
}

ForecastOutcome ImportForecast(ForecastKind kind, std::string_view sjisText, const std::filesystem::path& appFolder,
                               const ForecastAsk& ask)
{
    using Status = ForecastOutcome::Status;
    const ForecastPlan plan = ReadForecast(kind, sjisText);
    if (plan.tooFewLines)
        return {Status::Nothing, {}};
    if (!plan.ready())
        return {Status::Rejected, plan.error};
    if (!ask || !ask(plan.question))
        return {Status::Declined, {}};
    const ForecastSaved saved = SaveForecast(plan, appFolder);
    return {saved.ok ? Status::Saved : Status::Failed, saved.message};
}

ForecastFile ReadForecastFile(const std::filesystem::path& file)
{
    ForecastFile out;
    std::FILE* f = openForReading(file);
    if (!f) {
        out.error = "ファイルを読めません：" + pathToUtf8(file);
        return out;
    }
    std::string bytes;
    char buffer[65536];
    std::size_t n = 0;
    // One byte past the limit tells a file that is too large, whatever its size says (a device has none).
    while (bytes.size() <= kForecastMaxBytes &&
           (n = std::fread(buffer, 1, std::min(sizeof buffer, kForecastMaxBytes + 1 - bytes.size()), f)) > 0)
        bytes.append(buffer, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        out.error = "ファイルを読めません：" + pathToUtf8(file);
    else if (bytes.size() > kForecastMaxBytes)
        out.error = std::string(kForecastTooLarge);
    else
        out.bytes = std::move(bytes);
    return out;
}

std::string ForecastTextFromUtf8(std::string_view utf8)
{
    std::string text;
    text.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8.substr(i, 2) == "\xC2\xA0") {
            text += ' ';
            ++i;
        } else {
            text += utf8[i];
        }
    }
    return toSjis(text);
}

std::string ForecastTextToSjis(std::string_view bytes)
{
    if (startsWith(bytes, "\xEF\xBB\xBF"))
        return ForecastTextFromUtf8(bytes.substr(3));
    if (validUtf8(bytes))
        return ForecastTextFromUtf8(bytes);
    return std::string(bytes);
}

} // namespace solvane
