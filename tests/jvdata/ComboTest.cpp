#include "jvdata/Combo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace solvane;

TEST(Combo, Labels)
{
    EXPECT_EQ(ComboLabel(7), " 7");
    EXPECT_EQ(ComboLabel(3, 12), " 3-12");
    EXPECT_EQ(ComboLabel(1, 5, 13), " 1- 5-13");
    EXPECT_EQ(ComboLabel(10, 11, 12), "10-11-12");
    EXPECT_EQ(ComboLabel(100, -1), "100--1");
}

TEST(Combo, EdgeCases)
{
    struct Case {
        int (*map)(std::string_view);
        const char* name;
        std::string label;
        int expected;
    } cases[] = {
        // the edge cases that matter
        {WRComboNo, "WR", " 1- 1", 1},
        {WRComboNo, "WR", " 1- 8", 8},
        {WRComboNo, "WR", " 2- 2", 9},
        {WRComboNo, "WR", " 8- 8", 36},
        {WRComboNo, "WR", " 2- 1", 0},
        {PairComboNo, "Pair", " 1- 2", 1},
        {PairComboNo, "Pair", " 2- 3", 18},
        {PairComboNo, "Pair", "17-18", 153},
        {UTComboNo, "UT", " 2- 1", 18},
        {UTComboNo, "UT", "18-17", 306},
        {SRFComboNo, "SRF", " 1- 2- 3", 1},
        {SRFComboNo, "SRF", "16-17-18", 816},
        {SRTComboNo, "SRT", " 9-18-17", 2448},
        {SRTComboNo, "SRT", "10- 1- 2", 2449},
        {SRTComboNo, "SRT", "18-17-16", 4896},
        {SRTComboNo, "SRT", " 1- 2- 3", 1},
        {SRTComboNo, "SRT", " 1- 2- 3 and more", 1},
        {SRTComboNo, "SRT", std::string(" 1- 2- 3\0x", 10), 1},
        // texts that are not a member's label
        {WRComboNo, "WR", " 9- 9", 0},
        {WRComboNo, "WR", " 0- 1", 0},
        {WRComboNo, "WR", " 1- 1 ", 0},
        {PairComboNo, "Pair", "18-17", 0},
        {PairComboNo, "Pair", " 3- 3", 0},
        {PairComboNo, "Pair", "01- 2", 0},
        {PairComboNo, "Pair", "1-2", 0},
        {PairComboNo, "Pair", " 1-2 ", 0},
        {PairComboNo, "Pair", " 1 - 2", 0},
        {PairComboNo, "Pair", " 1+ 2", 0},
        {PairComboNo, "Pair", "17-19", 0},
        {PairComboNo, "Pair", "", 0},
        {UTComboNo, "UT", " 1- 1", 0},
        {UTComboNo, "UT", " 1-02", 0},
        {UTComboNo, "UT", "-1- 2", 0},
        {SRFComboNo, "SRF", " 3- 2- 1", 0},
        {SRFComboNo, "SRF", " 1- 1- 2", 0},
        {SRFComboNo, "SRF", " 1- 2- 3 ", 0},
        {SRFComboNo, "SRF", " 1- 2-03", 0},
        {SRTComboNo, "SRT", " 1- 2- 1", 0},
        {SRTComboNo, "SRT", " 1- 2-", 0},
        {SRTComboNo, "SRT", "ab- 1- 2", 0},
        {SRTComboNo, "SRT", "19- 1- 2", 0},
        {SRTComboNo, "SRT", " 1- 2-19", 0},
        {SRTComboNo, "SRT", " 1_ 2- 3", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.map(c.label), c.expected) << c.name << " \"" << c.label << "\"";
}

// Each bet type against a brute-force enumeration: the grid of numbers 0-19 walked in label order, so
// every member gets the next ordinal and every other grid point must give 0 both ways.
TEST(Combo, OrdinalsAgainstEnumeration)
{
    struct PairType {
        const char* name;
        int count, maxNumber;
        bool (*member)(int, int);
        int (*ordinal)(int, int);
        int (*comboNo)(std::string_view);
        std::string (*labelOf)(int);
    } pairTypes[] = {
        {"WR", kWRCount, 8, [](int a, int b) { return a <= b; }, WROrdinal, WRComboNo, WRLabelOf},
        {"Pair", kPairCount, 18, [](int a, int b) { return a < b; }, PairOrdinal, PairComboNo, PairLabelOf},
        {"UT", kUTCount, 18, [](int a, int b) { return a != b; }, UTOrdinal, UTComboNo, UTLabelOf},
    };
    for (const auto& t : pairTypes) {
        int k = 0;
        for (int a = 0; a <= 19; ++a)
            for (int b = 0; b <= 19; ++b) {
                const bool member = a >= 1 && b >= 1 && a <= t.maxNumber && b <= t.maxNumber && t.member(a, b);
                const int expected = member ? ++k : 0;
                const std::string label = ComboLabel(a, b);
                EXPECT_EQ(t.ordinal(a, b), expected) << t.name << " " << label;
                EXPECT_EQ(t.comboNo(label), expected) << t.name << " " << label;
                if (member) {
                    EXPECT_EQ(t.labelOf(k), label) << t.name << " " << k;
                }
            }
        EXPECT_EQ(k, t.count) << t.name;
        EXPECT_EQ(t.labelOf(0), "") << t.name;
        EXPECT_EQ(t.labelOf(t.count + 1), "") << t.name;
    }

    struct TripleType {
        const char* name;
        int count;
        bool (*member)(int, int, int);
        int (*ordinal)(int, int, int);
        int (*comboNo)(std::string_view);
        std::string (*labelOf)(int);
    } tripleTypes[] = {
        {"SRF", kSRFCount, [](int a, int b, int c) { return a < b && b < c; }, SRFOrdinal, SRFComboNo, SRFLabelOf},
        {"SRT", kSRTCount, [](int a, int b, int c) { return a != b && a != c && b != c; }, SRTOrdinal, SRTComboNo,
         SRTLabelOf},
    };
    for (const auto& t : tripleTypes) {
        int k = 0;
        for (int a = 0; a <= 19; ++a)
            for (int b = 0; b <= 19; ++b)
                for (int c = 0; c <= 19; ++c) {
                    const bool member =
                        a >= 1 && b >= 1 && c >= 1 && a <= 18 && b <= 18 && c <= 18 && t.member(a, b, c);
                    const int expected = member ? ++k : 0;
                    const std::string label = ComboLabel(a, b, c);
                    EXPECT_EQ(t.ordinal(a, b, c), expected) << t.name << " " << label;
                    EXPECT_EQ(t.comboNo(label), expected) << t.name << " " << label;
                    if (member) {
                        EXPECT_EQ(t.labelOf(k), label) << t.name << " " << k;
                    }
                }
        EXPECT_EQ(k, t.count) << t.name;
        EXPECT_EQ(t.labelOf(0), "") << t.name;
        EXPECT_EQ(t.labelOf(t.count + 1), "") << t.name;
    }
}

// The JRA rule stated independently: up to 8 runners, one horse per bracket; with more, every bracket
// holds n / 8 horses and the last n % 8 brackets one more, filled in horse-number order.
TEST(Combo, BracketOfEveryFieldSize)
{
    for (int n = 1; n <= 18; ++n) {
        std::vector<int> expected; // bracket of horse h at h - 1
        for (int bracket = 1; bracket <= 8; ++bracket) {
            const int size = n <= 8 ? (bracket <= n ? 1 : 0) : n / 8 + (bracket > 8 - n % 8 ? 1 : 0);
            expected.insert(expected.end(), size, bracket);
        }
        ASSERT_EQ(static_cast<int>(expected.size()), n);
        for (int h = 1; h <= n; ++h)
            EXPECT_EQ(BracketOf(n, h), expected[h - 1]) << "n=" << n << " h=" << h;
    }

    struct Case {
        int n, h, bracket;
    } cases[] = {{10, 6, 6},  {10, 7, 7},  {10, 9, 8}, {16, 1, 1}, {18, 15, 7}, {17, 15, 8}, {17, 17, 8},
                 {18, 13, 7}, {18, 16, 8}, {8, 8, 8},  {5, 0, 0},  {5, 6, 0},   {19, 1, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(BracketOf(c.n, c.h), c.bracket) << "n=" << c.n << " h=" << c.h;
}
