#include "raceday/RaceCard.h"

#include "jvdata/CodeTables.h"
#include "jvdata/RecordFields.h"
#include "raceday/DayLoader.h"
#include "raceday/RaceCardColours.h"
#include "raceday/RaceRecords.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <optional>

namespace solvane {
namespace {

std::size_t at(int i)
{
    return static_cast<std::size_t>(i);
}

bool validSlot(const RaceDay& day, int slot)
{
    return slot >= 0 && at(slot) < day.RaRecs.size() && at(slot) < day.SeRecs.size() && at(slot) < day.RaceRecs.size();
}

int intField(std::string_view rec, std::size_t pos, std::size_t len)
{
    return static_cast<int>(toIntDef(field(rec, pos, len), 0));
}

std::string text(std::string_view sjis)
{
    return fromSjis(sjis);
}

// "%2d" of a rank, or the wide blank when there is none.
std::string rankText(int value)
{
    return value < 1 ? std::string(kWideBlank) : strprintf("%2d", value);
}

std::string oddsText(double value)
{
    return value > 0 ? strprintf("%5.1f", value) : std::string(kBlank);
}

std::string ratioText(double value)
{
    return value > 0 ? strprintf("%5.2f", value) : std::string(kBlank);
}

// The mining time in tenths of hundredths as five digits d1 d2d3 d4d5, shown "d1.d2d3.d4d5". A time
// that is not above 0 has no forecast.
std::string miningTimeText(int time)
{
    if (time <= 0)
        return {};
    const std::string digits = strprintf("%05d", time);
    return digits.substr(0, 1) + "." + digits.substr(1, 2) + "." + digits.substr(3);
}

// A forecast mark, except the empty-box mark that stands for "no mark".
std::string forecastMark(const std::string& sjis)
{
    static const std::string kNoMark = toSjis("□");
    return sjis == kNoMark ? std::string() : text(sjis);
}

std::string finalOddsText(std::string_view se)
{
    const std::string_view odds = trim(field(se, 360, 4));
    if (odds.empty() || odds == "0000")
        return std::string(kBlank);
    const long long tenths = toIntDef(odds, 0);
    // A garbled field is not a price either; it shows as absent rather than as 0.0.
    return tenths > 0 ? strprintf("%5.1f", static_cast<double>(tenths) / 10.0) : std::string(kBlank);
}

void fillRow(std::vector<std::string>& row, std::string_view se, const TOutData& r, int horse)
{
    const std::size_t h = at(horse);
    row[0] = strprintf("%2d", intField(se, 28, 1));
    row[1] = strprintf("%2d", intField(se, 29, 2));
    row[2] = text(HorseName(se));
    row[3] = text(std::string(SexLabel(field(se, 79, 1))) + PadNumber(HorseAgeText(se)));
    row[4] = text(field(se, 307, 8));
    row[5] = text(field(se, 289, 2)) + "." + text(field(se, 291, 1));
    row[6] = text(field(se, 91, 8));
    row[7] = r.CompiIndex[h] < 1 ? std::string(kBlank) : strprintf("%3d", r.CompiIndex[h]);
    row[8] = rankText(r.CompiRank[h]);
    row[9] = r.CompiGap[h] < 0 ? std::string(kWideBlank) : strprintf("%2d", r.CompiGap[h]);
    row[10] = ratioText(r.CompiRatio[h]);
    row[11] = oddsText(r.TanOz[h]);
    row[12] = rankText(r.TanNinki[h]);
    row[13] = ratioText(r.TanOzRatio[h]);
    row[14] = oddsText(r.FukOzLow[h]);
    row[15] = rankText(r.FukNinki[h]);
    row[16] = ratioText(r.FukOzRatio[h]);
    row[17] = miningTimeText(r.DmTime[h]);
    row[18] = rankText(r.DmRank[h]);
    row[19] = r.TmRank[h] > 0 ? strprintf("%5.1f", r.TmScore[h] / 10.0) : std::string(kBlank);
    row[20] = rankText(r.TmRank[h]);
    row[21] = forecastMark(r.FiMark[h]);
    for (int f = 1; f <= 3; ++f)
        row[at(21 + f)] = forecastMark(r.TfMark[at(f)][h]);
    row[28] = rankText(intField(se, 335, 2));
    row[29] = rankText(intField(se, 364, 2));
    row[30] = finalOddsText(se);
}

// Runner rows of a race: the registered runners, never more than the runner table holds.
int rowsOf(const RaceDay& day, int slot)
{
    return validSlot(day, slot) ? RunnerCount(day.RaRecs[at(slot)]) : 0;
}

} // namespace

bool Marks::has(MarkKind kind, int horse) const
{
    return horse >= 1 && horse <= kMaxHorses && set_[at(static_cast<int>(kind))][at(horse)];
}

void Marks::set(MarkKind kind, int horse, bool on)
{
    if (horse >= 1 && horse <= kMaxHorses)
        set_[at(static_cast<int>(kind))][at(horse)] = on;
}

void Marks::toggle(MarkKind kind, int horse)
{
    set(kind, horse, !has(kind, horse));
}

bool Marks::empty() const
{
    return *this == Marks{};
}

std::vector<int> Marks::horses(MarkKind kind) const
{
    std::vector<int> out;
    for (int h = 1; h <= kMaxHorses; ++h)
        if (has(kind, h))
            out.push_back(h);
    return out;
}

std::optional<MarkKind> MarkKindOfColumn(int column)
{
    if (column < card::MarkHonmei || column > card::MarkTanana)
        return std::nullopt;
    return static_cast<MarkKind>(column - card::MarkHonmei);
}

int MarkColumnOf(MarkKind kind)
{
    return card::MarkHonmei + static_cast<int>(kind);
}

std::string_view MarkHeading(MarkKind kind)
{
    switch (kind) {
    case MarkKind::Honmei:
        return "◎";
    case MarkKind::Taikou:
        return "○";
    case MarkKind::Tanana:
        break;
    }
    return "▲";
}

const std::vector<std::string>& CardHeadings()
{
    static const std::vector<std::string> kHeadings{
        "枠",   "馬", "馬名",   "性齢", "騎手", "斤量",   "調教師", "ｺﾝﾋﾟ", "順",      "指数差", "断層",
        "単OZ", "順", "単断層", "複OZ", "順",   "複断層", "ﾀｲﾑ型M", "順",   "対戦型M", "順",     "FI",
        "3P",   "3V", "3F",     "◎",    "○",    "▲",      "着",     "人",   "確ｵｯｽﾞ"};
    return kHeadings;
}

const std::vector<std::string>& EntriesHeadings()
{
    static const std::vector<std::string> kHeadings{"枠", "馬", "馬名", "単OZ", "順", "複OZ", "順"};
    return kHeadings;
}

TextGrid BuildRaceCard(const RaceDay& day, int slot, const Marks& marks)
{
    const int n = rowsOf(day, slot);
    TextGrid grid(CardHeadings(), n);
    for (int r = 0; r < n; ++r)
        fillRow(grid.row(r), day.SeRecs[at(slot)][at(r)], day.RaceRecs[at(slot)], r + 1);
    WriteMarkCells(grid, marks);
    ColourCard(grid);
    return grid;
}

TextGrid BuildEntriesGrid(const RaceDay& day, int slot)
{
    const TextGrid card = BuildRaceCard(day, slot, Marks{});
    TextGrid grid(EntriesHeadings(), card.rowCount());
    static constexpr std::array<int, kEntriesColumns> kFromCard{0, 1, 2, 11, 12, 14, 15};
    for (int r = 0; r < card.rowCount(); ++r)
        for (int c = 0; c < kEntriesColumns; ++c)
            grid.setCell(r, c, card.cell(r, kFromCard[at(c)]));
    ColourEntries(grid);
    return grid;
}

int HorseOfRow(const TextGrid& grid, int row)
{
    if (row < 0 || row >= grid.rowCount() || grid.columnCount() <= card::Uma)
        return 0;
    return static_cast<int>(toIntDef(grid.cell(row, card::Uma), 0));
}

void WriteMarkCells(TextGrid& card, const Marks& marks)
{
    if (card.columnCount() < kCardColumns)
        return;
    for (int r = 0; r < card.rowCount(); ++r) {
        const int horse = HorseOfRow(card, r);
        for (MarkKind kind : {MarkKind::Honmei, MarkKind::Taikou, MarkKind::Tanana}) {
            const int c = MarkColumnOf(kind);
            card.setCell(r, c, marks.has(kind, horse) ? std::string(kMarkSet) : std::string());
            card.setStyle(r, c, CardCellStyle(c, card.cell(r, c)));
        }
    }
}

bool RaceHasRunners(const RaceDay& day, int slot)
{
    return validSlot(day, slot) && intField(day.SeRecs[at(slot)][0], 29, 2) > 0;
}

std::string NoRunnersMessage(const RaceDay& day, int slot)
{
    const int race = validSlot(day, slot) ? intField(day.RaRecs[at(slot)], 26, 2) : 0;
    return std::to_string(race) + "レースはデータが不十分です。";
}

RaceChoice ChooseRace(RaceDay& day, int itemIndex, int shownSlot)
{
    RaceChoice choice;
    const int prevRace = day.PrevRace;
    if (!SelectRace(day, itemIndex))
        return choice;
    if (RaceHasRunners(day, day.CurRace)) {
        choice.selected = true;
        return choice;
    }
    choice.emptySlot = day.CurRace;
    if (shownSlot < 0)
        return choice;
    day.CurRace = shownSlot;
    day.PrevRace = prevRace;
    for (std::size_t i = 0; i < day.RaceList.size(); ++i)
        if (day.RaceList[i].slot == shownSlot)
            choice.listRow = static_cast<int>(i);
    return choice;
}

const std::vector<int>& CardSortColumns()
{
    static const std::vector<int> kColumns{card::Uma,    card::CompiRank, card::TanNinki, card::FukNinki,
                                           card::DmRank, card::TmRank,    card::Chakujun, card::KakuteiNinki};
    return kColumns;
}

const std::vector<int>& EntriesSortColumns()
{
    static const std::vector<int> kColumns{1, 4, 6};
    return kColumns;
}

CardClick CardClickOf(int row, int column)
{
    // A sortable column sorts from any of its cells, the heading included, as the card always has.
    for (int c : CardSortColumns())
        if (c == column)
            return CardClick::Sort;
    if (row >= 0 && MarkKindOfColumn(column))
        return CardClick::Mark;
    return CardClick::None;
}

CardClick EntriesClickOf(int /*row*/, int column)
{
    for (int c : EntriesSortColumns())
        if (c == column)
            return CardClick::Sort;
    return CardClick::None;
}

RaceCardState::RaceCardState() : grid_(CardHeadings()), sort_(kCardColumns, CardSortColumns()) {}

void RaceCardState::select(const RaceDay& day, int slot)
{
    slot_ = slot;
    marks_.clear();
    sort_.reset();
    grid_ = BuildRaceCard(day, slot, marks_);
}

void RaceCardState::refill(const RaceDay& day)
{
    if (slot_ < 0)
        return;
    // Built in horse order and sorted again, rather than written row by row into the sorted grid,
    // so that no row ever shows one horse's values beside another horse's number.
    grid_ = BuildRaceCard(day, slot_, marks_);
    sort_.apply(grid_);
}

void RaceCardState::clear()
{
    slot_ = -1;
    marks_.clear();
    sort_.reset();
    grid_ = TextGrid(CardHeadings());
}

void RaceCardState::setMarks(const Marks& marks)
{
    marks_ = marks;
    WriteMarkCells(grid_, marks_);
}

bool RaceCardState::click(int row, int column)
{
    switch (CardClickOf(row, column)) {
    case CardClick::Sort:
        if (!sort_.click(column))
            return false;
        sort_.apply(grid_);
        return true;
    case CardClick::Mark: {
        const int horse = HorseOfRow(grid_, row);
        if (horse < 1)
            return false;
        marks_.toggle(*MarkKindOfColumn(column), horse);
        WriteMarkCells(grid_, marks_);
        return true;
    }
    case CardClick::None:
        break;
    }
    return false;
}

EntriesState::EntriesState() : grid_(EntriesHeadings()), sort_(kEntriesColumns, EntriesSortColumns()) {}

void EntriesState::select(const RaceDay& day, int slot)
{
    slot_ = slot;
    sort_.reset();
    grid_ = BuildEntriesGrid(day, slot);
}

void EntriesState::refill(const RaceDay& day)
{
    if (slot_ < 0)
        return;
    grid_ = BuildEntriesGrid(day, slot_);
    sort_.apply(grid_);
}

void EntriesState::clear()
{
    slot_ = -1;
    sort_.reset();
    grid_ = TextGrid(EntriesHeadings());
}

bool EntriesState::click(int row, int column)
{
    if (EntriesClickOf(row, column) != CardClick::Sort || !sort_.click(column))
        return false;
    sort_.apply(grid_);
    return true;
}

} // namespace solvane
