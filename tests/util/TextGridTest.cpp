#include "util/TextGrid.h"

#include <gtest/gtest.h>

using namespace solvane;

TEST(TextGrid, PermuteMovesCellsAndStylesTogether)
{
    TextGrid g({"馬番", "オッズ"}, 3);
    for (int r = 0; r < 3; ++r) {
        g.setCell(r, 0, std::to_string(r + 1));
        g.setCell(r, 1, std::to_string((r + 1) * 10));
    }
    g.setStyle(2, 1, CellStyle::fg(0xFF0000));
    g.permuteRows({2, 0, 1});
    EXPECT_EQ(g.cell(0, 0), "3");
    EXPECT_EQ(g.cell(0, 1), "30");
    EXPECT_EQ(g.style(0, 1), CellStyle::fg(0xFF0000));
    EXPECT_EQ(g.style(1, 1), CellStyle{});
    g.addRow();
    EXPECT_EQ(g.rowCount(), 4);
    EXPECT_EQ(g.style(3, 0), CellStyle{});
    EXPECT_THROW(g.permuteRows({0, 1}), std::invalid_argument);
}

TEST(TextGrid, TsvKeepsCellsVerbatimButNeverSplitsALine)
{
    TextGrid g({"組番", "人気"}, 2);
    g.setCell(0, 0, " 1- 2");
    g.setCell(0, 1, "  3");
    g.setCell(1, 0, "a\tb\r\n");
    EXPECT_EQ(toTsv(g), "組番\t人気\n 1- 2\t  3\na b  \t\n");
    // A copied selection: the chosen rows and columns only, no headings; indexes outside are passed over.
    EXPECT_EQ(toTsv(g, {0, 1}, {1}), "  3\n\n");
    EXPECT_EQ(toTsv(g, {1, 7, -1}, {0, 1, 5}), "a b  \t\n");
}
