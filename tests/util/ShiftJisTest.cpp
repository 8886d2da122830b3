#include "util/ShiftJis.h"
#include "util/Text.h"

#include <gtest/gtest.h>

using namespace solvane;

TEST(ShiftJis, RoundTripOfTheCharactersRecordsUse)
{
    // Circled digits, the wave dash users type, half-width kana and kanji.
    for (const char* text : {"①⑱", "～", "ｱｲｳﾀﾞｰﾄ", "中山　東京", "ABC 123"}) {
        const std::string sjis = toSjis(text);
        EXPECT_EQ(fromSjis(sjis), text);
    }
    EXPECT_EQ(toSjis("中山"), "\x92\x86\x8e\x52");
    EXPECT_EQ(toSjis("ｱ"), "\xb1");
    EXPECT_EQ(sjisWidth("芝:良"), 5u);
}

TEST(ShiftJis, FullWidthTextKeepsLaterFieldsAtTheirBytePositions)
{
    // A name field of 4 full-width characters (8 bytes) followed by a 2-byte number.
    const std::string rec = toSjis("ABサクラ花子07");
    EXPECT_EQ(fromSjis(field(rec, 3, 8)), "サクラ花");
    EXPECT_EQ(fromSjis(field(rec, 11, 2)), "子");
    EXPECT_EQ(field(rec, 13, 2), "07");
}

TEST(ShiftJis, BadInputIsReplacedNotDropped)
{
    EXPECT_EQ(toSjis("a\xF0\x9F\x98\x80"
                     "b"),
              "a?b");                              // an emoji has no Shift-JIS form
    EXPECT_EQ(fromSjis("a\x82"), "a\xEF\xBF\xBD"); // a lead byte cut at the end
}
