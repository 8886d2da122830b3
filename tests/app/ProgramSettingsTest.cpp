// Settings read into the options that the windows and solvane-cli share: the import's starting
// choices and the bet table's allocation and multi boxes.
#include "app/ImportSettings.h"
#include "app/KaimeSettings.h"
#include "app/SettingsKeys.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace solvane;

namespace {

class ProgramSettingsTest : public ::testing::Test {
protected:
    SettingsFile open() { return SettingsFile(dir / "solvane.ini", SettingsDefaults{dir.path(), {}}); }

    test::TempDir dir;
    const DateTime now{2024, 3, 1, 9, 30, 15};
};

} // namespace

TEST_F(ProgramSettingsTest, ImportStartsAtTheLastImportOrAYearBackWithSetupData)
{
    struct Case {
        const char* lastTime; // [JvDataGet] LastTime, or nullptr for none
        DateTime start;
        bool setupData;
    };
    const Case cases[] = {
        {nullptr, DateTime{2023, 3, 2, 9, 30, 15}, true}, // 365 days back over a leap day
        {"20240106123456", DateTime{2024, 1, 6, 12, 34, 56}, false},
        {"", DateTime{2023, 3, 2, 9, 30, 15}, true},
        {"前回", DateTime{2023, 3, 2, 9, 30, 15}, true}, // unreadable: as if never imported
    };
    for (const Case& c : cases) {
        SettingsFile settings = open();
        if (c.lastTime) {
            ASSERT_TRUE(settings.set(keys::LastTime, c.lastTime));
        }
        const ImportDefaults d = ImportDefaultsFrom(settings, now);
        const std::string label = c.lastTime ? c.lastTime : "(none)";
        EXPECT_EQ(d.start, c.start) << label;
        EXPECT_EQ(d.setupData, c.setupData) << label;
    }
}

TEST_F(ProgramSettingsTest, ImportFinalOddsFollowTheStoredBox)
{
    SettingsFile settings = open();
    EXPECT_TRUE(ImportDefaultsFrom(settings, now).finalOdds); // on until switched off
    ASSERT_TRUE(settings.set(keys::KakuteiOzGet, false));
    EXPECT_FALSE(ImportDefaultsFrom(settings, now).finalOdds);
}

TEST_F(ProgramSettingsTest, AllocationModeFromTheStoredChoice)
{
    struct Case {
        const char* stored; // the HaibunSet line's value, or nullptr for none
        HaibunMode mode;
    };
    const Case cases[] = {
        {nullptr, HaibunMode::Kinto}, {"0", HaibunMode::Kinto}, {"1", HaibunMode::Hirei},  {"2", HaibunMode::Kinitsu},
        {"3", HaibunMode::Kihai},     {"9", HaibunMode::Kihai}, {"-4", HaibunMode::Kinto}, {"x", HaibunMode::Kinto},
    };
    for (const Case& c : cases) {
        SettingsFile settings = open();
        if (c.stored) {
            ASSERT_TRUE(settings.writeText(keys::HaibunSet.section, keys::HaibunSet.key, c.stored));
        }
        EXPECT_EQ(HaibunModeFrom(settings), c.mode) << (c.stored ? c.stored : "(none)");
    }
}

TEST_F(ProgramSettingsTest, MultiBoxesEachFromItsOwnKey)
{
    SettingsFile settings = open();
    MultiOptions m = MultiOptionsFrom(settings);
    EXPECT_TRUE(m.multi); // マルチ alone is on by default
    EXPECT_FALSE(m.multi12 || m.multi23 || m.multi13);

    ASSERT_TRUE(settings.set(keys::CheckMulti, false));
    ASSERT_TRUE(settings.set(keys::CheckMulti23, true));
    m = MultiOptionsFrom(settings);
    EXPECT_FALSE(m.multi);
    EXPECT_FALSE(m.multi12);
    EXPECT_TRUE(m.multi23);
    EXPECT_FALSE(m.multi13);
}
