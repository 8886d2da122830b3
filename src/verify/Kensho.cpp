#include "verify/Kensho.h"

#include "jvdata/CodeTables.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"
#include "verify/Backtest.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <optional>
#include <system_error>
#include <tuple>
#include <unordered_map>

namespace solvane {
namespace {

// Offsets (0-based) and lengths of the race fields of a backtest line.
struct FieldAt {
    std::size_t offset;
    std::size_t length;
};
constexpr FieldAt kYear{0, 4}, kMonth{4, 2}, kDay{6, 2}, kTrack{8, 2}, kMeeting{10, 2}, kDayOfMeeting{12, 2},
    kRace{14, 2}, kName{16, 6}, kGrade{22, 1}, kSymbol{23, 3}, kRaceType{26, 2}, kWeightType{28, 1}, kCondition{29, 3},
    kDistance{32, 4}, kCourse{36, 2}, kRunners{38, 2}, kTurfGoing{40, 1}, kDirtGoing{41, 1};
// Within a bet type's block: "%4d" count, "%7d" stake, "%8d" payout.
constexpr FieldAt kCount{0, 4}, kStake{4, 7}, kPayout{11, 8};

std::string fieldOf(std::string_view record, FieldAt f)
{
    return std::string(field(record, f.offset + 1, f.length));
}

std::vector<std::string> makeList(std::initializer_list<const char*> items)
{
    return {items.begin(), items.end()};
}

std::vector<std::string> runnerItems()
{
    std::vector<std::string> items;
    for (int n = 5; n <= 18; ++n)
        items.push_back(strprintf("%2d頭", n));
    return items;
}

int itemCount(KenshoList list)
{
    return static_cast<int>(KenshoItems(list).size());
}

// The selected items of a list, limited to the items it has.
std::uint32_t selectionOf(const KenshoFilter& filter, KenshoList list)
{
    const int n = itemCount(list);
    const std::uint32_t mask = n >= 32 ? ~std::uint32_t{0} : ((std::uint32_t{1} << n) - 1);
    return filter.selected[static_cast<std::size_t>(list)] & mask;
}

// Whether the item of a list matches the record (the table of the window's filters).
bool itemMatches(KenshoList list, int item, const BacktestRecord& r)
{
    using N = BacktestRecord;
    switch (list) {
    case KenshoList::Basho:
        return N::number(r.track) == item + 1;
    case KenshoList::Track: {
        const long long d = N::number(r.course);
        static constexpr long long ranges[3][2] = {{10, 22}, {23, 29}, {51, 59}};
        return d >= ranges[item][0] && d <= ranges[item][1];
    }
    case KenshoList::Age: {
        const long long t = N::number(r.raceType);
        static constexpr long long codes[4][2] = {{11, 11}, {12, 12}, {13, 18}, {14, 19}};
        return t == codes[item][0] || t == codes[item][1];
    }
    case KenshoList::Class: {
        const long long c = N::number(r.condition);
        switch (item) {
        case 0:
            return c == 701;
        case 1:
            return c == 703;
        case 2:
            return c == 5;
        case 3:
            return c == 10;
        case 4:
            return c == 16;
        case 5: // オープン: open races that are neither graded nor listed
            return c == 999 && r.grade != "A" && r.grade != "B" && r.grade != "C" && r.grade != "L";
        case 6:
            return r.grade == "L";
        case 7:
            return r.grade == "C";
        case 8:
            return r.grade == "B";
        case 9:
            return r.grade == "A";
        default:
            return false;
        }
    }
    case KenshoList::Juryo:
        return N::number(r.weightType) == item + 1;
    case KenshoList::Tosu:
        return N::number(r.runners) == item + 5;
    }
    return false;
}

// A number in a cell of the given width, blanks for zero (PadNumber's rule).
std::string padded(long long value, int width)
{
    return PadNumber(strprintf("%*lld", width, value));
}

// "TR": "芝" for turf, "ダ" for every dirt and sand course (23–29, whose short labels are partly empty),
// otherwise the first character of the course's short label ("障" for jumps), empty when it has none.
std::string trackSurface(std::string_view course)
{
    const long long d = BacktestRecord::number(course);
    if (d >= 23 && d <= 29)
        return "ダ";
    const std::string_view label = CourseShortLabel(d);
    return label.size() >= 2 ? fromSjis(label.substr(0, 2)) : std::string();
}

CellStyle resultStyle(int column, std::string_view tr)
{
    if (column <= kKenshoNameColumn)
        return CellStyle::bg(kKenshoInfoColor);
    if (column == kKenshoTrColumn)
        return CellStyle::bg(tr == "芝" ? kKenshoTurfColor : tr == "ダ" ? kKenshoDirtColor : kKenshoWhite);
    CellStyle s = CellStyle::bg(kKenshoWhite);
    s.bold = column >= kKenshoTypeColumns && (column - kKenshoTypeColumns) % 3 == 2; // "回収額"
    return s;
}

void styleResultRow(TextGrid& grid, int row)
{
    const std::string tr = grid.cell(row, kKenshoTrColumn);
    for (int c = 0; c < grid.columnCount(); ++c)
        grid.setStyle(row, c, resultStyle(c, tr));
}

// A number cell: half-width blanks around an optional sign, digits and an optional decimal part.
bool isNumberCell(std::string_view cell)
{
    const std::string_view t = trim(cell);
    std::size_t i = (!t.empty() && t[0] == '-') ? 1 : 0;
    bool digits = false, point = false;
    for (; i < t.size(); ++i) {
        if (t[i] >= '0' && t[i] <= '9')
            digits = true;
        else if (t[i] == '.' && !point)
            point = true;
        else
            return false;
    }
    return digits || t.empty();
}

// Number cells are written without their padding blanks (a blank zero as an empty field) so that a
// spreadsheet reads them as numbers; labels and names keep their text as the grid shows it.
void appendCsvField(std::string& out, std::string_view cell)
{
    const std::string_view text = isNumberCell(cell) ? trim(cell) : cell;
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

} // namespace

const std::vector<std::string>& KenshoItems(KenshoList list)
{
    static const std::array<std::vector<std::string>, kKenshoLists> items{
        makeList({"札幌", "函館", "福島", "新潟", "東京", "中山", "中京", "京都", "阪神", "小倉"}),
        makeList({"芝", "ダート", "障害"}),
        makeList({"２歳", "３歳", "３歳上", "４歳上"}),
        makeList({"新馬", "未勝利", "1勝ｸﾗｽ", "2勝ｸﾗｽ", "3勝ｸﾗｽ", "オープン", "Listed", "G３", "G２", "G１"}),
        makeList({"ハンデ", "別定", "馬齢", "定量"}),
        runnerItems(),
    };
    return items.at(static_cast<std::size_t>(list));
}

std::string_view KenshoCaption(KenshoList list)
{
    static constexpr std::array<std::string_view, kKenshoLists> captions{"競馬場", "トラック", "種別",
                                                                         "クラス", "重量",     "頭数"};
    return captions.at(static_cast<std::size_t>(list));
}

bool KenshoFilter::isSelected(KenshoList list, int item) const
{
    if (item < 0 || item >= itemCount(list))
        return false;
    return (selected[static_cast<std::size_t>(list)] >> item) & 1U;
}

void KenshoFilter::select(KenshoList list, int item, bool on)
{
    if (item < 0 || item >= itemCount(list))
        return;
    std::uint32_t& bits = selected[static_cast<std::size_t>(list)];
    const std::uint32_t bit = std::uint32_t{1} << item;
    bits = on ? (bits | bit) : (bits & ~bit);
}

long long BacktestRecord::number(std::string_view field)
{
    return toIntDef(field, 0);
}

BacktestRecord ParseBacktestRecord(std::string_view record)
{
    BacktestRecord r;
    r.year = fieldOf(record, kYear);
    r.month = fieldOf(record, kMonth);
    r.day = fieldOf(record, kDay);
    r.track = fieldOf(record, kTrack);
    r.meeting = fieldOf(record, kMeeting);
    r.dayOfMeeting = fieldOf(record, kDayOfMeeting);
    r.race = fieldOf(record, kRace);
    r.raceName = fieldOf(record, kName);
    r.grade = fieldOf(record, kGrade);
    r.symbol = fieldOf(record, kSymbol);
    r.raceType = fieldOf(record, kRaceType);
    r.weightType = fieldOf(record, kWeightType);
    r.condition = fieldOf(record, kCondition);
    r.distance = fieldOf(record, kDistance);
    r.course = fieldOf(record, kCourse);
    r.runners = fieldOf(record, kRunners);
    r.turfGoing = fieldOf(record, kTurfGoing);
    r.dirtGoing = fieldOf(record, kDirtGoing);
    for (std::size_t k = 0; k < kBakenTypes; ++k) {
        const std::size_t block = kBtTypeBlocks + kBtTypeBlockLength * k;
        auto at = [&](FieldAt f) { return BacktestRecord::number(field(record, block + f.offset + 1, f.length)); };
        r.count[k] = at(kCount);
        r.stake[k] = at(kStake);
        r.payout[k] = at(kPayout);
    }
    // After the 374 characters of every line: CR LF, or the bet-time field of a run at bet-time odds.
    if (const std::string_view tail = field(record, kBtOddsBefore + 1, 2); tail.size() == 2 && tail != "\r\n")
        r.oddsBefore = static_cast<int>(BacktestRecord::number(tail));
    return r;
}

bool KenshoListed(const BacktestRecord& record, const KenshoFilter& filter)
{
    for (int l = 0; l < kKenshoLists; ++l) {
        const auto list = static_cast<KenshoList>(l);
        const std::uint32_t chosen = selectionOf(filter, list);
        if (chosen == 0)
            continue;
        bool any = false;
        for (int item = 0; item < itemCount(list) && !any; ++item)
            any = ((chosen >> item) & 1U) && itemMatches(list, item, record);
        if (!any)
            return false;
    }
    const long long d = BacktestRecord::number(record.distance);
    return d >= filter.distanceLow && d <= filter.distanceHigh;
}

void KenshoTotals::add(const BacktestRecord& record)
{
    for (std::size_t k = 0; k < kBakenTypes; ++k) {
        if (record.count[k] <= 0)
            continue;
        ++played[k];
        stake[k] += record.stake[k];
        payout[k] += record.payout[k];
        if (record.payout[k] > 0)
            ++hit[k];
    }
}

const std::vector<std::string>& KenshoHeadings()
{
    static const std::vector<std::string> headings = [] {
        std::vector<std::string> h{"年", "月", "日",     "場所", "回",   "日", "R",    "ﾚｰｽ名",
                                   "頭", "GR", "競走種", "条件", "重量", "TR", "距離", "馬場"};
        for (const char* type : {"単勝点", "複勝点", "枠連点", "馬連点", "ﾜｲﾄﾞ点", "馬単点", "３複点", "３単点"}) {
            h.emplace_back(type);
            h.emplace_back("投票額");
            h.emplace_back("回収額");
        }
        return h;
    }();
    return headings;
}

const std::vector<std::string>& KenshoSummaryHeadings()
{
    static const std::vector<std::string> headings{"",     "単勝", "複勝",  "枠連", "馬連",
                                                   "ﾜｲﾄﾞ", "馬単", "3連複", "3連単"};
    return headings;
}

const std::vector<std::string>& KenshoSummaryRowHeadings()
{
    static const std::vector<std::string> rows{"データ数", "的中率", "回収率"};
    return rows;
}

KenshoRow KenshoRowOf(const BacktestRecord& record)
{
    KenshoRow row;
    row.record = record;
    row.dateKey = record.year + record.month + record.day;
    std::vector<std::string>& c = row.cells;
    c.reserve(kKenshoColumns);
    c.push_back(fromSjis(record.year));
    c.push_back(PadNumber(record.month));
    c.push_back(PadNumber(record.day));
    c.push_back(fromSjis(TrackName(record.track)));
    c.push_back(PadNumber(record.meeting));
    c.push_back(PadNumber(record.dayOfMeeting));
    c.push_back(PadNumber(record.race));
    c.push_back(fromSjis(record.raceName));
    c.push_back(PadNumber(record.runners));
    c.push_back(fromSjis(GradeLabel(record.grade, 8)));
    c.push_back(fromSjis(RaceTypeLabel(record.raceType))); // the one race type form: four characters
    c.push_back(fromSjis(ConditionLabel(record.condition)));
    c.push_back(fromSjis(WeightTypeLabel(record.weightType)));
    const std::string tr = trackSurface(record.course);
    c.push_back(tr);
    c.push_back(PadNumber(record.distance));
    if (tr == "芝")
        c.push_back(fromSjis(GoingLabel(record.turfGoing, 0)));
    else if (tr == "ダ")
        c.push_back(fromSjis(GoingLabel(record.dirtGoing, 0)));
    else
        c.emplace_back();
    for (std::size_t k = 0; k < kBakenTypes; ++k) {
        c.push_back(padded(record.count[k], static_cast<int>(kCount.length)));
        c.push_back(padded(record.stake[k], static_cast<int>(kStake.length)));
        c.push_back(padded(record.payout[k], static_cast<int>(kPayout.length)));
    }
    return row;
}

namespace {

std::string rateText(long long part, long long whole)
{
    return strprintf("%7.1f", static_cast<double>(part) / static_cast<double>(whole) * 100.0);
}

// Rows first … first + 2 of a summary grid: データ数, 的中率 and 回収率 of the totals, their headings
// prefixed. A type without played races stays empty; one played with a stake sum of 0 has no rate ("－").
void fillSummaryRows(TextGrid& grid, int first, const std::string& prefix, const KenshoTotals& totals)
{
    const auto& rowHeadings = KenshoSummaryRowHeadings();
    for (int r = 0; r < 3; ++r)
        grid.setCell(first + r, 0, prefix + rowHeadings[static_cast<std::size_t>(r)]);
    for (std::size_t k = 0; k < kBakenTypes; ++k) {
        if (totals.played[k] <= 0)
            continue;
        const int col = static_cast<int>(k) + 1;
        grid.setCell(first, col, strprintf("%4lld", totals.played[k]));
        grid.setCell(first + 1, col, rateText(totals.hit[k], totals.played[k]));
        // Races played with no stake at all (a backtest line whose stake did not parse) have no rate.
        grid.setCell(first + 2, col,
                     totals.stake[k] == 0 ? std::string("－") : rateText(totals.payout[k], totals.stake[k]));
    }
}

TextGrid summaryGrid(int rows)
{
    TextGrid grid(KenshoSummaryHeadings(), rows);
    for (int r = 0; r < rows; ++r) {
        grid.setStyle(r, 0, CellStyle::bg(kKenshoHeadingColor));
        for (int c = 1; c < grid.columnCount(); ++c)
            grid.setStyle(r, c, CellStyle::bg(kKenshoInfoColor));
    }
    grid.setAlign(0, CellAlign::Left);
    for (int c = 1; c < grid.columnCount(); ++c)
        grid.setAlign(c, CellAlign::Right);
    return grid;
}

// The recovery rate of a type in percent, when it has one.
std::optional<double> recovery(const KenshoTotals& totals, std::size_t k)
{
    if (totals.played[k] <= 0 || totals.stake[k] == 0)
        return std::nullopt;
    return static_cast<double>(totals.payout[k]) / static_cast<double>(totals.stake[k]) * 100.0;
}

} // namespace

TextGrid KenshoSummary(const KenshoTotals& totals)
{
    TextGrid grid = summaryGrid(3);
    fillSummaryRows(grid, 0, "", totals);
    return grid;
}

TextGrid KenshoComparisonSummary(const KenshoTotals& shown, const KenshoTotals& compared)
{
    TextGrid grid = summaryGrid(kKenshoComparisonRows);
    fillSummaryRows(grid, 0, "", shown);
    fillSummaryRows(grid, 3, "比較の", compared);
    grid.setCell(6, 0, "回収率の差");
    for (std::size_t k = 0; k < kBakenTypes; ++k) {
        // The difference of the two rates as shown, so that it can be checked by hand against them.
        const auto a = recovery(shown, k);
        const auto b = recovery(compared, k);
        if (a && b)
            grid.setCell(
                6, static_cast<int>(k) + 1,
                strprintf("%+7.1f", static_cast<double>(std::llround(*a * 10) - std::llround(*b * 10)) / 10.0));
    }
    return grid;
}

std::string OddsLabel(int oddsBefore)
{
    return oddsBefore > 0 ? strprintf("発走%d分前", oddsBefore) : std::string("確定ｵｯｽﾞ");
}

namespace {

// The text of the backtest file's summary file when its first line gives the file's line count.
std::string RunSummaryOf(const std::filesystem::path& file, std::size_t records)
{
    const std::optional<std::string> bytes = readFile(BacktestSummaryFile(file));
    if (!bytes)
        return {};
    const std::vector<std::string> lines = splitLines(*bytes);
    if (lines.size() < 2 || lines[0] != std::to_string(records))
        return {};
    std::string text;
    for (std::size_t i = 1; i < lines.size(); ++i)
        text += (i > 1 ? "\n" : "") + fromSjis(lines[i]);
    return text;
}

// The listed races of a backtest file, last record first; fileFound false when it is missing.
struct ListedRaces {
    bool fileFound = false;
    std::string error;
    std::vector<KenshoRow> rows;
    std::size_t records = 0;
    std::string oddsLabel; // of the file's records, whether listed or not
};

ListedRaces ReadListed(const std::filesystem::path& file, const KenshoFilter& filter)
{
    ListedRaces listed;
    std::error_code ec;
    if (!std::filesystem::exists(file, ec))
        return listed;
    listed.fileFound = true;
    const std::optional<std::string> bytes = readFile(file);
    if (!bytes) {
        listed.error = "検証ファイルを読めませんでした：" + pathToUtf8(file);
        return listed;
    }
    const std::string_view data = *bytes;
    // Whole records, and a final shorter one read as far as it goes.
    const std::size_t length = BacktestRecordLengthOf(data);
    listed.records = (data.size() + length - 1) / length;
    listed.oddsLabel = OddsLabel(ParseBacktestRecord(data.substr(0, length)).oddsBefore);
    for (std::size_t i = listed.records; i-- > 0;) {
        const BacktestRecord record = ParseBacktestRecord(data.substr(i * length, length));
        if (KenshoListed(record, filter))
            listed.rows.push_back(KenshoRowOf(record));
    }
    return listed;
}

// The result of listed races: totals, result grid and summary grid.
void fillResult(KenshoResult& result, std::vector<KenshoRow> rows)
{
    result.rows = std::move(rows);
    for (const KenshoRow& row : result.rows)
        result.totals.add(row.record);
    result.grid = TextGrid(KenshoHeadings(), std::max<int>(1, static_cast<int>(result.rows.size())));
    for (std::size_t r = 0; r < result.rows.size(); ++r)
        result.grid.row(static_cast<int>(r)) = result.rows[r].cells;
    for (int r = 0; r < result.grid.rowCount(); ++r)
        styleResultRow(result.grid, r);
    for (int c = 0; c < result.grid.columnCount(); ++c)
        result.grid.setAlign(c, c == kKenshoDayColumn ? CellAlign::Left : CellAlign::Center);
    result.summary = KenshoSummary(result.totals);
}

// A race of the backtest file: its day, track, meeting, day of meeting and race number.
std::string raceKey(const BacktestRecord& r)
{
    return r.year + r.month + r.day + r.track + r.meeting + r.dayOfMeeting + r.race;
}

} // namespace

KenshoResult ReadDataBtnClick(const std::filesystem::path& file, const KenshoFilter& filter)
{
    KenshoResult result;
    ListedRaces listed = ReadListed(file, filter);
    result.fileFound = listed.fileFound;
    result.error = std::move(listed.error);
    if (!result.fileFound || !result.error.empty())
        return result;
    fillResult(result, std::move(listed.rows));
    result.oddsLabel = std::move(listed.oddsLabel);
    result.runSummary = RunSummaryOf(file, listed.records);
    return result;
}

KenshoResult CompareBacktestRuns(const std::filesystem::path& file, const std::filesystem::path& comparedFile,
                                 const KenshoFilter& filter)
{
    KenshoResult result;
    ListedRaces shown = ReadListed(file, filter);
    result.fileFound = shown.fileFound;
    result.error = std::move(shown.error);
    if (!result.fileFound || !result.error.empty())
        return result;
    result.oddsLabel = std::move(shown.oddsLabel);
    result.runSummary = RunSummaryOf(file, shown.records);
    ListedRaces other = ReadListed(comparedFile, filter);
    if (!other.fileFound || !other.error.empty()) {
        result.error = other.fileFound ? std::move(other.error) : std::string(kNoComparedRun);
        return result;
    }

    // Only the races both runs list, each run's rows in the shown run's order, so that the two curves
    // take the same races at the same places.
    std::unordered_map<std::string, std::size_t> otherAt;
    for (std::size_t i = 0; i < other.rows.size(); ++i)
        otherAt.emplace(raceKey(other.rows[i].record), i);
    std::vector<KenshoRow> both;
    KenshoCompared compared;
    compared.oddsLabel = std::move(other.oddsLabel);
    for (KenshoRow& row : shown.rows) {
        const auto at = otherAt.find(raceKey(row.record));
        if (at == otherAt.end())
            continue;
        compared.rows.push_back(std::move(other.rows[at->second]));
        compared.totals.add(compared.rows.back().record);
        both.push_back(std::move(row));
    }
    compared.runSummary = RunSummaryOf(comparedFile, other.records);
    compared.onlyShown = static_cast<long long>(shown.rows.size() - both.size());
    compared.onlyCompared = static_cast<long long>(other.rows.size() - both.size());
    fillResult(result, std::move(both));
    result.summary = KenshoComparisonSummary(result.totals, compared.totals);
    result.compared = std::move(compared);
    return result;
}

std::array<std::vector<double>, kBakenTypes> CumulativeRecovery(const std::vector<KenshoRow>& rows)
{
    std::vector<std::size_t> order(rows.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    auto key = [&](std::size_t i) {
        const BacktestRecord& r = rows[i].record;
        return std::tuple(std::string_view(rows[i].dateKey), BacktestRecord::number(r.track),
                          BacktestRecord::number(r.race));
    };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return key(a) < key(b); });

    std::array<std::vector<double>, kBakenTypes> curves;
    KenshoTotals running;
    for (std::size_t i : order) {
        running.add(rows[i].record);
        for (std::size_t k = 0; k < kBakenTypes; ++k) {
            curves[k].push_back(running.stake[k] == 0 ? std::numeric_limits<double>::quiet_NaN()
                                                      : static_cast<double>(running.payout[k]) /
                                                            static_cast<double>(running.stake[k]) * 100.0);
        }
    }
    return curves;
}

std::string KenshoCsv(const TextGrid& grid)
{
    std::string out = "\xEF\xBB\xBF";
    auto line = [&](const std::vector<std::string>& cells) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i)
                out += ',';
            appendCsvField(out, cells[i]);
        }
        out += "\r\n";
    };
    line(grid.headings());
    for (int r = 0; r < grid.rowCount(); ++r)
        line(grid.row(r));
    return out;
}

std::string KenshoComparisonText(const KenshoResult& result)
{
    if (!result.compared)
        return {};
    const KenshoCompared& c = *result.compared;
    std::string text = strprintf("比較：今回 %s と前回 %s、共通のレース %zu", result.oddsLabel.c_str(),
                                 c.oddsLabel.c_str(), result.rows.size());
    if (c.onlyShown > 0 || c.onlyCompared > 0)
        text += strprintf("（今回だけのレース %lld、前回だけのレース %lld は除きました）", c.onlyShown, c.onlyCompared);
    return text + "。";
}

} // namespace solvane
