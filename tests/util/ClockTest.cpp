#include "util/Clock.h"

#include <gtest/gtest.h>

using namespace solvane;

TEST(DateTime, ParsesTheFormsTheProgramWritesAndRejectsBadDates)
{
    const auto t = DateTime::parse("2024/02/29 23:59:58");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->ymdHms(), "2024/02/29 23:59:58");
    EXPECT_EQ(DateTime::parse("2024-01-06 09:05:00")->yyyymmddhhnnss(), "20240106090500");
    EXPECT_EQ(DateTime::parse("20240106")->ymdHms(), "2024/01/06 00:00:00");
    for (const char* bad : {"2023/02/29", "20241301", "2024/01/06 24:00:00", "2024/1/6", "", "abc"})
        EXPECT_FALSE(DateTime::parse(bad)) << bad;
}

TEST(DateTime, ArithmeticCrossesDaysAndYears)
{
    const DateTime t{2023, 12, 31, 23, 59, 30};
    EXPECT_EQ(t.addSeconds(45).ymdHms(), "2024/01/01 00:00:15");
    EXPECT_EQ(t.addDays(-365).ymdHms(), "2022/12/31 23:59:30");
    EXPECT_EQ((DateTime{2024, 1, 6}).weekday(), 6); // a Saturday
    EXPECT_EQ((DateTime{1969, 12, 28}).weekday(), 0);
    EXPECT_EQ(DateTime::fromSeconds(DateTime{1960, 3, 1, 1, 2, 3}.toSeconds()).ymdHms(), "1960/03/01 01:02:03");
}

TEST(Clock, ManualClockMovesOnlyWhenTold)
{
    ManualClock clock(DateTime{2024, 1, 6, 9, 0, 0});
    EXPECT_EQ(clock.now().hhnnss(), "090000");
    clock.advance(61);
    EXPECT_EQ(clock.now().hh_nn_ss(), "09:01:01");
}

TEST(Clock, ShiftedClockStartsAtItsTimeAndRunsWithItsBase)
{
    // An evening on the machine, a race-day morning on the program's clock.
    ManualClock machine(DateTime{2026, 12, 10, 22, 35, 17});
    const ShiftedClock clock(DateTime{2026, 12, 10, 9, 8, 0}, machine);
    EXPECT_EQ(clock.now().ymdHms(), "2026/12/10 09:08:00");
    machine.advance(125);
    EXPECT_EQ(clock.now().ymdHms(), "2026/12/10 09:10:05");
    // The machine passing midnight does not move the simulated day.
    machine.set(DateTime{2026, 12, 11, 0, 0, 17});
    EXPECT_EQ(clock.now().ymdHms(), "2026/12/10 10:33:00");
}
