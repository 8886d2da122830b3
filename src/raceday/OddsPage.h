// The odds page "オッズ": the loaded odds of every bet type of one race at a glance, one grid per type.
// Win and place are lists of the runners; bracket quinella, quinella, wide and exacta are matrices of
// number against number; trio and trifecta are lists in popularity order, shown a page at a time.
//
// Only prices are shown: a horse or combination that is not sold, cancelled or without votes has a
// blank cell. Prices are shaded by level and the favourite of each type is marked, so the cheap end of
// a matrix reads at a glance. The grids read the same odds arrays as the combination tables do.
#pragma once

#include "raceday/RaceDay.h"
#include "util/TextGrid.h"

#include <array>
#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

// The eight bet types in their usual order.
enum class OddsType : std::uint8_t { Tan, Fuk, WR, UR, WD, UT, SRF, SRT };
inline constexpr std::array<OddsType, 8> kOddsTypes{OddsType::Tan, OddsType::Fuk, OddsType::WR,  OddsType::UR,
                                                    OddsType::WD,  OddsType::UT,  OddsType::SRF, OddsType::SRT};

// "単勝" .. "３連単".
std::string_view OddsTypeName(OddsType type);
// The type of a name; the half-width "3連複"/"3連単" are taken too, as people type them.
std::optional<OddsType> OddsTypeOfName(std::string_view name);
// Trio and trifecta: the types shown as lists a page at a time.
bool IsOddsList(OddsType type);

// How expensive a price is; a value that is no price has no level.
enum class OddsLevel : std::uint8_t { None, Low, Middle, High }; // -, under 10.0, under 100.0, 100.0 and above
OddsLevel OddsLevelOf(double odds);

inline constexpr std::uint32_t kOddsLowColour = 0xFFC4C4;    // under 10.0
inline constexpr std::uint32_t kOddsMiddleColour = 0xFFEDB8; // under 100.0
inline constexpr std::uint32_t kOddsHighColour = 0xFFFFFF;   // 100.0 and above
inline constexpr std::uint32_t kOddsNoPairColour = 0xD4D4D4; // a horse paired with itself
inline constexpr std::uint32_t kFavouriteColour = 0xD00000;  // the favourite's text, bold

// The style of an odds cell: its level's background; the favourite in bold red.
CellStyle OddsCellStyle(double odds, bool favourite);
// "%.1f" of a price; empty for anything else.
std::string OddsCellText(double odds);

// Trio and trifecta lists grow by this many rows each time the user scrolls to their end.
inline constexpr int kOddsListStep = 100;
inline constexpr int kOddsListAll = INT_MAX;

// The priced ordinals of a combination type (ordinals 1..count, as the odds arrays index them) in
// popularity order: the record's popularity first, ties in record order; priced combinations without a
// popularity (a snapshot that gives none) follow, cheapest first. Empty for win and place.
std::vector<int> OddsByPopularity(const RaceDay& day, int slot, OddsType type);

// One type's page exactly as the window shows it: the grid (texts, alignment and styles), the line
// above it, and for a list how many rows it can grow to.
//   単勝  枠, 馬番, 馬名, オッズ, 人気          one row per runner, in horse-number order
//   複勝  枠, 馬番, 馬名, 下限, 上限, 人気
//   枠連  枠, 1 .. 8                           bracket against bracket, both halves filled
//   馬連, ワイド  馬番, 馬名, 1 .. n           horse against horse, both halves filled; ワイド its lower bound
//   馬単  1着＼2着, 馬名, 1 .. n               the first horse on the rows
//   ３連複, ３連単  人気, 組番, オッズ         the first listRows of OddsByPopularity
// n is the race's registered runners. A slot outside the day gives the headings alone. Building a trio
// or trifecta page decodes the race's pending trio and trifecta blocks.
struct OddsPage {
    TextGrid grid;
    std::string caption;
    int listLength = 0;   // priced combinations of a list type; 0 for the other types
    int labelColumns = 0; // columns before the first odds column
    bool matrix = false;  // the columns after the label columns are numbers, as the rows are
};
OddsPage BuildOddsPage(const RaceDay& day, int slot, OddsType type, int listRows = kOddsListStep);

// The grid alone, every row of a list: what solvane-cli prints.
TextGrid OddsPageGrid(const RaceDay& day, int slot, OddsType type, int listRows = kOddsListAll);

// The key to the shading, in order: each text with the style its cells have.
struct OddsLegendItem {
    std::string text;
    CellStyle style;
};
std::vector<OddsLegendItem> OddsLegend();

} // namespace solvane
