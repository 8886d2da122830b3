#include "raceday/OddsPage.h"

#include "jvdata/Combo.h"
#include "raceday/OddsReader.h"
#include "raceday/RaceCard.h"
#include "raceday/RaceCardColours.h"
#include "raceday/RaceRecords.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <algorithm>
#include <span>

namespace solvane {
namespace {

std::size_t at(int i)
{
    return static_cast<std::size_t>(i);
}

struct TypeInfo {
    std::string_view name;
    std::string_view caption; // what the cells are, after the name
};
constexpr std::array<TypeInfo, kOddsTypes.size()> kInfo{{
    {"単勝", ""},
    {"複勝", "（下限・上限）"},
    {"枠連", "（枠×枠）"},
    {"馬連", "（馬番×馬番）"},
    {"ワイド", "（馬番×馬番、下限）"},
    {"馬単", "（行が1着、列が2着）"},
    {"３連複", ""},
    {"３連単", ""},
}};

const TypeInfo& infoOf(OddsType type)
{
    return kInfo[static_cast<std::size_t>(type)];
}

// One type's odds and popularity arrays, indexed from 1 like the model's.
struct OddsArrays {
    std::span<const double> odds;
    std::span<const int> ninki;
};

OddsArrays arraysOf(const TOutData& r, OddsType type)
{
    switch (type) {
    case OddsType::Tan:
        return {r.TanOz, r.TanNinki};
    case OddsType::Fuk:
        return {r.FukOzLow, r.FukNinki};
    case OddsType::WR:
        return {r.WROz, r.WRNinki};
    case OddsType::UR:
        return {r.UROz, r.URNinki};
    case OddsType::WD:
        return {r.WDOz, r.WDNinki};
    case OddsType::UT:
        return {r.UTOz, r.UTNinki};
    case OddsType::SRF:
        return {r.SRFOz, r.SRFNinki};
    case OddsType::SRT:
        break;
    }
    return {r.SRTOz, r.SRTNinki};
}

bool runnerList(OddsType type)
{
    return type == OddsType::Tan || type == OddsType::Fuk;
}

// Columns of a matrix before its number columns: 枠, or 馬番 and 馬名.
int matrixLead(OddsType type)
{
    return type == OddsType::WR ? 1 : 2;
}

bool validSlot(const RaceDay& day, int slot)
{
    return slot >= 0 && at(slot) < day.RaRecs.size() && at(slot) < day.SeRecs.size() && at(slot) < day.RaceRecs.size();
}

// Popularity order: the record's popularity where it gives one; a price without one comes after every
// ranked entry, cheapest first. Entries neither before the other are tied.
bool ranksBefore(const OddsArrays& a, int x, int y)
{
    const int nx = a.ninki[at(x)];
    const int ny = a.ninki[at(y)];
    if ((nx > 0) != (ny > 0))
        return nx > 0;
    if (nx > 0)
        return nx < ny;
    return a.odds[at(x)] < a.odds[at(y)];
}

// The priced entries 1..count in popularity order, ties in entry order.
std::vector<int> popularityOrder(const OddsArrays& a, int count)
{
    std::vector<int> order;
    for (int k = 1; k <= count; ++k)
        if (a.odds[at(k)] > 0)
            order.push_back(k);
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) { return ranksBefore(a, x, y); });
    return order;
}

// Favourite flags of entries 0..count: every entry tied with the first of the popularity order.
std::vector<bool> favourites(const OddsArrays& a, const std::vector<int>& order, int count)
{
    std::vector<bool> fav(at(count + 1), false);
    for (int k : order) {
        if (ranksBefore(a, order.front(), k))
            break;
        fav[at(k)] = true;
    }
    return fav;
}

std::string horseName(const RaceDay& day, int slot, int horse)
{
    std::string name = fromSjis(field(day.SeRecs[at(slot)][at(horse - 1)], 41, 36));
    static constexpr std::string_view kWideSpace = "\u3000";
    for (;;) {
        if (endsWith(name, kWideSpace))
            name.resize(name.size() - kWideSpace.size());
        else if (!name.empty() && name.back() == ' ')
            name.pop_back();
        else
            return name;
    }
}

// A runner's bracket as its runner record gives it; from the number of runners when the record has none.
int bracketOf(const RaceDay& day, int slot, int runners, int horse)
{
    const auto bracket = static_cast<int>(toIntDef(field(day.SeRecs[at(slot)][at(horse - 1)], 28, 1), 0));
    return bracket >= 1 && bracket <= kBrackets ? bracket : BracketOf(runners, horse);
}

// The runner columns look as on the race card.
CellStyle bracketStyle(int bracket)
{
    return CardCellStyle(card::Waku, std::to_string(bracket));
}

std::string popularityText(int ninki)
{
    return ninki > 0 ? std::to_string(ninki) : std::string();
}

void setOdds(TextGrid& grid, int row, int col, double odds, bool favourite)
{
    grid.setCell(row, col, OddsCellText(odds));
    grid.setStyle(row, col, OddsCellStyle(odds, favourite));
}

void setPopularity(TextGrid& grid, int row, int col, int ninki)
{
    std::string text = popularityText(ninki);
    grid.setStyle(row, col, CardCellStyle(card::TanNinki, text));
    grid.setCell(row, col, std::move(text));
}

// 単勝 and 複勝: one row per runner.
TextGrid runnerGrid(const RaceDay& day, int slot, OddsType type, int runners)
{
    const bool win = type == OddsType::Tan;
    TextGrid grid(win ? std::vector<std::string>{"枠", "馬番", "馬名", "オッズ", "人気"}
                      : std::vector<std::string>{"枠", "馬番", "馬名", "下限", "上限", "人気"});
    for (int c = 0; c < grid.columnCount(); ++c)
        grid.setAlign(c, c <= 1 ? CellAlign::Center : c == 2 ? CellAlign::Left : CellAlign::Right);
    if (runners == 0)
        return grid;
    const TOutData& r = day.RaceRecs[at(slot)];
    const OddsArrays a = arraysOf(r, type);
    const std::vector<bool> fav = favourites(a, popularityOrder(a, runners), runners);
    for (int h = 1; h <= runners; ++h) {
        const int row = grid.addRow();
        const int bracket = bracketOf(day, slot, runners, h);
        grid.setCell(row, 0, std::to_string(bracket));
        grid.setStyle(row, 0, bracketStyle(bracket));
        grid.setCell(row, 1, std::to_string(h));
        grid.setStyle(row, 1, CardCellStyle(card::Uma, grid.cell(row, 1)));
        grid.setCell(row, 2, horseName(day, slot, h));
        setOdds(grid, row, 3, a.odds[at(h)], fav[at(h)]);
        if (!win)
            setOdds(grid, row, 4, r.FukOzHigh[at(h)], fav[at(h)]);
        setPopularity(grid, row, win ? 4 : 5, a.ninki[at(h)]);
    }
    return grid;
}

// 枠連, 馬連, ワイド and 馬単: numbers against numbers.
TextGrid matrixGrid(const RaceDay& day, int slot, OddsType type, int runners)
{
    const bool brackets = type == OddsType::WR;
    const int size = brackets ? std::min(runners, kBrackets) : runners;
    const int lead = matrixLead(type);
    std::vector<std::string> headings;
    if (brackets)
        headings = {"枠"};
    else
        headings = {type == OddsType::UT ? "1着＼2着" : "馬番", "馬名"};
    for (int n = 1; n <= size; ++n)
        headings.push_back(std::to_string(n));
    TextGrid grid(std::move(headings), size);
    for (int c = 0; c < grid.columnCount(); ++c)
        grid.setAlign(c, c == 0 ? CellAlign::Center : c < lead ? CellAlign::Left : CellAlign::Right);
    if (size == 0)
        return grid;

    const OddsArrays a = arraysOf(day.RaceRecs[at(slot)], type);
    const std::vector<bool> fav =
        favourites(a, popularityOrder(a, static_cast<int>(a.odds.size()) - 1), static_cast<int>(a.odds.size()) - 1);
    auto ordinalOf = [type](int row, int col) {
        switch (type) {
        case OddsType::WR:
            return WROrdinal(std::min(row, col), std::max(row, col));
        case OddsType::UT:
            return UTOrdinal(row, col);
        default:
            return PairOrdinal(std::min(row, col), std::max(row, col));
        }
    };
    for (int row = 1; row <= size; ++row) {
        const int r = row - 1;
        const int bracket = brackets ? row : bracketOf(day, slot, runners, row);
        grid.setCell(r, 0, std::to_string(row));
        grid.setStyle(r, 0, bracketStyle(bracket));
        if (!brackets)
            grid.setCell(r, 1, horseName(day, slot, row));
        for (int col = 1; col <= size; ++col) {
            const int c = lead + col - 1;
            const int k = ordinalOf(row, col);
            if (k == 0)
                grid.setStyle(r, c, CellStyle::bg(kOddsNoPairColour));
            else
                setOdds(grid, r, c, a.odds[at(k)], fav[at(k)]);
        }
    }
    return grid;
}

// ３連複 and ３連単: the first rows of the popularity order.
TextGrid listGrid(const OddsArrays& a, const std::vector<int>& order, OddsType type, int rows)
{
    TextGrid grid({"人気", "組番", "オッズ"});
    grid.setAlign(0, CellAlign::Right);
    grid.setAlign(1, CellAlign::Center);
    grid.setAlign(2, CellAlign::Right);
    const int count = static_cast<int>(a.odds.size()) - 1;
    const std::vector<bool> fav = favourites(a, order, count);
    const int shown = std::min(rows, static_cast<int>(order.size()));
    for (int i = 0; i < shown; ++i) {
        const int k = order[at(i)];
        const int row = grid.addRow();
        setPopularity(grid, row, 0, a.ninki[at(k)]);
        grid.setCell(row, 1, type == OddsType::SRF ? SRFLabelOf(k) : SRTLabelOf(k));
        setOdds(grid, row, 2, a.odds[at(k)], fav[at(k)]);
    }
    return grid;
}

TextGrid runnerGridOrMatrix(const RaceDay& day, int slot, OddsType type, int runners)
{
    return runnerList(type) ? runnerGrid(day, slot, type, runners) : matrixGrid(day, slot, type, runners);
}

bool anyPrice(const OddsArrays& a)
{
    return std::any_of(a.odds.begin(), a.odds.end(), [](double odds) { return odds > 0; });
}

} // namespace

std::string_view OddsTypeName(OddsType type)
{
    return infoOf(type).name;
}

std::optional<OddsType> OddsTypeOfName(std::string_view name)
{
    if (name == "3連複")
        return OddsType::SRF;
    if (name == "3連単")
        return OddsType::SRT;
    for (OddsType type : kOddsTypes)
        if (name == OddsTypeName(type))
            return type;
    return std::nullopt;
}

bool IsOddsList(OddsType type)
{
    return type == OddsType::SRF || type == OddsType::SRT;
}

OddsLevel OddsLevelOf(double odds)
{
    if (!(odds > 0))
        return OddsLevel::None;
    if (odds < 10.0)
        return OddsLevel::Low;
    return odds < 100.0 ? OddsLevel::Middle : OddsLevel::High;
}

CellStyle OddsCellStyle(double odds, bool favourite)
{
    CellStyle s;
    switch (OddsLevelOf(odds)) {
    case OddsLevel::None:
        return s;
    case OddsLevel::Low:
        s = CellStyle::bg(kOddsLowColour);
        break;
    case OddsLevel::Middle:
        s = CellStyle::bg(kOddsMiddleColour);
        break;
    case OddsLevel::High:
        s = CellStyle::bg(kOddsHighColour);
        break;
    }
    if (favourite) {
        s.foreground = kFavouriteColour;
        s.hasForeground = true;
        s.bold = true;
    }
    return s;
}

std::string OddsCellText(double odds)
{
    return odds > 0 ? strprintf("%.1f", odds) : std::string();
}

std::vector<int> OddsByPopularity(const RaceDay& day, int slot, OddsType type)
{
    if (!validSlot(day, slot) || runnerList(type))
        return {};
    if (IsOddsList(type))
        EnsureTripleOdds(day, slot);
    const OddsArrays a = arraysOf(day.RaceRecs[at(slot)], type);
    return popularityOrder(a, static_cast<int>(a.odds.size()) - 1);
}

OddsPage BuildOddsPage(const RaceDay& day, int slot, OddsType type, int listRows)
{
    OddsPage page;
    const std::string name(OddsTypeName(type));
    if (!validSlot(day, slot)) {
        page.grid = IsOddsList(type) ? listGrid({}, {}, type, 0) : runnerGridOrMatrix(day, slot, type, 0);
        page.caption = name;
        return page;
    }
    if (IsOddsList(type)) {
        const std::vector<int> order = OddsByPopularity(day, slot, type);
        const OddsArrays a = arraysOf(day.RaceRecs[at(slot)], type);
        page.listLength = static_cast<int>(order.size());
        page.grid = listGrid(a, order, type, listRows);
        page.labelColumns = 2;
        const int shown = page.grid.rowCount();
        if (page.listLength == 0)
            page.caption = name + "　オッズがありません";
        else if (shown < page.listLength)
            page.caption =
                strprintf("%s　人気順 1〜%d位（全%d通り、続きは下へスクロール）", name.c_str(), shown, page.listLength);
        else
            page.caption = strprintf("%s　人気順（全%d通り）", name.c_str(), page.listLength);
        return page;
    }
    page.grid = runnerGridOrMatrix(day, slot, type, RunnerCount(day.RaRecs[at(slot)]));
    page.matrix = !runnerList(type);
    page.labelColumns = page.matrix ? matrixLead(type) : 3;
    page.caption = name + std::string(infoOf(type).caption);
    if (!anyPrice(arraysOf(day.RaceRecs[at(slot)], type)))
        page.caption += "　オッズがありません";
    return page;
}

TextGrid OddsPageGrid(const RaceDay& day, int slot, OddsType type, int listRows)
{
    return BuildOddsPage(day, slot, type, listRows).grid;
}

std::vector<OddsLegendItem> OddsLegend()
{
    return {
        {"10倍未満", OddsCellStyle(1.0, false)},
        {"100倍未満", OddsCellStyle(10.0, false)},
        {"100倍以上", OddsCellStyle(100.0, false)},
        {"1番人気", OddsCellStyle(100.0, true)},
    };
}

} // namespace solvane
