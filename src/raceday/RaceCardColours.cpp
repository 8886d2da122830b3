#include "raceday/RaceCardColours.h"

#include "raceday/RaceCard.h"
#include "util/Text.h"

#include <array>

namespace solvane {
namespace {

constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kBlue = 0x0000FF;
constexpr std::uint32_t kBlack = 0x000000;

constexpr std::array<std::uint32_t, 9> kBracketColours{
    kWhite,   // no bracket
    kWhite,   // 1
    0x808080, // 2 grey
    0xFF0000, // 3 red
    0x0000FF, // 4 blue
    0xFFFF00, // 5 yellow
    0x00FF00, // 6 lime
    0xFF8000, // 7 orange
    0xFF00FF, // 8 magenta
};

bool isCardRankColumn(int column)
{
    switch (column) {
    case card::CompiRank:
    case card::TanNinki:
    case card::FukNinki:
    case card::DmRank:
    case card::TmRank:
    case card::Chakujun:
    case card::KakuteiNinki:
        return true;
    default:
        return false;
    }
}

CellStyle withBackground(std::uint32_t background)
{
    return CellStyle::bg(background);
}

CellStyle bracketStyle(std::string_view cell)
{
    const int bracket = static_cast<int>(toIntDef(cell, 0));
    CellStyle s = CellStyle::bg(BracketColour(bracket));
    s.foreground = BracketTextColour(bracket);
    s.hasForeground = true;
    return s;
}

CellStyle rankStyle(std::string_view cell, std::uint32_t background)
{
    CellStyle s = CellStyle::bg(background);
    s.foreground = RankTextColour(cell);
    s.hasForeground = true;
    s.bold = true;
    return s;
}

// The background of a StringGrid1 column group.
std::uint32_t cardBackground(int column)
{
    if (column >= 7 && column <= 10)
        return kCompiGroupColour;
    if (column >= 17 && column <= 20)
        return kMiningGroupColour;
    if (column == 21)
        return kFiColour;
    if (column >= 22 && column <= 24)
        return kTooltipColour;
    if (column >= card::MarkHonmei && column <= card::MarkTanana)
        return kMarkColour;
    if (column >= 28 && column <= 30)
        return kResultGroupColour;
    if (column == card::Uma || column == 4)
        return kTooltipColour;
    return kWhite;
}

void alignColumns(TextGrid& grid)
{
    for (int c = 0; c < grid.columnCount(); ++c)
        grid.setAlign(c, c == card::Name ? CellAlign::Left : CellAlign::Center);
}

} // namespace

std::uint32_t BracketColour(int bracket)
{
    return bracket >= 1 && bracket <= 8 ? kBracketColours[static_cast<std::size_t>(bracket)] : kWhite;
}

std::uint32_t BracketTextColour(int bracket)
{
    // White figures on the dark brackets, so the number stays readable.
    return (bracket == 2 || bracket == 3 || bracket == 4 || bracket == 8) ? kWhite : kBlack;
}

std::uint32_t RankTextColour(std::string_view cell)
{
    switch (toIntDef(cell, 0)) {
    case 1:
        return kRed;
    case 2:
    case 3:
        return kBlue;
    default:
        return kBlack;
    }
}

CellStyle CardCellStyle(int column, std::string_view cell)
{
    if (column == card::Waku)
        return bracketStyle(cell);
    if (isCardRankColumn(column))
        return rankStyle(cell, cardBackground(column));
    CellStyle s = withBackground(cardBackground(column));
    s.bold = column == 21 || (column >= 22 && column <= 24) || MarkKindOfColumn(column).has_value();
    return s;
}

CellStyle EntriesCellStyle(int column, std::string_view cell)
{
    if (column == card::Waku)
        return bracketStyle(cell);
    if (column == 4 || column == 6)
        return rankStyle(cell, kWhite);
    return withBackground(kWhite);
}

void ColourCard(TextGrid& card)
{
    for (int r = 0; r < card.rowCount(); ++r)
        for (int c = 0; c < card.columnCount(); ++c)
            card.setStyle(r, c, CardCellStyle(c, card.cell(r, c)));
    alignColumns(card);
}

void ColourEntries(TextGrid& entries)
{
    for (int r = 0; r < entries.rowCount(); ++r)
        for (int c = 0; c < entries.columnCount(); ++c)
            entries.setStyle(r, c, EntriesCellStyle(c, entries.cell(r, c)));
    alignColumns(entries);
}

} // namespace solvane
