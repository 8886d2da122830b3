#include "store/Store.h"

#include "store/DayFileCache.h"

#include "Records.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <gtest/gtest.h>

namespace solvane {
namespace {

using test::Rec;
using test::TempDir;

std::string u8(std::string_view sjis)
{
    return fromSjis(sjis);
}

std::vector<std::string> fileLines(const fs::path& path)
{
    auto bytes = readFile(path);
    return bytes ? splitLines(*bytes) : std::vector<std::string>{};
}

TEST(StoreNames, DayNameIsFourteenShiftJisBytes)
{
    const std::string rec = Rec().d("20240106").str();
    EXPECT_EQ(DayName(rec), toSjis("2024年01月06日"));
    EXPECT_EQ(DayName(rec).size(), 14u);
}

TEST(StoreNames, FileNamesByKind)
{
    struct Case {
        StoreKind kind;
        const char* type;
        const char* name;
    } cases[] = {
        {StoreKind::RA, "RA", "2024年01月06日.jvRA"}, {StoreKind::SE, "SE", "2024年01月06日中山.jvSEr"},
        {StoreKind::HR, "HR", "2024年01月06日.jvHR"}, {StoreKind::WF, "WF", "2024年01月06日.jvWF"},
        {StoreKind::TM, "TM", "2024年01月06日.jvTM"}, {StoreKind::DM, "DM", "2024年01月06日.jvDM"},
        {StoreKind::O1, "O1", "2024年01月06日.jvO1"}, {StoreKind::O6, "O6", "2024年01月06日.jvO6"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(u8(StoreFileName(c.kind, Rec().t(c.type).str())), c.name) << c.type;
        EXPECT_EQ(storeKindOfType(c.type), c.kind);
    }
    EXPECT_FALSE(storeKindOfType("WE"));
}

TEST(StoreNames, DataFolderFoundIgnoringCase)
{
    TempDir dir;
    fs::create_directory(dir / "DATA");
    EXPECT_EQ(StoreFolder(dir.path()), dir / "DATA");
    const std::string rec = Rec().str();
    writeFileAtomic(dir / "DATA" / pathFromUtf8("2024年01月06日.JVRA"), "x\r\n");
    EXPECT_EQ(StoreFilePath(dir / "DATA", StoreKind::RA, rec), dir / "DATA" / pathFromUtf8("2024年01月06日.JVRA"));
}

TEST(SlotRule, RunnerOfRace3Horse5LandsAtIndex40OfANewFile)
{
    TempDir dir;
    const fs::path file = dir / "runners.jvSEr";
    const std::string rec = Rec().t("SE").r(3).h(5).str();
    ASSERT_TRUE(SlotFile(file, rec));
    const auto lines = fileLines(file);
    ASSERT_EQ(lines.size(), 216u);
    EXPECT_EQ(lines[40], StoredLine(rec));
    int blanks = 0;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (i != 40 && lines[i] == std::string(553, ' '))
            ++blanks;
    EXPECT_EQ(blanks, 215);
    EXPECT_EQ(readFile(file)->size(), 216u * 555u);
}

TEST(SlotRule, SlotIndexFormula)
{
    struct Case {
        int race, horse;
        std::optional<int> index;
    } cases[] = {{1, 1, 0}, {3, 5, 40}, {12, 18, 215}, {0, 1, {}}, {13, 1, {}}, {1, 0, {}}, {1, 19, {}}};
    for (const auto& c : cases)
        EXPECT_EQ(SlotIndex(c.race, c.horse), c.index) << c.race << "/" << c.horse;
}

TEST(SlotRule, ExistingFileKeepsOtherSlotsAndShortFilesAreFilledUp)
{
    TempDir dir;
    const fs::path file = dir / "runners.jvSEr";
    ASSERT_TRUE(SlotFile(file, Rec().t("SE").r(1).h(1).str()));
    ASSERT_TRUE(SlotFile(file, Rec().t("SE").r(12).h(18).str()));
    auto lines = fileLines(file);
    EXPECT_EQ(lines[0].substr(0, 2), "SE");
    EXPECT_EQ(lines[215].substr(0, 2), "SE");

    // A damaged file of three lines is filled up to 216 slots; what it held stays.
    writeFileAtomic(file, "garbage\r\nmore\r\nend");
    ASSERT_TRUE(SlotFile(file, Rec().t("SE").r(2).h(1).str()));
    lines = fileLines(file);
    ASSERT_EQ(lines.size(), 216u);
    EXPECT_EQ(lines[0], "garbage");
    EXPECT_EQ(lines[3], std::string(553, ' '));
    EXPECT_EQ(lines[18].substr(0, 2), "SE");
}

TEST(KeyedRule, SameKeyReplacesAndFileStaysSorted)
{
    TempDir dir;
    const fs::path file = dir / "day.jvRA";
    ASSERT_TRUE(KeyedFile(file, Rec().r(11).mark("first").str()));
    ASSERT_TRUE(KeyedFile(file, Rec().r(2).str()));
    ASSERT_TRUE(KeyedFile(file, Rec().r(11).mark("second").str()));
    ASSERT_TRUE(KeyedFile(file, Rec().r(5).trk("05").str()));
    const auto lines = fileLines(file);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(19, 8), "05010205");
    EXPECT_EQ(lines[1].substr(19, 8), "06010202");
    EXPECT_EQ(lines[2].substr(19, 8), "06010211");
    EXPECT_EQ(lines[2].substr(99, 6), "second");
}

// A record stored from a newer delivery (a results fetch) is never replaced by an older one of its key (a
// re-import from an earlier start), by every path that stores: runner slots, keyed files with the header
// kept or normalised away, and the held day files of the import.
TEST(StoreRule, ARecordNeverGivesWayToAnOlderOneOfItsKey)
{
    const struct {
        const char* stored; // data kind + creation date of the stored line
        const char* coming;
        bool replaced;
    } cases[] = {
        {"520240106", "220240105", false}, // the card of the day before after the day's results
        {"520240106", "720240108", true},  // Monday's results after the day's
        {"520240106", "420240106", false}, // same day, earlier kind
        {"520240106", "520240106", true},  // the same delivery again
        {"520240106", "020240106", true},  // a deletion comes last
        {"520240106", "920240106", true},  // and a cancellation after the results of that day
        {"000000000", "120240101", true},  // a normalised line tells nothing
        {"52024x106", "120240101", true},  // nor does a garbled date
        {"520240106", "1        ", true},  // nor a coming record without its date
    };
    auto rec = [](const char* type, std::string_view header, const char* mark) {
        Rec r;
        r.t(type).k(std::string(header.substr(0, 1))).mark(mark);
        r.made = std::string(header.substr(1));
        return r.str();
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.stored) + " <- " + c.coming);
        TempDir dir;
        const fs::path se = dir / "day.jvSEr", hr = dir / "day.jvHR", o1 = dir / "day.jvO1";
        ASSERT_TRUE(SlotFile(se, rec("SE", c.stored, "stored")));
        ASSERT_TRUE(SlotFile(se, rec("SE", c.coming, "coming")));
        EXPECT_EQ(fileLines(se)[184].substr(99, 6), c.replaced ? "coming" : "stored");

        ASSERT_TRUE(KeyedFile(hr, rec("HR", c.stored, "stored"), false));
        ASSERT_TRUE(KeyedFile(hr, rec("HR", c.coming, "coming"), false));
        ASSERT_EQ(fileLines(hr).size(), 1u);
        EXPECT_EQ(fileLines(hr)[0].substr(99, 6), c.replaced ? "coming" : "stored");

        // Odds are stored normalised: the header the record came with is compared instead.
        ASSERT_TRUE(KeyedFile(o1, rec("O1", c.stored, "stored")));
        const std::string coming = rec("O1", c.coming, "coming");
        ASSERT_TRUE(KeyedFile(o1, NormaliseRecord(coming), true, nullptr, DeliveryOf(coming)));
        EXPECT_EQ(fileLines(o1)[0].substr(99, 6), c.replaced ? "coming" : "stored");

        // The import's held files: the payout line normalised, its header kept beside it.
        fs::create_directories(dir / "Data");
        const fs::path held = dir / "Data" / pathFromUtf8("2024年01月06日.jvHR");
        ASSERT_TRUE(KeyedFile(held, rec("HR", c.stored, "stored"), false));
        DayFileCache cache(dir / "Data");
        const std::string imported = rec("HR", c.coming, "coming");
        cache.put(PlanBulkStore(imported, BulkStoreRules{}));
        ASSERT_TRUE(cache.flush());
        ASSERT_EQ(fileLines(held).size(), 1u);
        EXPECT_EQ(fileLines(held)[0].substr(99, 6), c.replaced ? "coming" : "stored");
    }
}

TEST(KeyedRule, BlankFirstLineIsDroppedExceptForPayouts)
{
    TempDir dir;
    const std::string old = "   \r\n" + std::string(StoredLine(Rec().t("HR").r(1).str())) + "\r\n";
    struct Case {
        bool dropBlank;
        std::size_t lines;
    } cases[] = {{true, 2}, {false, 3}};
    for (const auto& c : cases) {
        const fs::path file = dir / (c.dropBlank ? "a" : "b");
        writeFileAtomic(file, old);
        ASSERT_TRUE(KeyedFile(file, Rec().t("HR").r(2).str(), c.dropBlank));
        const auto lines = fileLines(file);
        ASSERT_EQ(lines.size(), c.lines);
        EXPECT_EQ(lines.front() == "   ", !c.dropBlank);
    }
}

TEST(KeyedRule, LineOrderIgnoresAsciiCaseButNotDoubleByteCharacters)
{
    struct Case {
        std::string a, b;
        bool less;
    } cases[] = {
        {"a", "B", true},               // folded: a < b
        {"B", "a", false},              //
        {"A", "a", true},               // equal ignoring case: raw bytes decide, the same way every time
        {"a", "A", false},              //
        {"ab", "AB", false},            //
        {"\x83\x41", "\x83\x61", true}, // trail bytes 'A' and 'a' are not letters: ア before ャ
        {"\x83\x61", "\x83\x41", false},
        {"", " ", true}, // shorter first
        {"RA0", "ra1", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StoreLineLess(c.a, c.b), c.less) << c.a << " vs " << c.b;
}

TEST(KeyedRule, NormalisedLineIsTypeNineZerosAndRaLength)
{
    const std::string line = NormaliseRecord(StoredLine(Rec().k("7").str()));
    EXPECT_EQ(line.substr(0, 11), "RA000000000");
    EXPECT_EQ(line.size(), 1270u);
    EXPECT_EQ(line.substr(11, 8), "20240106");
}

TEST(KeyedRule, GarbledExistingFileIsKeptAsOpaqueLines)
{
    TempDir dir;
    const fs::path file = dir / "day.jvTM";
    std::string junk = "\x01\x02\xff binary";
    junk += '\0';
    junk += "x\r\nshort\nRA\r\n\r\n";
    writeFileAtomic(file, junk);
    ASSERT_TRUE(KeyedFile(file, Rec().t("TM").r(3).str()));
    auto lines = fileLines(file);
    // The empty line sorted first is dropped; the other lines stay, sorted with the new record.
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].substr(0, 3), "\x01\x02\xff");
    EXPECT_EQ(lines[1], "RA");
    EXPECT_EQ(lines[2], "short"); // "short" folds below "tm"
    EXPECT_EQ(lines[3].substr(0, 2), "TM");
}

TEST(StoreNames, RecordWithoutADateNamesNoFile)
{
    TempDir dir;
    const std::string rec = Rec().t("DM").d("../../x1").str();
    const fs::path path = StoreFilePath(dir.path(), StoreKind::DM, rec);
    EXPECT_TRUE(path.empty());
    std::string error;
    EXPECT_FALSE(KeyedFile(path, rec, true, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(KeyedRule, RecordWithLineBreakInsideIsRefused)
{
    TempDir dir;
    std::string rec = Rec().t("TM").str();
    rec[50] = '\n';
    std::string error;
    EXPECT_FALSE(KeyedFile(dir / "f", rec, true, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(dir / "f"));
}

TEST(KeyedRule, HeldFileLinesSplitLikeTheLoadedFile)
{
    // The held day files split a loaded file into views; they must see the lines splitLines sees.
    for (std::string_view text : {"", "a", "a\r\n", "a\nb", "a\r\r\nb\r\n", "\r\n\r\n", "\n", "x\ry\n", "a\r"}) {
        const auto views = SplitStoreLines(text);
        EXPECT_EQ(std::vector<std::string>(views.begin(), views.end()), splitLines(text)) << text;
        std::string joined;
        JoinStoreLines(views, joined);
        EXPECT_EQ(joined, joinLinesCrlf(splitLines(text)));
    }
}

TEST(StoreWrite, FailureIsReportedWithTheReasonAndTheOldFileStays)
{
    TempDir dir;
    const std::string rec = Rec().t("HR").str();
    std::string error;
    // The folder is missing.
    EXPECT_FALSE(KeyedFile(dir / "Data" / "x.jvHR", rec, false, &error));
    EXPECT_NE(error.find("データファイルを保存できません"), std::string::npos) << error;
#ifndef _WIN32 // the system's own words differ by system and language
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
#endif

    // A folder stands where the file should be: it can be neither read nor replaced.
    fs::create_directories(dir / "blocked.jvRA");
    error.clear();
    EXPECT_FALSE(KeyedFile(dir / "blocked.jvRA", Rec().str(), true, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::is_directory(dir / "blocked.jvRA"));

    // The one-record file has nothing to read first, so the failure is in the write.
    error.clear();
    EXPECT_FALSE(OneRecordFile(dir / "blocked.jvRA", Rec().t("WF").str(), &error));
    EXPECT_NE(error.find("データファイルを保存できません"), std::string::npos) << error;
}

// A fetch's records go through StoreFiles: nothing is written before the commit, each file then holds
// what the one-record rules would have left, and the commit counts only the records of the files it
// replaced and says why of the others.
TEST(StoreWrite, StoreFilesWriteWhatTheOneRecordRulesWouldAndCountWhatWasSaved)
{
    TempDir batched, single;
    const std::string records[] = {Rec().r(11).mark("first").str(), Rec().r(2).str(), Rec().r(11).mark("second").str()};
    const std::string runner = Rec().t("SE").r(1).h(1).str();
    StoreFiles files;
    std::string error;
    for (const std::string& rec : records) {
        ASSERT_TRUE(KeyedFile(files, batched / "day.jvRA", rec, true, &error)) << error;
        ASSERT_TRUE(KeyedFile(single / "day.jvRA", rec, true, &error)) << error;
    }
    ASSERT_TRUE(SlotFile(files, batched / "day.jvSEr", runner, &error)) << error;
    ASSERT_TRUE(SlotFile(single / "day.jvSEr", runner, &error)) << error;
    ASSERT_TRUE(KeyedFile(files, batched / "Data" / "x.jvHR", Rec().t("HR").str(), false, &error)); // no folder
    EXPECT_FALSE(fs::exists(batched / "day.jvRA")) << "written at the commit";

    const StoreFiles::Committed committed = files.commit();
    EXPECT_EQ(committed.records, 4);
    ASSERT_EQ(committed.errors.size(), 1u);
    EXPECT_TRUE(committed.errors[0].starts_with("データファイルを保存できません（")) << committed.errors[0];
    for (const char* name : {"day.jvRA", "day.jvSEr"})
        EXPECT_EQ(readFile(batched / name), readFile(single / name)) << name;
}

TEST(StoredDays, NewestFirstFromRaFileNames)
{
    TempDir dir;
    for (const char* name : {"2024年01月06日.jvRA", "2024年01月07日.JVRA", "2023年12月28日.jvRA", "2024年01月08日.jvHR",
                             "junk.jvRA", "2024年01月06日中山.jvSEr", "2024年02月0X日.jvRA"})
        writeFileAtomic(dir / name, "");
    std::vector<std::string> days;
    for (const auto& d : ListStoredDays(dir.path()))
        days.push_back(u8(d));
    EXPECT_EQ(days, (std::vector<std::string>{"2024年01月07日", "2024年01月06日", "2023年12月28日"}));
    EXPECT_TRUE(ListStoredDays(dir / "missing").empty());
}

} // namespace
} // namespace solvane
