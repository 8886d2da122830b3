// The race card of the selected race (page "出馬表", grid StringGrid1), the entries window's grid built
// from the same values, the header lines above the card, and the ◎ ○ ▲ marks the user puts on horses.
//
// Marks belong to horse numbers, never to grid rows: the cells of the mark columns are always written
// from a Marks value by each row's horse number, so a sort, a refill after new odds or a rule setting
// marks by horse can never move a mark onto another horse.
#pragma once

#include "raceday/RaceCardSort.h"
#include "raceday/RaceDay.h"
#include "util/TextGrid.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

inline constexpr int kCardColumns = 31;
inline constexpr int kEntriesColumns = 7;

// Columns of StringGrid1 that the program refers to by number.
namespace card {
inline constexpr int Waku = 0;
inline constexpr int Uma = 1;
inline constexpr int Name = 2;
inline constexpr int CompiRank = 8;
inline constexpr int TanOz = 11;
inline constexpr int TanNinki = 12;
inline constexpr int FukNinki = 15;
inline constexpr int DmRank = 18;
inline constexpr int TmRank = 20;
inline constexpr int MarkHonmei = 25; // ◎
inline constexpr int MarkTaikou = 26; // ○
inline constexpr int MarkTanana = 27; // ▲
inline constexpr int Chakujun = 28;
inline constexpr int KakuteiNinki = 29;
} // namespace card

// Cell texts of absent values (UTF-8).
inline constexpr std::string_view kBlank = "     ";      // five half-width blanks
inline constexpr std::string_view kWideBlank = "\u3000"; // one full-width space
inline constexpr std::string_view kMarkSet = "ν";        // a set mark cell; an unset one is empty

// The three mark kinds, in column order.
enum class MarkKind : std::uint8_t { Honmei = 0, Taikou = 1, Tanana = 2 }; // ◎ ○ ▲

// The marks of one race, by horse number 1..18.
class Marks {
public:
    bool has(MarkKind kind, int horse) const;
    void set(MarkKind kind, int horse, bool on);
    void toggle(MarkKind kind, int horse);
    void clear() { *this = Marks{}; }
    bool empty() const;
    // The marked horse numbers of a kind, ascending.
    std::vector<int> horses(MarkKind kind) const;
    friend bool operator==(const Marks&, const Marks&) = default;

private:
    std::array<PerHorse<bool>, 3> set_{};
};

// The mark kind shown in a column, or nothing for a column that is no mark column.
std::optional<MarkKind> MarkKindOfColumn(int column);
int MarkColumnOf(MarkKind kind);
// "◎", "○", "▲".
std::string_view MarkHeading(MarkKind kind);

// Headings of StringGrid1 and of the entries window (UTF-8).
const std::vector<std::string>& CardHeadings();
const std::vector<std::string>& EntriesHeadings();

// The card of a race in horse-number order: one row per registered runner (RA 882-883), row r - 1 for
// horse r, all 31 columns, the mark cells written from marks, colours and alignment set.
TextGrid BuildRaceCard(const RaceDay& day, int slot, const Marks& marks);

// The entries window's grid: bracket, horse, name, win odds and rank, place odds and rank, the same
// texts as the card's columns 0, 1, 2, 11, 12, 14 and 15; colours set.
TextGrid BuildEntriesGrid(const RaceDay& day, int slot);

// Writes every row's mark cells from marks by the row's horse number (column 1), and their colours.
void WriteMarkCells(TextGrid& card, const Marks& marks);

// The horse number of a card or entries row (column 1), 0 when the cell holds none.
int HorseOfRow(const TextGrid& grid, int row);

// The header above the card (UTF-8 texts) and the colour of the panel behind it (0xRRGGBB).
struct RaceHeader {
    std::string Label1, Label2, Label3;
    std::string BashoLabel, RaceLabel, OzGetTimeLabel;
    std::uint32_t panelColour = 0;
};
inline constexpr std::uint32_t kTurfPanelColour = 0x008000;  // green
inline constexpr std::uint32_t kOtherPanelColour = 0xAAA66A; // olive
RaceHeader BuildRaceHeader(const RaceDay& day, int slot);

// True when the slot's first runner record carries a horse number above 0: the race can be shown.
bool RaceHasRunners(const RaceDay& day, int slot);
// The race number (RA 26-27) + "レースはデータが不十分です。" (UTF-8).
std::string NoRunnersMessage(const RaceDay& day, int slot);

// A click on item itemIndex of the race list while the card shows shownSlot (-1: no race shown).
// A race with runners becomes the current one (SelectRace). A race without runners does not: the card
// still shows the race before, and marks read from that card must never meet another race's odds, so
// CurRace and PrevRace go back to what they were and the list goes back to the shown race's row.
struct RaceChoice {
    bool selected = false; // a race with runners is now CurRace: show it
    int emptySlot = -1;    // the chosen race had no runners: its slot, for NoRunnersMessage
    int listRow = -1;      // the row the race list goes back to; -1 leaves the list as it is
};
RaceChoice ChooseRace(RaceDay& day, int itemIndex, int shownSlot);

// What a click (or Space) on a cell of a card grid does. row -1 is the heading row.
enum class CardClick : std::uint8_t { None, Sort, Mark };
CardClick CardClickOf(int row, int column);    // StringGrid1
CardClick EntriesClickOf(int row, int column); // the entries window

// The sortable columns of each grid.
const std::vector<int>& CardSortColumns();
const std::vector<int>& EntriesSortColumns();

// The shown card of the selected race: the grid as the window shows it, its sort state and its marks.
// Windows and the command line drive the same state, so both show the same cells.
class RaceCardState {
public:
    RaceCardState();

    // A race selected: marks cleared, every direction flag 1, rows in horse-number order.
    void select(const RaceDay& day, int slot);
    // The same race rebuilt from the model (new odds, results): order, marks and flags are kept.
    void refill(const RaceDay& day);
    // Nothing shown (a day load starts).
    void clear();

    // A click on a cell; true when the grid changed.
    bool click(int row, int column);
    // Sorts again by the last requested column (the hidden "SortDe" button).
    void resort() { sort_.apply(grid_); }

    int slot() const { return slot_; }
    const TextGrid& grid() const { return grid_; }
    const Marks& marks() const { return marks_; }
    // Marks set by the program (a selection rule); the cells follow.
    void setMarks(const Marks& marks);
    const GridSortState& sort() const { return sort_; }

private:
    int slot_ = -1;
    TextGrid grid_;
    Marks marks_;
    GridSortState sort_;
};

// The entries window's shown grid and its own sort state.
class EntriesState {
public:
    EntriesState();
    void select(const RaceDay& day, int slot);
    void refill(const RaceDay& day);
    void clear();
    bool click(int row, int column);
    void resort() { sort_.apply(grid_); }

    int slot() const { return slot_; }
    const TextGrid& grid() const { return grid_; }
    const GridSortState& sort() const { return sort_; }

private:
    int slot_ = -1;
    TextGrid grid_;
    GridSortState sort_;
};

} // namespace solvane
