#include "util/Text.h"

#include <gtest/gtest.h>

using namespace solvane;

TEST(Text, FieldNeverReadsPastTheEnd)
{
    const std::string rec = "RA7202401";
    EXPECT_EQ(field(rec, 1, 2), "RA");
    EXPECT_EQ(field(rec, 3, 1), "7");
    EXPECT_EQ(field(rec, 8, 5), "01");
    EXPECT_EQ(field(rec, 10, 3), "");
    EXPECT_EQ(field(rec, 0, 3), "");
}

TEST(Text, IntegerReading)
{
    struct Case {
        const char* text;
        long long expected;
    } cases[] = {{"12", 12},
                 {" 007 ", 7},
                 {"-30", -30},
                 {"+5", 5},
                 {"", -1},
                 {"1a", -1},
                 {"-", -1},
                 {"9223372036854775807", 9223372036854775807LL},
                 {"9223372036854775808", -1},
                 {"99999999999999999999", -1}};
    for (const auto& c : cases)
        EXPECT_EQ(toIntDef(c.text, -1), c.expected) << c.text;
}

TEST(Text, YenAreGroupedByThousands)
{
    const std::pair<long long, const char*> cases[] = {
        {0, "0"},         {999, "999"}, {1000, "1,000"}, {229900, "229,900"}, {12345678901, "12,345,678,901"},
        {-1500, "-1,500"}};
    for (const auto& [yen, text] : cases)
        EXPECT_EQ(GroupedYen(yen), text);
}

TEST(Text, LinesSplitAtCrLfOrLf)
{
    EXPECT_EQ(splitLines("a\r\nb\nc"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(splitLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(joinLinesCrlf({"a", ""}), "a\r\n\r\n");
    EXPECT_TRUE(splitLines("").empty());
}
