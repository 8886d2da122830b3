#include "kaime/KaimeBuild.h"

#include "jvdata/Combo.h"
#include "kaime/CellText.h"
#include "raceday/OddsReader.h"
#include "raceday/RaceRecords.h"
#include "util/Text.h"

#include <algorithm>
#include <numeric>
#include <span>

namespace solvane {
namespace {

using kaime::FixedCell;
using kaime::IntCell;
using kaime::PutFixed;
using kaime::PutInt;

std::size_t at(int i)
{
    return static_cast<std::size_t>(i);
}

std::string labelOf(BakenType type, int ordinal)
{
    switch (type) {
    case BakenType::WR:
        return WRLabelOf(ordinal);
    case BakenType::UR:
    case BakenType::WD:
        return PairLabelOf(ordinal);
    case BakenType::UT:
        return UTLabelOf(ordinal);
    case BakenType::SRF:
        return SRFLabelOf(ordinal);
    case BakenType::SRT:
        return SRTLabelOf(ordinal);
    case BakenType::Tan:
    case BakenType::Fuk:
        break;
    }
    return ComboLabel(ordinal);
}

// The numbers at character positions 1-2, 4-5, 7-8 of a label (or of a 連人気 text).
std::array<int, 3> numbersOf(std::string_view text, int count)
{
    std::array<int, 3> out{};
    for (int i = 0; i < count; ++i)
        out[at(i)] = static_cast<int>(kaime::ReadCellInt(field(text, at(3 * i + 1), 2)));
    return out;
}

// Every combination of a type worked out once: its label and numbers by ordinal, and the ordinals in
// ascending label order (the table lists its labels in text order whatever order the odds records
// number them in). A trifecta table takes thousands of rows from here on every rebuild.
struct ComboTable {
    std::vector<int> order;
    std::vector<std::string> labels;         // [ordinal]
    std::vector<std::array<int, 3>> numbers; // [ordinal]
};

const ComboTable& comboTable(BakenType type)
{
    static const std::array<ComboTable, kBakenTypes> tables = [] {
        std::array<ComboTable, kBakenTypes> all;
        for (const BakenType t : kAllBakenTypes) {
            const int count = InfoOf(t).comboCount;
            ComboTable& table = all[at(IndexOf(t))];
            table.labels.resize(at(count + 1));
            table.numbers.resize(at(count + 1));
            for (int k = 1; k <= count; ++k) {
                table.labels[at(k)] = labelOf(t, k);
                table.numbers[at(k)] = numbersOf(table.labels[at(k)], InfoOf(t).numbers);
                table.order.push_back(k);
            }
            std::stable_sort(table.order.begin(), table.order.end(),
                             [&](int a, int b) { return table.labels[at(a)] < table.labels[at(b)]; });
        }
        return all;
    }();
    return tables[at(IndexOf(type))];
}

const std::vector<int>& labelOrder(BakenType type)
{
    return comboTable(type).order;
}

// The odds and popularity arrays of a type and the number of its odds record (O1..O6).
struct OddsSource {
    std::span<const double> odds;
    std::span<const int> ninki;
    int record;
};

OddsSource oddsOf(const TOutData& r, BakenType type)
{
    switch (type) {
    case BakenType::WR:
        return {r.WROz, r.WRNinki, 1};
    case BakenType::UR:
        return {r.UROz, r.URNinki, 2};
    case BakenType::WD:
        return {r.WDOz, r.WDNinki, 3};
    case BakenType::UT:
        return {r.UTOz, r.UTNinki, 4};
    case BakenType::SRF:
        return {r.SRFOz, r.SRFNinki, 5};
    case BakenType::SRT:
        return {r.SRTOz, r.SRTNinki, 6};
    case BakenType::Tan:
        return {r.TanOz, r.TanNinki, 0};
    case BakenType::Fuk:
        break;
    }
    return {r.FukOzLow, r.FukNinki, 0};
}

// Writes "%2d-%2d-%2d" of the first count numbers into an existing cell.
void putJoinedNumbers(std::string& out, const std::array<int, 3>& v, int count)
{
    out.clear();
    AppendInt(out, v[0], 2);
    for (int i = 1; i < count; ++i) {
        out += '-';
        AppendInt(out, v[at(i)], 2);
    }
}

int ordinalOf(BakenType type, int a, int b, int c)
{
    switch (type) {
    case BakenType::WR:
        return WROrdinal(std::min(a, b), std::max(a, b));
    case BakenType::UR:
    case BakenType::WD:
        return PairOrdinal(std::min(a, b), std::max(a, b));
    case BakenType::UT:
        return UTOrdinal(a, b);
    case BakenType::SRF: {
        std::array<int, 3> v{a, b, c};
        std::sort(v.begin(), v.end());
        return SRFOrdinal(v[0], v[1], v[2]);
    }
    case BakenType::SRT:
        return SRTOrdinal(a, b, c);
    case BakenType::Tan:
    case BakenType::Fuk:
        break;
    }
    return 0;
}

// Hands out the rows of a rebuilt table, reusing the rows (and their cell buffers) of the previous
// build: a table is rebuilt on every mark click, and a trifecta table has thousands of rows.
class RowSink {
public:
    explicit RowSink(TextGrid& grid) : grid_(grid) {}
    // The next row, every cell empty; its index is used() - 1.
    std::vector<std::string>& next()
    {
        if (used_ < grid_.rowCount()) {
            std::vector<std::string>& row = grid_.row(used_++);
            for (std::string& cell : row)
                cell.clear();
            return row;
        }
        ++used_;
        return grid_.row(grid_.addRow());
    }
    int used() const { return used_; }
    // Drops the rows not handed out; an empty table keeps one empty row.
    void finish()
    {
        if (used_ == 0)
            next();
        grid_.setRowCount(used_);
    }

private:
    TextGrid& grid_;
    int used_ = 0;
};

void buildSingleRows(KaimeTable& t, RowSink& rows, const TOutData& r, int n, const Marks& marks)
{
    const OddsSource src = oddsOf(r, t.type);
    for (int h = 1; h <= n; ++h) {
        const double odds = src.odds[at(h)];
        if (!marks.has(MarkKind::Honmei, h) || r.TanNinki[at(h)] <= 0 || !InOddsWindow(t.type, odds))
            continue;
        std::vector<std::string>& cells = rows.next();
        cells[kNumberColumn] = IntCell(rows.used(), 2);
        cells[kLabelColumn] = IntCell(h, 2);
        cells[kOddsColumn] = FixedCell(odds, 6, 1);
        cells[kNinkiColumn] = IntCell(src.ninki[at(h)], 2);
    }
}

void buildComboRows(KaimeTable& t, RowSink& rows, const RaceDay& day, int slot, const Marks& marks,
                    const MultiOptions& multi)
{
    const TOutData& r = day.RaceRecs[at(slot)];
    const int n = RunnerCount(day.RaRecs[at(slot)]);
    const BakenTypeInfo& info = InfoOf(t.type);
    const OddsSource src = oddsOf(r, t.type);
    const bool direct = src.record >= 5 && r.TriplesPending;
    const auto& records = day.OzRecs(src.record);
    const bool loaded = at(slot) < records.size() && RaceNumber(records[at(slot)]) > 0;
    const bool trifecta = t.type == BakenType::SRT;
    const int noWidth = trifecta ? 4 : 3;
    const int ninkiWidth = trifecta ? 4 : 3;
    const std::string blankOdds(at(info.oddsWidth), ' ');
    const std::string blankNinki(at(ninkiWidth), ' ');
    const KaimeLayout layout = LayoutOf(t.type);

    // 連人気 of a bracket: the best win popularity among the bracket's runners, since a bracket
    // number is no horse number.
    PerBracket<int> bracketRank{};
    for (int h = 1; h <= n; ++h) {
        const int rank = r.TanNinki[at(h)];
        int& best = bracketRank[at(BracketOf(n, h))];
        if (rank > 0 && (best == 0 || rank < best))
            best = rank;
    }

    const ComboTable& combos = comboTable(t.type);
    const RawLabelList list = CombinationsOf(t.type, n, marks, multi);
    for (const int k : list.ordinals()) {
        // Trio and trifecta odds of a loaded day are read per listed combination until the block is decoded.
        const OddsEntry entry =
            direct ? TripleOddsEntry(day, slot, src.record, k) : OddsEntry{src.odds[at(k)], src.ninki[at(k)]};
        const double odds = entry.odds;
        if (loaded && !InOddsWindow(t.type, odds))
            continue;
        std::vector<std::string>& cells = rows.next();
        PutInt(cells[kNumberColumn], rows.used(), noWidth);
        cells[kLabelColumn] = combos.labels[at(k)];
        if (loaded) {
            PutFixed(cells[kOddsColumn], odds, info.oddsWidth, 1);
            PutInt(cells[kNinkiColumn], entry.ninki, ninkiWidth);
        } else {
            cells[kOddsColumn] = blankOdds;
            cells[kNinkiColumn] = blankNinki;
        }
        std::array<int, 3> ranks{};
        const std::array<int, 3>& numbers = combos.numbers[at(k)];
        bool ranked = true;
        for (int i = 0; i < info.numbers; ++i) {
            const int v = numbers[at(i)];
            ranks[at(i)] = t.type == BakenType::WR ? (v >= 1 && v <= kBrackets ? bracketRank[at(v)] : 0)
                                                   : (v >= 1 && v <= kMaxHorses ? r.TanNinki[at(v)] : 0);
            ranked = ranked && ranks[at(i)] > 0;
        }
        if (ranked)
            putJoinedNumbers(cells[at(layout.renNinki)], ranks, info.numbers);
    }
}

} // namespace

KaimeLayout LayoutOf(BakenType type)
{
    switch (InfoOf(type).numbers) {
    case 1:
        return {12, -1, 5, 8, 1, 9};
    case 2:
        return {14, 5, 6, 9, 2, 11};
    default:
        return {15, 5, 6, 9, 3, 12};
    }
}

std::vector<std::string> KaimeHeadings(BakenType type)
{
    const int numbers = InfoOf(type).numbers;
    std::vector<std::string> h{"消", type == BakenType::WR ? "No" : "No.", "買い目", "オッズ", "人気"};
    if (numbers > 1)
        h.push_back("連人気");
    for (const char* s : {"購入額", "回収額", "回収率"})
        h.push_back(s);
    if (numbers == 1)
        h.push_back("出現率");
    for (int i = 1; numbers > 1 && i <= numbers; ++i)
        h.push_back("出現率" + std::to_string(i));
    for (const char* s : {"結果配当", "結果回収", "結果人気"})
        h.push_back(s);
    return h;
}

HaibunColumns HaibunColumnsOf(BakenType type)
{
    const KaimeLayout l = LayoutOf(type);
    return {l.stake + 1, l.stake, kDeleteColumn, kOddsColumn, kNumberColumn};
}

KekkaColumns KekkaColumnsOf(BakenType type)
{
    const KaimeLayout l = LayoutOf(type);
    return {kLabelColumn, l.stake, l.resultPayout, l.resultPayout + 2, l.resultPayout + 1};
}

RawLabelList::RawLabelList(BakenType type) : type_(type), present_(at(InfoOf(type).comboCount + 1), 0) {}

void RawLabelList::add(int ordinal)
{
    if (ordinal < 1 || at(ordinal) >= present_.size() || present_[at(ordinal)])
        return;
    present_[at(ordinal)] = 1;
    ++count_;
}

std::vector<int> RawLabelList::ordinals() const
{
    std::vector<int> out;
    out.reserve(count_);
    for (const int k : labelOrder(type_)) {
        if (present_[at(k)])
            out.push_back(k);
    }
    return out;
}

RawLabelList CombinationsOf(BakenType type, int runners, const Marks& marks, const MultiOptions& multi)
{
    RawLabelList list(type);
    const int n = std::clamp(runners, 0, kMaxHorses);
    const int numbers = InfoOf(type).numbers;
    if (numbers == 1)
        return list;
    auto marked = [&](MarkKind kind) {
        std::vector<int> out;
        for (const int h : marks.horses(kind)) {
            if (h <= n)
                out.push_back(h);
        }
        return out;
    };
    const std::vector<int> first = marked(MarkKind::Honmei), second = marked(MarkKind::Taikou);
    if (numbers == 2) {
        for (const int a : first) {
            for (const int b : second) {
                if (a == b)
                    continue;
                if (type == BakenType::WR)
                    list.add(ordinalOf(type, BracketOf(n, a), BracketOf(n, b), 0));
                else
                    list.add(ordinalOf(type, a, b, 0));
                if (type == BakenType::UT && multi.multi)
                    list.add(ordinalOf(type, b, a, 0));
            }
        }
        return list;
    }
    const std::vector<int> third = marked(MarkKind::Tanana);
    const bool srt = type == BakenType::SRT;
    for (const int a : first) {
        for (const int b : second) {
            for (const int c : third) {
                if (a == b || b == c || a == c)
                    continue;
                list.add(ordinalOf(type, a, b, c));
                if (!srt)
                    continue;
                if (multi.multi || multi.multi23)
                    list.add(ordinalOf(type, a, c, b));
                if (multi.multi || multi.multi12)
                    list.add(ordinalOf(type, b, a, c));
                if (multi.multi || multi.multi13)
                    list.add(ordinalOf(type, c, b, a));
                if (multi.multi) {
                    list.add(ordinalOf(type, b, c, a));
                    list.add(ordinalOf(type, c, a, b));
                }
            }
        }
    }
    return list;
}

KaimeTable EmptyKaimeTable(BakenType type)
{
    KaimeTable t;
    t.type = type;
    t.grid = TextGrid(KaimeHeadings(type), 1);
    for (int c = 0; c < t.grid.columnCount(); ++c)
        t.grid.setAlign(c, CellAlign::Center);
    return t;
}

void BuildKaimeRows(KaimeTable& table, const RaceDay& day, int slot, const Marks& marks, const MultiOptions& multi)
{
    if (table.grid.headings() != KaimeHeadings(table.type))
        table = EmptyKaimeTable(table.type);
    table.labels.clear();
    // Only label cells carry a style (paid combinations). Resetting them keeps the grid's style rows,
    // which would otherwise be freed and allocated again, row by row, on every rebuild after a race.
    for (int r = 0; r < table.grid.rowCount(); ++r) {
        if (table.grid.style(r, kLabelColumn) != CellStyle{})
            table.grid.setStyle(r, kLabelColumn, CellStyle{});
    }
    RowSink rows(table.grid);
    if (slot >= 0 && slot < kRaceSlots && at(slot) < day.RaceRecs.size() && at(slot) < day.RaRecs.size()) {
        if (InfoOf(table.type).numbers == 1)
            buildSingleRows(table, rows, day.RaceRecs[at(slot)], RunnerCount(day.RaRecs[at(slot)]), marks);
        else
            buildComboRows(table, rows, day, slot, marks, multi);
    }
    rows.finish();
}

void WriteAppearanceRates(KaimeTable& table, const KaimeContext& ctx)
{
    const KaimeLayout l = LayoutOf(table.type);
    TextGrid& g = table.grid;
    // Every cell is one of at most 3 × 18 texts of this race's runner count: worked out once.
    std::array<std::array<std::string, kMaxHorses + 1>, 3> texts;
    for (int i = 0; ctx.rates && i < l.appearanceCount; ++i) {
        for (int rank = 1; rank <= kMaxHorses; ++rank)
            texts[at(i)][at(rank)] = AppearanceRateText(*ctx.rates, table.type, i + 1, rank, ctx.runners);
    }
    for (int r = 0; r < g.rowCount(); ++r) {
        std::vector<std::string>& row = g.row(r);
        for (int i = 0; i < l.appearanceCount; ++i)
            row[at(l.appearance + i)].clear();
        if (!ctx.rates || kaime::ReadCellInt(row[kNumberColumn]) <= 0)
            continue;
        std::array<int, 3> ranks{};
        if (l.renNinki >= 0) {
            ranks = numbersOf(row[at(l.renNinki)], l.appearanceCount);
        } else {
            const long long horse = kaime::ReadCellInt(row[kLabelColumn]);
            ranks[0] = horse >= 1 && horse <= kMaxHorses ? ctx.winRanks[at(static_cast<int>(horse))] : 0;
        }
        for (int i = 0; i < l.appearanceCount; ++i) {
            if (ranks[at(i)] >= 1 && ranks[at(i)] <= kMaxHorses)
                row[at(l.appearance + i)] = texts[at(i)][at(ranks[at(i)])];
        }
    }
}

void WriteResults(KaimeTable& table, const KaimeContext& ctx)
{
    KekkaKaime(InfoOf(table.type).name, table.grid, KekkaColumnsOf(table.type), ctx.hr, table.labels);
}

void FinishKaimeTable(KaimeTable& table, const KaimeContext& ctx)
{
    HaibunKaime(InfoOf(table.type).name, ctx.mode, ctx.amount, table.grid, HaibunColumnsOf(table.type), table.labels);
    WriteAppearanceRates(table, ctx);
    WriteResults(table, ctx);
}

KaimeContext ContextOf(const RaceDay& day, int slot, long long amount, HaibunMode mode, const AppearanceCounts* rates)
{
    KaimeContext ctx;
    ctx.amount = amount;
    ctx.mode = mode;
    ctx.rates = rates;
    if (slot >= 0 && at(slot) < day.HrRecs.size())
        ctx.hr = day.HrRecs[at(slot)];
    if (slot >= 0 && at(slot) < day.RaRecs.size())
        ctx.runners = RunnerCount(day.RaRecs[at(slot)]);
    if (slot >= 0 && at(slot) < day.RaceRecs.size())
        ctx.winRanks = day.RaceRecs[at(slot)].TanNinki;
    return ctx;
}

KaimeTables EmptyKaimeTables()
{
    KaimeTables tables;
    for (const BakenType type : kAllBakenTypes)
        tables[at(IndexOf(type))] = EmptyKaimeTable(type);
    return tables;
}

void KaimeMakeBtnClick(KaimeTables& tables, const RaceDay& day, int slot, const Marks& marks, const MultiOptions& multi,
                       const KaimeContext& ctx)
{
    // Each table is emptied as it is rebuilt (rows reused, cells cleared): nothing is shown between
    // two tables' builds, so emptying all of them first would only free rows to allocate them again.
    for (std::size_t i = 0; i < tables.size(); ++i) {
        tables[i].type = kAllBakenTypes[i];
        if (tables[i].grid.headings() != KaimeHeadings(tables[i].type))
            tables[i] = EmptyKaimeTable(tables[i].type);
        tables[i].labels.clear();
    }
    for (KaimeTable& t : tables) {
        BuildKaimeRows(t, day, slot, marks, multi);
        FinishKaimeTable(t, ctx);
    }
}

KaimeTables KaimeMakeBtnClick(const RaceDay& day, int slot, const Marks& marks, const MultiOptions& multi,
                              const KaimeContext& ctx)
{
    KaimeTables tables = EmptyKaimeTables();
    KaimeMakeBtnClick(tables, day, slot, marks, multi, ctx);
    return tables;
}

void ReallocateAll(KaimeTables& tables, const KaimeContext& ctx)
{
    for (KaimeTable& t : tables)
        HaibunKaime(InfoOf(t.type).name, ctx.mode, ctx.amount, t.grid, HaibunColumnsOf(t.type), t.labels);
    for (KaimeTable& t : tables)
        WriteResults(t, ctx);
}

bool ToggleDelete(KaimeTable& table, int row, const KaimeContext& ctx)
{
    if (row < 0 || row >= table.grid.rowCount())
        return false;
    const bool clear = !trim(table.grid.cell(row, kDeleteColumn)).empty();
    table.grid.setCell(row, kDeleteColumn, clear ? std::string() : std::string(kDeleteMark));
    table.labels.clear();
    FinishKaimeTable(table, ctx);
    return true;
}

void SortKaimeRows(TextGrid& grid, int column, bool descending)
{
    if (column < 0 || column >= grid.columnCount())
        return;
    const int tie = column == kNumberColumn ? kLabelColumn : kNumberColumn;
    std::vector<int> order(at(grid.rowCount()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = grid.cell(a, column).compare(grid.cell(b, column));
        if (c != 0)
            return descending ? c > 0 : c < 0;
        return grid.cell(a, tie) < grid.cell(b, tie);
    });
    grid.permuteRows(order);
}

int KaimeSortState::groupOf(BakenType type)
{
    switch (type) {
    case BakenType::Tan:
        return 0;
    case BakenType::Fuk:
        return 1;
    case BakenType::SRF:
        return 3;
    case BakenType::SRT:
        return 4;
    default:
        return 2;
    }
}

bool KaimeSortState::clickHeading(KaimeTable& table, int column)
{
    if (column < 1 || column >= table.grid.columnCount())
        return false;
    bool& d = descending_[at(groupOf(table.type))][at(column)];
    d = !d;
    SortKaimeRows(table.grid, column, d);
    return true;
}

bool KaimeSortState::descending(BakenType type, int column) const
{
    return column >= 0 && column < 15 && descending_[at(groupOf(type))][at(column)];
}

} // namespace solvane
