// Pasted FI and triple-factor texts: the grammar, the date checks, the files written, and the marks the
// day loader then puts on the race card, on small texts built here and on the generator's paste texts.
#include "RaceDayTestSupport.h"

#include "app/LoadSettings.h"
#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "feedgen/Feed.h"
#include "jvdata/CodeTables.h"
#include "jvdata/LocalJVLink.h"
#include "raceday/DayLoader.h"
#include "raceday/Forecast.h"
#include "support/ImportStore.h"

#include <gtest/gtest.h>

namespace solvane::test {
namespace {

using Status = ForecastOutcome::Status;

std::string S(std::string_view utf8)
{
    return toSjis(utf8);
}

// An FI race line as a forecast page prints it: the label in a 7-byte column, then each horse's mark
// followed by a blank. Marks are UTF-8; "" is a horse without a mark.
std::string FiRace(std::string_view label, const std::vector<std::string>& marks)
{
    std::string line = S(label);
    line.resize(std::max<std::size_t>(line.size(), 7), ' ');
    for (const std::string& m : marks) {
        std::string mark = S(m);
        mark.resize(2, ' ');
        line += mark + " ";
    }
    return line;
}

// Header lines that every page starts with, so that the texts below are long enough to be read.
std::vector<std::string> FiPage(std::string_view date, std::vector<std::string> body)
{
    std::vector<std::string> lines = {S("ＦＩ予想"), S("本日の予想印です"), S("【" + std::string(date) + "】")};
    lines.insert(lines.end(), body.begin(), body.end());
    while (lines.size() < 10)
        lines.push_back("");
    return lines;
}

// The same line with the marks one byte to the right, as a text copied with a stray blank.
std::string Shifted(std::string line)
{
    return line.insert(3, " ");
}

std::string Text(const std::vector<std::string>& lines)
{
    return joinLinesCrlf(lines);
}

std::string Venue(std::string_view name)
{
    return S("━━━━【" + std::string(name) + "】━━━━");
}

// The expected file line: venue, race, two blanks, then the given marks (UTF-8) padded to 2 bytes each.
std::string FileLine(std::string_view venue, int race, const std::vector<std::string>& marks, std::size_t slots)
{
    std::string line = S(venue) + strprintf("%02d", race) + "  ";
    for (std::size_t i = 0; i < slots; ++i) {
        std::string mark = i < marks.size() ? S(marks[i]) : "";
        mark.resize(2, ' ');
        line += mark;
    }
    return line;
}

TEST(ForecastTest, RaceNumberOfReadsWideAndNarrowDigits)
{
    const struct {
        std::string text;
        int race;
    } cases[] = {{S("１"), 1}, {S("９"), 9}, {"12", 12}, {"1", 1}, {" 7", 7},
                 {S("０"), 0}, {S("Ｒ"), 0}, {"ab", 0},  {"", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(RaceNumberOf(c.text), c.race) << fromSjis(c.text);
}

TEST(ForecastTest, FiGrammar)
{
    const std::vector<std::string> marks = {"◎", "", "○", "▲", "△", "□"};
    const struct {
        const char* name;
        std::vector<std::string> text;
        std::vector<std::string> lines; // expected file lines
        std::string error;
    } cases[] = {
        {"venues in turn",
         FiPage("2024年01月06日",
                {Venue("東京"), FiRace("１R", marks), FiRace("12R", {"○"}), Venue("中山"), FiRace("１R", {"", "◎"})}),
         {FileLine("東京", 1, marks, 18), FileLine("東京", 12, {"○"}, 18), FileLine("中山", 1, {"", "◎"}, 18)},
         ""},
        {"a full-width R makes no race line",
         FiPage("2024年01月06日", {Venue("阪神"), FiRace("１Ｒ", marks), FiRace("２R", {"◎"})}),
         {FileLine("阪神", 2, {"◎"}, 18)},
         ""},
        {"race lines before any venue are passed over",
         FiPage("2024年01月06日", {FiRace("３R", marks), Venue("小倉"), FiRace("３R", {"▲"})}),
         {FileLine("小倉", 3, {"▲"}, 18)},
         ""},
        {"a line that ends early leaves the rest blank",
         FiPage("2024年01月06日", {Venue("京都"), S("５R    ◎ ○")}),
         {FileLine("京都", 5, {"◎", "○"}, 18)},
         ""},
        {"18 runners",
         FiPage("2024年01月06日", {Venue("札幌"), FiRace("10R", std::vector<std::string>(18, "△"))}),
         {FileLine("札幌", 10, std::vector<std::string>(18, "△"), 18)},
         ""},
        {"no date heading",
         {S("ＦＩ予想"), Venue("東京"), FiRace("１R", marks), "", "", "", "", "", "", ""},
         {},
         std::string(kForecastBadData)},
        {"month 13",
         FiPage("2024年13月06日", {Venue("東京"), FiRace("１R", marks)}),
         {},
         std::string(kForecastBadData)},
        {"30 February",
         FiPage("2024年02月30日", {Venue("東京"), FiRace("１R", marks)}),
         {},
         std::string(kForecastBadData)},
        {"year 2000",
         FiPage("2000年01月06日", {Venue("東京"), FiRace("１R", marks)}),
         {},
         std::string(kForecastBadData)},
        {"no race line",
         FiPage("2024年01月06日", {Venue("東京"), S("本日は予想がありません")}),
         {},
         std::string(kForecastNoRaces)},
        {"two days in one text",
         FiPage("2024年01月06日",
                {Venue("東京"), FiRace("１R", marks), S("【2024年01月07日】"), Venue("東京"), FiRace("１R", marks)}),
         {},
         "貼り付けたテキストに複数の日付があります（2024年01月06日、2024年01月07日）。1日分ずつ取り込んでください。"},
        {"marks shifted by one byte",
         FiPage("2024年01月06日", {Venue("東京"), Shifted(FiRace("１R", marks))}),
         {},
         "5行目の予想印が文字の途中で区切られています。貼り付けたテキストの桁がずれていないか確かめてください。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ForecastPlan plan = ReadForecast(ForecastKind::FI, Text(c.text));
        EXPECT_FALSE(plan.tooFewLines);
        EXPECT_EQ(plan.error, c.error);
        EXPECT_EQ(plan.lines, c.lines);
        for (const std::string& line : plan.lines)
            EXPECT_EQ(line.size(), 44u);
    }
}

TEST(ForecastTest, NineLinesOrFewerAreNotRead)
{
    std::vector<std::string> text = FiPage("2024年01月06日", {Venue("東京"), FiRace("１R", {"◎"})});
    text.resize(9);
    const ForecastPlan plan = ReadForecast(ForecastKind::FI, Text(text));
    EXPECT_TRUE(plan.tooFewLines);
    EXPECT_FALSE(plan.ready());
    EXPECT_TRUE(plan.lines.empty());
}

TEST(ForecastTest, QuestionNamesTheDateAndTheVenues)
{
    const ForecastPlan fi = ReadForecast(
        ForecastKind::FI,
        Text(FiPage("2024年01月06日", {Venue("東京"), FiRace("１R", {"◎"}), Venue("中山"), FiRace("１R", {"◎"})})));
    EXPECT_EQ(fi.question, "[ 2024年01月06日東京 中山 ]の予想印を取り込みますか？");
    EXPECT_EQ(fi.fileName(), "2024年01月06日.FI");
}

// A triple-factor race block: the label, two heading lines, one line per horse with its three marks.
std::vector<std::string> TfBlock(std::string_view label, const std::vector<std::array<std::string, 3>>& horses,
                                 bool rule = true)
{
    std::vector<std::string> lines = {S(label), S("馬番 Ｐ　 Ｖ　 Ｆ"), S("─────────")};
    for (std::size_t h = 0; h < horses.size(); ++h) {
        std::string line = strprintf("%2zu  ", h + 1);
        for (const std::string& m : horses[h]) {
            std::string mark = S(m);
            mark.resize(2, ' ');
            line += mark + "   ";
        }
        lines.push_back(line);
    }
    if (rule)
        lines.push_back("-----");
    return lines;
}

std::vector<std::string> Join(std::vector<std::vector<std::string>> parts)
{
    std::vector<std::string> all = {S("トリプルファクター予想")};
    for (auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    while (all.size() < 10)
        all.push_back("");
    return all;
}

std::string TfLine(std::string_view venue, int race, const std::vector<std::array<std::string, 3>>& horses)
{
    std::string line = S(venue) + strprintf("%02d", race) + "  ";
    for (std::size_t f = 0; f < 3; ++f)
        for (std::size_t h = 0; h < 18; ++h) {
            std::string mark = h < horses.size() ? S(horses[h][f]) : "";
            mark.resize(2, ' ');
            line += mark;
        }
    return line;
}

TEST(ForecastTest, TripleFactorGrammar)
{
    const std::vector<std::array<std::string, 3>> ten = {{"◎", "○", "▲"}, {"○", "◎", ""},  {"▲", "", "◎"}, {"", "", ""},
                                                         {"□", "□", "□"}, {"△", "△", "△"}, {"", "▲", "○"}, {"", "", ""},
                                                         {"", "", ""},    {"□", "", ""}};
    const std::vector<std::array<std::string, 3>> two = {{"◎", "◎", "◎"}, {"○", "○", "○"}};
    const std::string date = S("■2024年01月06日 ");
    const struct {
        const char* name;
        std::vector<std::string> text;
        std::vector<std::string> lines;
        std::string error;
    } cases[] = {
        {"ten horses then the rule",
         Join({{date + S("東京")}, TfBlock("１R", ten), TfBlock("12R", two), {date + S("中山")}, TfBlock("1R", two)}),
         {TfLine("東京", 1, ten), TfLine("東京", 12, two), TfLine("中山", 1, two)},
         ""},
        {"text ends inside a block",
         Join({{date + S("新潟")}, TfBlock("３R", two), TfBlock("４R", ten, false)}),
         {TfLine("新潟", 3, two), TfLine("新潟", 4, ten)},
         ""},
        {"a block without its rule ends at the next race",
         Join({{date + S("福島")}, TfBlock("５R", two, false), TfBlock("６R", two)}),
         {TfLine("福島", 5, two), TfLine("福島", 6, two)},
         ""},
        {"the venue heading names no venue: the previous one stays",
         Join({{date + S("東京")}, TfBlock("１R", two), {date + S("場外")}, TfBlock("２R", two)}),
         {TfLine("東京", 1, two), TfLine("東京", 2, two)},
         ""},
        {"race 18 and above name no race",
         Join({{date + S("中京")}, TfBlock("18R", two), TfBlock("７R", two)}),
         {TfLine("中京", 7, two)},
         ""},
        {"no heading", Join({TfBlock("１R", two)}), {}, std::string(kForecastBadData)},
        {"marks shifted",
         Join({{date + S("東京")}, {S("１R"), "", "", " 1   " + S("◎")}}),
         {},
         "6行目の予想印が文字の途中で区切られています。貼り付けたテキストの桁がずれていないか確かめてください。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ForecastPlan plan = ReadForecast(ForecastKind::TF, Text(c.text));
        EXPECT_EQ(plan.error, c.error);
        EXPECT_EQ(plan.lines, c.lines);
        for (const std::string& line : plan.lines)
            EXPECT_EQ(line.size(), 116u);
    }
    const ForecastPlan plan =
        ReadForecast(ForecastKind::TF, Text(Join({{date + S("東京")}, TfBlock("１R", two), {date + S("中山")}})));
    EXPECT_EQ(plan.question, "[ 2024年01月06日東京 中山 ]の予想印を取り込みますか？");
    EXPECT_EQ(plan.fileName(), "2024年01月06日.TF");
}

TEST(ForecastTest, SavedFilesAreWholeShiftJisWithCrLf)
{
    DayFolder folder;
    // An older file of the day under another letter case is the one replaced.
    DayFolder::write(folder.data(), "2024年01月06日.fi", {"old"});
    const std::string fi = Text(FiPage("2024年01月06日", {Venue("東京"), FiRace("１R", {"◎", "", "○"})}));
    std::vector<std::string> asked;
    const ForecastOutcome done = ImportForecast(ForecastKind::FI, fi, folder.app(), [&](const std::string& q) {
        asked.push_back(q);
        return true;
    });
    EXPECT_EQ(done.status, Status::Saved);
    EXPECT_EQ(done.message, "[2024年01月06日]の予想印を取り込みました。");
    EXPECT_EQ(asked, std::vector<std::string>{"[ 2024年01月06日東京 ]の予想印を取り込みますか？"});
    const std::string expected = S("東京") + "01  " + S("◎") + "  " + S("○") + std::string(30, ' ') + "\r\n";
    EXPECT_EQ(readFile(folder.data() / pathFromUtf8("2024年01月06日.fi")), expected);
#ifndef _WIN32 // where names differing in case are different files
    EXPECT_FALSE(std::filesystem::exists(folder.data() / pathFromUtf8("2024年01月06日.FI")));
#endif

    const std::string tf = Text(Join({{S("■2024年01月06日 中山")}, TfBlock("11R", {{"◎", "○", "▲"}})}));
    EXPECT_EQ(ImportForecast(ForecastKind::TF, tf, folder.app(), [](const std::string&) { return true; }).status,
              Status::Saved);
    const std::string block = std::string(34, ' ');
    EXPECT_EQ(readFile(folder.data() / pathFromUtf8("2024年01月06日.TF")),
              S("中山") + "11  " + S("◎") + block + S("○") + block + S("▲") + block + "\r\n");
}

TEST(ForecastTest, NothingIsWrittenUnlessTheTextIsGoodAndTheAnswerYes)
{
    DayFolder folder;
    DayFolder::write(folder.data(), "2024年01月06日.FI", {"kept"});
    const std::filesystem::path kept = folder.data() / pathFromUtf8("2024年01月06日.FI");
    const std::string good = Text(FiPage("2024年01月06日", {Venue("東京"), FiRace("１R", {"◎"})}));
    const std::string shifted = Text(FiPage("2024年01月06日", {Venue("東京"), Shifted(FiRace("１R", {"◎"}))}));
    int asked = 0;
    auto no = [&](const std::string&) {
        ++asked;
        return false;
    };
    EXPECT_EQ(ImportForecast(ForecastKind::FI, good, folder.app(), no).status, Status::Declined);
    EXPECT_EQ(asked, 1);
    const ForecastOutcome bad = ImportForecast(ForecastKind::FI, shifted, folder.app(), no);
    EXPECT_EQ(bad.status, Status::Rejected);
    EXPECT_FALSE(bad.message.empty());
    EXPECT_EQ(ImportForecast(ForecastKind::FI, "a\r\nb\r\n", folder.app(), no).status, Status::Nothing);
    EXPECT_EQ(asked, 1); // a text that cannot be imported asks nothing
    EXPECT_EQ(readFile(kept), "kept\r\n");

    // The Data folder cannot be made: the import says so.
    DayFolder blocked;
    std::filesystem::remove_all(blocked.data());
    ASSERT_TRUE(writeFileAtomic(blocked.data(), "a file where the folder should be"));
    const ForecastOutcome failed =
        ImportForecast(ForecastKind::FI, good, blocked.app(), [](const std::string&) { return true; });
    EXPECT_EQ(failed.status, Status::Failed);
    EXPECT_TRUE(startsWith(failed.message, "予想印ファイルを保存できませんでした")) << failed.message;
}

// Whatever bytes follow a valid heading, reading never goes past a line and every line written keeps
// its fixed length. The bytes are drawn from a fixed seed, so a failure repeats.
TEST(ForecastTest, ArbitraryBytesGiveFixedLinesOrAMessage)
{
    // Control characters other than tabs refuse the whole text and a lone CR ends a line (tests of their
    // own below), so neither here.
    const std::string alphabet = " R1２-" + S("◎○【東京】■") + std::string("\x81\t\xFC~", 4);
    const std::array<std::string, 5> starts = {"1R", S("１R"), "12R", "-----", ""};
    std::uint32_t seed = 12345;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    std::size_t written = 0;
    for (int round = 0; round < 300; ++round) {
        std::string text = S("【2024年01月06日】\n■2024年01月06日 東京\n") + Venue("東京") + "\n";
        for (std::size_t line = 0, lines = 10 + next() % 30; line < lines; ++line) {
            text += starts[next() % starts.size()];
            for (std::size_t i = 0, length = next() % 70; i < length; ++i)
                text += alphabet[next() % alphabet.size()];
            text += '\n';
        }
        for (const auto& [kind, width] : {std::pair{ForecastKind::FI, 44u}, {ForecastKind::TF, 116u}}) {
            const ForecastPlan plan = ReadForecast(kind, text);
            EXPECT_TRUE(plan.ready() || !plan.error.empty());
            for (const std::string& line : plan.lines)
                EXPECT_EQ(line.size(), width);
            written += plan.lines.size();
        }
    }
    EXPECT_GT(written, 100u); // the texts did reach the race lines
}

// A text that is no forecast page is refused with a word before anything is asked or written: one larger
// than any page (read from a file only up to the limit, so a device without end cannot fill the memory),
// or one with control characters (the NUL bytes of a binary file would go into the day's file).
TEST(ForecastTest, TooLargeOrBinaryTextsAreRefusedWithAMessage)
{
    DayFolder folder;
    DayFolder::write(folder.data(), "2024年01月06日.FI", {"kept"});
    const std::vector<std::string> page = FiPage("2024年01月06日", {Venue("東京"), FiRace("１R", {"◎"})});
    int asked = 0;
    auto yes = [&](const std::string&) {
        ++asked;
        return true;
    };
    std::string large = Text(page);
    large.resize(kForecastMaxBytes + 1, ' ');
    std::string binary = Text(page);
    binary.replace(binary.find(S("１R")) + 4, 1, std::string(1, '\0'));
    const struct {
        const char* name;
        std::string text;
        std::string message;
    } cases[] = {
        {"larger than any page", large, std::string(kForecastTooLarge)},
        {"a NUL byte", binary,
         "5行目に制御文字（0x00）があるため取り込めません。テキストの予想印のページを貼り付けてください。"},
        {"an escape in a short text", "\x1b[0m\r\n",
         "1行目に制御文字（0x1B）があるため取り込めません。"
         "テキストの予想印のページを貼り付けてください。"},
    };
    for (const auto& c : cases) {
        const ForecastOutcome outcome = ImportForecast(ForecastKind::FI, c.text, folder.app(), yes);
        EXPECT_EQ(outcome.status, Status::Rejected) << c.name;
        EXPECT_EQ(outcome.message, c.message) << c.name;
    }
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(readFile(folder.data() / pathFromUtf8("2024年01月06日.FI")), "kept\r\n");

    // From a file: read no further than the limit, whatever the file is.
    ASSERT_TRUE(writeFileAtomic(folder.app() / "large.txt", large));
    ASSERT_TRUE(writeFileAtomic(folder.app() / "page.txt", Text(page)));
    EXPECT_EQ(ReadForecastFile(folder.app() / "large.txt").error, std::string(kForecastTooLarge));
    EXPECT_FALSE(ReadForecastFile(folder.app() / "large.txt").bytes);
    EXPECT_EQ(ReadForecastFile(folder.app() / "page.txt").bytes, Text(page));
    EXPECT_TRUE(ReadForecastFile(folder.app() / "missing.txt").error.starts_with("ファイルを読めません："));
#ifndef _WIN32
    EXPECT_EQ(ReadForecastFile("/dev/zero").error, std::string(kForecastTooLarge));
#endif
}

// Old Mac programs end lines with a lone CR: the text reads as with CR LF, not as one line too short.
TEST(ForecastTest, LinesEndingInCrAloneReadAsLines)
{
    const std::vector<std::string> page =
        FiPage("2024年01月06日", {Venue("東京"), FiRace("１R", {"◎", "○"}), FiRace("２R", {"▲"})});
    std::string crOnly;
    for (const std::string& line : page)
        crOnly += line + "\r";
    const ForecastPlan withCr = ReadForecast(ForecastKind::FI, crOnly);
    EXPECT_FALSE(withCr.tooFewLines);
    EXPECT_TRUE(withCr.ready()) << withCr.error;
    EXPECT_EQ(withCr.lines, ReadForecast(ForecastKind::FI, Text(page)).lines);
    EXPECT_EQ(withCr.lines.size(), 2u);
}

TEST(ForecastTest, TextFromAFileIsUtf8OrShiftJis)
{
    const std::string utf8 = "【2024年01月06日】\r\n";
    EXPECT_EQ(ForecastTextToSjis(utf8), S(utf8));
    EXPECT_EQ(ForecastTextToSjis("\xEF\xBB\xBF" + utf8), S(utf8));
    EXPECT_EQ(ForecastTextToSjis(S(utf8)), S(utf8));
    EXPECT_EQ(ForecastTextToSjis("1R abc"), "1R abc");
    // No-break spaces of a web page keep their column as blanks.
    EXPECT_EQ(ForecastTextToSjis("１R\xC2\xA0\xC2\xA0◎"), S("１R  ◎"));
    EXPECT_EQ(ForecastTextFromUtf8("\xC2\xA0○"), S(" ○"));
}

TEST(ForecastTest, LoaderPutsTheMarksOnTheirRaces)
{
    DayFolder folder;
    folder.writeData(".jvRA", {RaLine("05", 1, "1005", 3), RaLine("05", 12, "1540", 18), RaLine("06", 1, "1010", 2)});
    const std::string fi =
        Text(FiPage("2024年01月06日", {Venue("中山"), FiRace("１R", {"◎", "○", "▲"}), Venue("東京"),
                                       FiRace("12R", std::vector<std::string>(18, "△")), FiRace("１R", {"", "◎"})}));
    const std::string tf =
        Text(Join({{S("■2024年01月06日 東京")}, TfBlock("１R", {{"◎", "○", "▲"}, {"○", "▲", "◎"}, {"▲", "◎", "○"}})}));
    auto yes = [](const std::string&) { return true; };
    ASSERT_EQ(ImportForecast(ForecastKind::FI, fi, folder.app(), yes).status, Status::Saved);
    ASSERT_EQ(ImportForecast(ForecastKind::TF, tf, folder.app(), yes).status, Status::Saved);

    RaceDay day;
    ASSERT_TRUE(DateComboChange(day, kDay, folder.options(), OtherDayClock()).loaded);
    // Slots follow the RA file: 東京 1R, 東京 12R, 中山 1R.
    const auto& tokyo1 = day.RaceRecs[0];
    EXPECT_EQ(tokyo1.FiMark[1], "  ");
    EXPECT_EQ(tokyo1.FiMark[2], S("◎"));
    EXPECT_EQ(tokyo1.TfMark[1][1], S("◎"));
    EXPECT_EQ(tokyo1.TfMark[2][1], S("○"));
    EXPECT_EQ(tokyo1.TfMark[3][3], S("○"));
    EXPECT_EQ(tokyo1.FiMark[4], ""); // beyond the race's three runners
    EXPECT_EQ(day.RaceRecs[1].FiMark[18], S("△"));
    EXPECT_EQ(day.RaceRecs[1].TfMark[1][1], "");
    EXPECT_EQ(day.RaceRecs[2].FiMark[1], S("◎"));
    EXPECT_EQ(day.RaceRecs[2].FiMark[2], S("○"));
    EXPECT_EQ(day.RaceRecs[2].TfMark[1][1], "");
}

// A generated day, imported into the store, with its sibling files: the compi files and the paste texts.
class GeneratedForecastTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder_ = new DayFolder;
        feedgen::FeedOptions fo;
        fo.out = feed();
        fo.from = fo.to = DateTime{2024, 6, 1};
        fo.now = DateTime{2024, 6, 10, 12, 0, 0};
        fo.seed = 5;
        fo.rtDays = 0;
        std::string error;
        ASSERT_TRUE(feedgen::GenerateFeed(fo, nullptr, &error)) << error;
        ManualClock clock(fo.now);
        LocalJVLinkOptions lo;
        lo.downloadTime = std::chrono::milliseconds(0);
        LocalJVLink link(feed(), clock, lo);
        ASSERT_EQ(link.JVInit("SOLVANE"), 0);
        ASSERT_FALSE(ImportInto(link, folder_->data(), DateTime{2024, 5, 25}).error);
    }
    static void TearDownTestSuite()
    {
        delete folder_;
        folder_ = nullptr;
    }
    static std::filesystem::path feed() { return folder_->app() / "feed"; }

    // Loads the day with the settings file of the application folder, as the window does.
    RaceDay load(SettingsFile& settings)
    {
        RaceDay day;
        const DayLoadResult r =
            DateComboChange(day, "2024年06月01日", LoadOptionsFrom(settings, folder_->app()), OtherDayClock());
        EXPECT_TRUE(r.loaded) << r.notes.error;
        return day;
    }

    static DayFolder* folder_;
};

DayFolder* GeneratedForecastTest::folder_ = nullptr;

TEST_F(GeneratedForecastTest, CompiFilesOfTheHarunireFolderLoadIntoTheirRaces)
{
    SettingsFile settings(folder_->app() / "solvane.ini");
    ASSERT_TRUE(settings.set(keys::Harunire, pathToUtf8(feed() / "harunire")));
    const RaceDay day = load(settings);
    ASSERT_GE(day.RaceList.size(), 12u);
    for (const RaceListItem& item : day.RaceList) {
        SCOPED_TRACE(item.text);
        const std::string_view ra = day.RaRecs[static_cast<std::size_t>(item.slot)];
        const int race = FieldInt(ra, 26, 2);
        const auto comp = readFile(feed() / "harunire" / "DATA" /
                                   pathFromUtf8("2024年06月01日" + fromSjis(TrackName(field(ra, 20, 2))) + ".comp"));
        ASSERT_TRUE(comp);
        const std::string line = splitLines(*comp).at(static_cast<std::size_t>(race - 1));
        ASSERT_EQ(field(line, 9, 4), TrackName(field(ra, 20, 2)));
        const TOutData& t = day.RaceRecs[static_cast<std::size_t>(item.slot)];
        const int n = FieldInt(ra, 882, 2);
        for (int J = 1; J <= n; ++J) {
            const int horse = FieldInt(line, static_cast<std::size_t>(J * 4 + 11), 2);
            ASSERT_GE(horse, 1);
            EXPECT_EQ(t.CompiIndex[static_cast<std::size_t>(horse)], FieldInt(line, J * 4 + 13, 2));
            EXPECT_EQ(t.CompiRank[static_cast<std::size_t>(horse)], J);
        }
    }

    // Without the setting the compi files are looked for in our own Data folder, where there are none.
    SettingsFile none(folder_->app() / "none.ini");
    ASSERT_TRUE(none.set(keys::Harunire, pathToUtf8(folder_->app() / "nowhere")));
    const RaceDay bare = load(none);
    EXPECT_EQ(bare.RaceRecs[0].CompiIndex, PerHorse<int>{});
}

TEST_F(GeneratedForecastTest, GeneratedPasteTextsImportIntoEveryRace)
{
    SettingsFile settings(folder_->app() / "solvane.ini");
    auto yes = [](const std::string&) { return true; };
    for (const auto& [kind, name] :
         {std::pair{ForecastKind::FI, "20240601.fi.txt"}, {ForecastKind::TF, "20240601.tf.txt"}}) {
        const auto text = readFile(feed() / "paste" / name);
        ASSERT_TRUE(text) << name;
        const ForecastOutcome done = ImportForecast(kind, ForecastTextToSjis(*text), folder_->app(), yes);
        EXPECT_EQ(done.status, Status::Saved) << done.message;
    }
    const RaceDay day = load(settings);
    ASSERT_GE(day.RaceList.size(), 12u);
    const std::string top = S("◎");
    for (const RaceListItem& item : day.RaceList) {
        SCOPED_TRACE(item.text);
        const TOutData& t = day.RaceRecs[static_cast<std::size_t>(item.slot)];
        const int n = FieldInt(day.RaRecs[static_cast<std::size_t>(item.slot)], 882, 2);
        // Every runner has a mark ("□" when unmarked) and each list has exactly one ◎.
        for (const auto* marks : {&t.FiMark, &t.TfMark[1], &t.TfMark[2], &t.TfMark[3]}) {
            EXPECT_EQ(std::count(marks->begin(), marks->end(), top), 1);
            for (int h = 1; h <= n; ++h)
                EXPECT_EQ(sjisWidth(fromSjis((*marks)[static_cast<std::size_t>(h)])), 2u);
            EXPECT_EQ(std::count(marks->begin() + 1, marks->begin() + 1 + n, "  "), 0);
        }
    }
}

} // namespace
} // namespace solvane::test
