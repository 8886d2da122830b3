#include "jvdata/CodeTables.h"

#include "util/ShiftJis.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace solvane;

namespace {

// Results are Shift-JIS; the expectations are written in UTF-8.
std::string u(std::string_view sjis)
{
    return fromSjis(sjis);
}

const std::string kCodeChars = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

std::vector<std::string> codesOfLength(int length)
{
    std::vector<std::string> codes{""};
    for (int i = 0; i < length; ++i) {
        std::vector<std::string> longer;
        for (const auto& code : codes)
            for (char c : kCodeChars)
                longer.push_back(code + c);
        codes.swap(longer);
    }
    return codes;
}

} // namespace

// Every label of a fixed-width table, found by walking the whole code space, has exactly its width;
// the number of codes with a label of their own confirms that every table row was reached.
TEST(CodeTables, FixedWidthLabelsOverTheWholeCodeSpace)
{
    struct Table {
        const char* name;
        int codeLength;
        std::function<std::string_view(const std::string&)> label;
        std::size_t width;
        std::string blank; // UTF-8 label of codes the table does not hold
        int named;
    } tables[] = {
        {"TrackName", 2, [](const std::string& c) { return TrackName(c); }, 4, "    ", 106},
        {"RaceTypeLabel", 2, [](const std::string& c) { return RaceTypeLabel(c); }, 8, "　　　　", 10},
        {"RaceSymbolLabel", 3, [](const std::string& c) { return RaceSymbolLabel(c); }, 24, "　　　　　　　　　　　　",
         86},
        {"GradeLabel form 1", 1, [](const std::string& c) { return GradeLabel(c, 1); }, 5, "　　 ", 9},
        {"GradeLabel form 8", 1, [](const std::string& c) { return GradeLabel(c, 8); }, 3, "　 ", 9},
        {"CircledNumber", 2, [](const std::string& c) { return CircledNumber(c); }, 2, "－", 18},
    };

    for (const auto& t : tables) {
        int named = 0;
        for (const auto& code : codesOfLength(t.codeLength)) {
            const std::string_view label = t.label(code);
            EXPECT_EQ(label.size(), t.width) << t.name << " " << code << " " << u(label);
            if (u(label) != t.blank)
                ++named;
        }
        EXPECT_EQ(named, t.named) << t.name;
    }

    // Two-character (4-byte) or empty labels.
    for (int code = -1; code <= 100; ++code) {
        EXPECT_TRUE(CourseShortLabel(code).empty() || CourseShortLabel(code).size() == 4) << code;
        EXPECT_TRUE(WeekdayLabel(code).empty() || WeekdayLabel(code).size() == 2) << code;
    }
    for (const char* name : {"札幌", "函館", "福島", "新潟", "東京", "中山", "中京", "京都", "阪神", "小倉"})
        EXPECT_EQ(TrackName(TrackCode(toSjis(name))), toSjis(name)) << name;
}

TEST(CodeTables, Labels)
{
    struct Case {
        const char* what;
        std::string_view result; // Shift-JIS
        const char* expected;    // UTF-8
    } cases[] = {
        // the edge cases that matter
        {"TrackName 06", TrackName("06"), "中山"},
        {"TrackName C4", TrackName("C4"), "    "},
        {"TrackName unlisted", TrackName("99"), "    "},
        {"TrackName M6", TrackName("M6"), "約  "},
        {"RaceSymbolLabel 000", RaceSymbolLabel("000"), "　　　　　　　　　　　　"},
        {"GradeLabel L 1", GradeLabel("L", 1), "List "},
        {"GradeLabel L 8", GradeLabel("L", 8), "LST"},
        {"CourseShortLabel 25", CourseShortLabel("25"), ""},
        {"CourseShortLabel 28", CourseShortLabel("28"), ""},
        {"CourseLabel 25", CourseLabel("25"), "ﾀﾞｰﾄ 左回り 内回り"},
        {"CourseLabel 28", CourseLabel("28"), "ｻﾝﾄﾞ 右回り"},
        {"SexLabel 01", SexLabel("01"), ""},
        {"HorseMarkLabel 01", HorseMarkLabel("01"), "(抽)"},
        {"CircledNumber 0", CircledNumber("0"), "－"},
        {"CircledNumber 19", CircledNumber("19"), "－"},
        // exact text against numeric lookup
        {"TrackName 6", TrackName("6"), "    "},
        {"TrackName ' 6'", TrackName(" 6"), "    "},
        {"TrackName 006", TrackName("006"), "    "},
        {"SexLabel 1", SexLabel("1"), "牡"},
        {"SexLabel ' 1'", SexLabel(" 1"), ""},
        {"WeatherLabel 04", WeatherLabel("04"), ""},
        {"WeatherLabel 4", WeatherLabel("4"), "小雨"},
        {"RaceTypeLabel 1", RaceTypeLabel("1"), "　　　　"},
        {"HorseMarkLabel 041", HorseMarkLabel("041"), "(父)(外)[地]"},
        {"HorseMarkLabel x", HorseMarkLabel("x"), "　"},
        {"HorseMarkLabel 0", HorseMarkLabel(0), "　"},
        {"WeekdayLabel 01", WeekdayLabel("01"), "土"},
        {"WeekdayLabel blank", WeekdayLabel("  "), "　"},
        {"WeekdayLabel 9", WeekdayLabel(9), ""},
        {"CircledNumber 018", CircledNumber("018"), "⑱"},
        {"CircledNumber 1", CircledNumber(1), "①"},
        {"CourseLabel 051", CourseLabel("051"), "障害 芝　襷"},
        {"ConditionLabel 0005", ConditionLabel("0005"), "1勝ｸﾗｽ"},
        // other rows
        {"TrackName 61", TrackName("61"), "中京"},
        {"TrackName M8", TrackName("M8"), "華  "},
        {"TrackName N2", TrackName("N2"), "バレ"},
        {"TrackCode 小倉", TrackCode(toSjis("小倉")), "10"},
        {"TrackCode 門別", TrackCode(toSjis("門別")), "  "},
        {"RaceTypeLabel 19", RaceTypeLabel("19"), "障害４上"},
        {"RaceSymbolLabel A02", RaceSymbolLabel("A02"), "(混合)・若手騎手　　　　"},
        {"RaceSymbolLabel 002", RaceSymbolLabel("002"), "若手騎手　　　　　　　　"},
        {"RaceSymbolLabel K01", RaceSymbolLabel("K01"), "(市)(抽)関西配布馬(指定)"},
        {"RaceSymbolLabel N44", RaceSymbolLabel("N44"), "(国際)牡・牝(特指)　　　"},
        {"RaceSymbolLabel A33", RaceSymbolLabel("A33"), "(混合)牡・ｾﾝ[指定]　　　"},
        {"RaceSymbolLabel A12", RaceSymbolLabel("A12"), "　　　　　　　　　　　　"},
        {"RaceClassLabel 13 5", RaceClassLabel("13", "005"), "3歳上1勝ｸﾗｽ"},
        {"RaceClassLabel 18 999", RaceClassLabel(18, 999), "障3歳上ｵｰﾌﾟﾝ"},
        {"RaceClassLabel 11 100", RaceClassLabel("11", "100"), "2歳10000"},
        {"RaceClassLabel 21 701", RaceClassLabel("21", "701"), "新馬"},
        {"RaceClassLabel 14 0", RaceClassLabel("14", "000"), "4歳上"},
        {"RaceClassLabel 0 0", RaceClassLabel("", ""), ""},
        {"ConditionLabel 100", ConditionLabel("100"), "1億下"},
        {"ConditionLabel 999", ConditionLabel(999), "オープン"},
        {"ConditionLabel 703", ConditionLabel("703"), "未勝利"},
        {"ConditionLabel 1", ConditionLabel("1"), ""},
        {"GradeLabel D 1", GradeLabel("D", 1), "重賞 "},
        {"GradeLabel F 8", GradeLabel("F", 8), "JG1"},
        {"GradeLabel Z 1", GradeLabel("Z", 1), "　　 "},
        {"GradeLabel '' 8", GradeLabel("", 8), "　 "},
        {"GradeLabel A 2", GradeLabel("A", 2), ""},
        {"WeekdayLabel 0", WeekdayLabel("0"), "　"},
        {"WeekdayLabel 8", WeekdayLabel("8"), "金"},
        {"WeightTypeLabel 1", WeightTypeLabel("1"), "ﾊﾝﾃﾞ"},
        {"WeightTypeLabel 5", WeightTypeLabel("5"), ""},
        {"HorseMarkLabel 13", HorseMarkLabel("13"), "　"},
        {"CourseLabel 13", CourseLabel(13), "芝 左回り 内→外回り"},
        {"CourseShortLabel 29", CourseShortLabel("29"), "ダ直"},
        {"CourseShortLabel 59", CourseShortLabel(59), "障害"},
        {"CourseLabel 30", CourseLabel("30"), ""},
        {"WeatherLabel 6", WeatherLabel("6"), "小雪"},
        {"GoingLabel 2 0", GoingLabel("2", 0), "稍重"},
        {"GoingLabel 4 1", GoingLabel("4", 1), "芝:不良"},
        {"GoingLabel 3 2", GoingLabel("3", 2), "ダ:重"},
        {"GoingLabel 5 1", GoingLabel("5", 1), ""},
        {"GoingLabel 1 3", GoingLabel("1", 3), ""},
        {"SexLabel 3", SexLabel("3"), "ｾﾝ"},
        {"RecordFlagLabel 2", RecordFlagLabel("2"), "(GIﾚｺｰﾄﾞ)"},
        {"RecordFlagLabel 0", RecordFlagLabel("0"), ""},
        {"TimeKindLabel 2", TimeKindLabel("2"), "(ﾚｺｰﾄﾞﾀｲﾑ)"},
        {"TimeKindLabel 4", TimeKindLabel("4"), "(備考ﾀｲﾑ)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(u(c.result), c.expected) << c.what;
}

TEST(CodeTables, TextHelpers)
{
    struct Case {
        const char* what;
        std::string result;
        std::string expected;
    } cases[] = {
        {"PadNumber blanks", PadNumber("  "), "  "},
        {"PadNumber 07", PadNumber("07"), " 7"},
        {"PadNumber 05", PadNumber("05"), " 5"},
        {"PadNumber 00", PadNumber("00"), "  "},
        {"PadNumber 120", PadNumber("120"), "120"},
        {"PadNumber x1", PadNumber("x1"), "  "},
        {"PadNumber 0001", PadNumber("0001"), "   1"},
        {"PadNumber empty", PadNumber(""), ""},
        {"AddMinutes empty", AddMinutes("", 10), ""},
        {"AddMinutes blank", AddMinutes("    ", 10), ""},
        {"AddMinutes carry", AddMinutes("0950", 15), "1005"},
        {"AddMinutes midnight", AddMinutes("2350", 20), "2410"},
        {"AddMinutes negative", AddMinutes("1000", -30), "0930"},
        {"AddMinutes zero", AddMinutes("0905", 0), "0905"},
        {"AddSeconds empty", AddSeconds(" ", 10), ""},
        {"AddSeconds carry", AddSeconds("095950", 15), "100005"},
        {"AddSeconds negative", AddSeconds("100000", -1), "095959"},
        {"AddSeconds midnight", AddSeconds("235959", 3601), "250000"},
        {"StripWideSpaces", StripWideSpaces(toSjis("　中　山 ａ　")), toSjis("中山 ａ")},
        {"StripWideSpaces trail 0x81", StripWideSpaces(toSjis("メ@　")), toSjis("メ@")},
        {"StripWideSpaces cut lead", StripWideSpaces("a\x81"), "a\x81"},
        {"OverwriteAt record", OverwriteAt("RA7202401010101", "000000000", 3), "RA0000000000101"},
        {"OverwriteAt start", OverwriteAt("abcdef", "XY", 1), "XYcdef"},
        {"OverwriteAt near end", OverwriteAt("abcdef", "XYZ", 5), "abcdXYZ"},
        {"OverwriteAt past end", OverwriteAt("abc", "XY", 9), "abcXY"},
        {"OverwriteAt end+1", OverwriteAt("abc", "XY", 4), "abcXY"},
        {"OverwriteAt before 1", OverwriteAt("abc", "XY", 0), "XYabc"},
        {"OverwriteAt Shift-JIS", OverwriteAt(toSjis("中山ab"), toSjis("京"), 3), toSjis("中京ab")},
        {"OverwriteAt byte positions", OverwriteAt(toSjis("中山ab"), "xy", 5), toSjis("中山xy")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.result, c.expected) << c.what;
}
