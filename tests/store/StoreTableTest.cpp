#include "store/StoreRecord.h"

#include "Records.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <gtest/gtest.h>

namespace solvane {
namespace {

using test::Rec;
using V = StorePlan::Verdict;

constexpr long long Jan5 = 20240105;
constexpr long long Jan25 = 20240125;

struct Row {
    const char* what;
    std::string rec;
    long long fromDate;
    bool oz;
    V verdict;
    const char* file; // UTF-8 name when stored
    bool normalised = false;
};

std::string withLineBreak()
{
    std::string rec = Rec().t("TM").str();
    rec[60] = '\n';
    return rec;
}

TEST(StoringTable, EveryRow)
{
    const Row rows[] = {
        // RA: kind, date bound, race number, registered runners.
        {"RA stored, normalised", Rec().d("20240106"), Jan5, true, V::Store, "2024年01月06日.jvRA", true},
        {"RA kind A", Rec().k("A"), Jan5, true, V::Skip, ""},
        {"RA kind B", Rec().k("B"), Jan5, true, V::Skip, ""},
        {"RA 0 runners", Rec().n(0), Jan5, true, V::Skip, ""},
        {"RA 19 runners", Rec().n(19), Jan5, true, V::Skip, ""},
        {"RA 1 runner", Rec().n(1), Jan5, true, V::Store, "2024年01月06日.jvRA", true},
        {"RA 18 runners", Rec().n(18), Jan5, true, V::Store, "2024年01月06日.jvRA", true},
        {"RA race 0", Rec().r(0), Jan5, true, V::Skip, ""},
        {"RA 31 Dec, start 5 Jan", Rec().d("20231231"), Jan5, true, V::Skip, ""},
        {"RA 1 Jan, start 5 Jan", Rec().d("20240101"), Jan5, true, V::Store, "2024年01月01日.jvRA", true},
        {"RA 31 Jan, start 5 Jan", Rec().d("20240131"), Jan5, true, V::Store, "2024年01月31日.jvRA", true},
        {"RA 15 Jan, start 25 Jan", Rec().d("20240115"), Jan25, true, V::Store, "2024年01月15日.jvRA", true},
        {"RA 14 Jan, start 25 Jan", Rec().d("20240114"), Jan25, true, V::Skip, ""},
        // SE: race 1-12, horse 1-18, kind, date bound; not normalised.
        {"SE stored as is", Rec().t("SE").r(3).h(5), Jan5, true, V::Store, "2024年01月06日中山.jvSEr"},
        {"SE race 13", Rec().t("SE").r(13), Jan5, true, V::Skip, ""},
        {"SE race 0", Rec().t("SE").r(0), Jan5, true, V::Skip, ""},
        {"SE horse 0", Rec().t("SE").h(0), Jan5, true, V::Skip, ""},
        {"SE horse 19", Rec().t("SE").h(19), Jan5, true, V::Skip, ""},
        {"SE kind A", Rec().t("SE").k("A"), Jan5, true, V::Skip, ""},
        {"SE 31 Dec, start 5 Jan", Rec().t("SE").d("20231231"), Jan5, true, V::Skip, ""},
        // HR: date bound, race number.
        {"HR stored, normalised", Rec().t("HR"), Jan5, true, V::Store, "2024年01月06日.jvHR", true},
        {"HR race 0", Rec().t("HR").r(0), Jan5, true, V::Skip, ""},
        {"HR 31 Dec, start 5 Jan", Rec().t("HR").d("20231231"), Jan5, true, V::Skip, ""},
        // WF: kind, day of month; no date bound.
        {"WF stored as is", Rec().t("WF").k("3"), Jan5, true, V::Store, "2024年01月06日.jvWF"},
        {"WF kind 9", Rec().t("WF").k("9"), Jan5, true, V::Skip, ""},
        {"WF kind 0", Rec().t("WF").k("0"), Jan5, true, V::Skip, ""},
        {"WF day 00", Rec().t("WF").d("20240100"), Jan5, true, V::Skip, ""},
        {"WF old date", Rec().t("WF").d("20231231"), Jan5, true, V::Store, "2023年12月31日.jvWF"},
        // TM: race number only.
        {"TM stored, normalised", Rec().t("TM"), Jan5, true, V::Store, "2024年01月06日.jvTM", true},
        {"TM race 0", Rec().t("TM").r(0), Jan5, true, V::Skip, ""},
        {"TM old date", Rec().t("TM").d("20231231"), Jan5, true, V::Store, "2023年12月31日.jvTM", true},
        // Final odds: only when asked for, kind, race number.
        {"O1 stored, normalised", Rec().t("O1").k("4"), Jan5, true, V::Store, "2024年01月06日.jvO1", true},
        {"O1 odds unchecked", Rec().t("O1").k("4"), Jan5, false, V::Skip, ""},
        {"O6 kind 9", Rec().t("O6").k("9"), Jan5, true, V::Skip, ""},
        {"O6 kind 0", Rec().t("O6").k("0"), Jan5, true, V::Skip, ""},
        {"O6 stored", Rec().t("O6").k("4"), Jan5, true, V::Store, "2024年01月06日.jvO6", true},
        {"O6 odds unchecked", Rec().t("O6").k("4"), Jan5, false, V::Skip, ""},
        {"O3 race 0", Rec().t("O3").k("4").r(0), Jan5, true, V::Skip, ""},
        // Types the import does not keep.
        {"DM", Rec().t("DM"), Jan5, true, V::Skip, ""},
        {"WE", Rec().t("WE"), Jan5, true, V::Skip, ""},
        {"unknown", Rec().t("ZZ"), Jan5, true, V::Skip, ""},
        // Records the store cannot take.
        {"RA too short for its key", Rec().len(20), Jan5, true, V::Reject, ""},
        {"SE without horse number", Rec().t("SE").len(30), Jan5, true, V::Reject, ""},
        {"TM date not digits", Rec().t("TM").d("2024/1/6"), Jan5, true, V::Reject, ""},
        {"TM date naming another folder", Rec().t("TM").d("../../x1"), Jan5, true, V::Reject, ""},
        {"TM with a line break inside", withLineBreak(), Jan5, true, V::Reject, ""},
        // Wrong length but long enough for every position read: stored as it came.
        {"TM too long", Rec().t("TM").len(200), Jan5, true, V::Store, "2024年01月06日.jvTM", true},
        {"SE cut short after the name", Rec().t("SE").len(80), Jan5, true, V::Store, "2024年01月06日中山.jvSEr"},
        {"RA without CR LF", std::string(StoredLine(Rec().str())), Jan5, true, V::Store, "2024年01月06日.jvRA", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const StorePlan plan = PlanBulkStore(row.rec, BulkStoreRules{row.fromDate, row.oz});
        ASSERT_EQ(plan.verdict, row.verdict);
        if (row.verdict == V::Reject) {
            EXPECT_FALSE(plan.message.empty());
        }
        if (row.verdict != V::Store)
            continue;
        EXPECT_EQ(fromSjis(plan.fileName), row.file);
        const std::string_view original = StoredLine(row.rec);
        ASSERT_EQ(plan.line.size(), original.size());
        if (row.normalised) {
            EXPECT_EQ(plan.line.substr(2, 9), "000000000");
            EXPECT_EQ(plan.line.substr(11), original.substr(11));
        } else {
            EXPECT_EQ(plan.line, original);
        }
    }
}

TEST(StoringTable, FromDateIsTheStartDateAsAnInteger)
{
    EXPECT_EQ(FromDateOf("20240105093000"), 20240105);
    EXPECT_EQ(FromDateOf(""), 0);
}

TEST(StoringTable, LabelsAfterStoring)
{
    struct Case {
        std::string rec;
        const char* label; // nullptr: unchanged
    } cases[] = {
        {Rec().r(11), "開催:2024年01月06日中山11R"},
        {Rec().t("SE").r(3).h(5), "馬毎:中山03R/⑤テストホース"},
        {Rec().t("HR").trk("05").r(1), "払戻:2024年01月06日東京01R"},
        {Rec().t("WF").k("1").trk("  ").r(0), "WIN5:2024年01月06日    00R"},
        {Rec().t("TM"), nullptr},
        {Rec().t("O1").k("4").r(2), "単勝確定ｵｯｽﾞ:02R/2024年01月06日.jvO1"},
        {Rec().t("O6").k("4"), "3連単確定ｵｯｽﾞ:11R/2024年01月06日.jvO6"},
    };
    for (const auto& c : cases) {
        const StorePlan plan = PlanBulkStore(c.rec, BulkStoreRules{Jan5, true});
        ASSERT_EQ(plan.verdict, V::Store) << c.rec.substr(0, 2);
        if (!c.label) {
            EXPECT_FALSE(plan.label);
            continue;
        }
        ASSERT_TRUE(plan.label);
        // The horse name field is 36 bytes padded with blanks.
        EXPECT_EQ(std::string(trim(fromSjis(*plan.label))), c.label);
    }
}

TEST(StoringTable, PlannedRecordStoredByLoadChangeSave)
{
    test::TempDir dir;
    const std::string rec = Rec().t("SE").r(3).h(5);
    const StorePlan plan = PlanBulkStore(rec, BulkStoreRules{Jan5, true});
    ASSERT_TRUE(StorePlannedRecord(dir.path(), plan));
    const auto bytes = readFile(dir / "2024年01月06日中山.jvSEr");
    ASSERT_TRUE(bytes);
    EXPECT_EQ(splitLines(*bytes)[40], StoredLine(rec));
}

} // namespace
} // namespace solvane
