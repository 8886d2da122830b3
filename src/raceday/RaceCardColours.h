// How the cells of the race card and of the entries window look. Styles depend only on the column and
// the cell's text, so they are worked out again after every fill, sort and mark click.
#pragma once

#include "util/TextGrid.h"

#include <cstdint>
#include <string_view>

namespace solvane {

inline constexpr std::uint32_t kCardHeadingColour = 0xD3C7FE; // lavender heading row of both grids
inline constexpr std::uint32_t kTooltipColour = 0xFFFFE1;     // the system's tool-tip background
inline constexpr std::uint32_t kCompiGroupColour = 0xACFFAC;  // columns 7-10
inline constexpr std::uint32_t kMiningGroupColour = 0xFFB5FF; // columns 17-20
inline constexpr std::uint32_t kFiColour = 0xEEFFFF;          // column 21
inline constexpr std::uint32_t kResultGroupColour = 0xA2FFFF; // columns 28-30
inline constexpr std::uint32_t kMarkColour = 0xFFFF80;        // mark columns
inline constexpr std::uint32_t kWhite = 0xFFFFFF;

// Background of a bracket number 1..8 (white for anything else) and the text colour that reads on it.
std::uint32_t BracketColour(int bracket);
std::uint32_t BracketTextColour(int bracket);

// Text colour of a rank cell: red for 1, blue for 2 and 3, black otherwise.
std::uint32_t RankTextColour(std::string_view cell);

// Style of one data cell of StringGrid1 / of the entries window.
CellStyle CardCellStyle(int column, std::string_view cell);
CellStyle EntriesCellStyle(int column, std::string_view cell);

// Sets every data cell's style and the alignment of every column (the name left, the rest centred).
void ColourCard(TextGrid& card);
void ColourEntries(TextGrid& entries);

} // namespace solvane
