// Small builders for race-day tests: records made by placing fields at byte positions in a blank line
// of the record's stored length, and a temporary application folder with a Data folder to write a
// day's store files into.
#pragma once

#include "raceday/DayLoader.h"
#include "raceday/RaceDay.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace solvane::test {

// A stored line (record without CR LF) of a record type, blank but for its type.
class Line {
public:
    Line(std::string_view type, std::size_t recordLength) : text_(recordLength - 2, ' ') { at(1, type); }
    // Places text at the 1-based byte position.
    Line& at(std::size_t pos, std::string_view text)
    {
        text_.replace(pos - 1, text.size(), text);
        return *this;
    }
    Line& num(std::size_t pos, int width, long long value) { return at(pos, strprintf("%0*lld", width, value)); }
    // The race key: date yyyymmdd, venue code, meeting 01, day 01, race number.
    Line& key(std::string_view date, std::string_view venue, int race)
    {
        return at(12, date).at(20, venue).at(22, "0101").num(26, 2, race);
    }
    const std::string& str() const { return text_; }
    operator std::string() const { return text_; }

private:
    std::string text_;
};

inline constexpr std::string_view kDate = "20240106";
inline constexpr std::string_view kDay = "2024年01月06日";

// An RA line: post time "hhmm", registered runners, weather 1, turf going 1, dirt going 2.
inline Line RaLine(std::string_view venue, int race, std::string_view post = "1005", int runners = 16,
                   std::string_view date = kDate)
{
    return Line("RA", kRaLength)
        .at(3, "000000000")
        .key(date, venue, race)
        .at(874, post)
        .num(882, 2, runners)
        .at(888, "112");
}

// An SE line for horse h of a race, data kind kind.
inline Line SeLine(std::string_view venue, int race, int h, std::string_view kind = "7", std::string_view date = kDate)
{
    return Line("SE", kSeLength).at(3, kind).key(date, venue, race).num(29, 2, h);
}

// A temporary application folder with a Data and a CHG folder.
class DayFolder {
public:
    DayFolder()
    {
        std::filesystem::create_directories(data());
        std::filesystem::create_directories(chg());
    }
    std::filesystem::path app() const { return tmp_.path(); }
    std::filesystem::path data() const { return tmp_.path() / "Data"; }
    std::filesystem::path chg() const { return tmp_.path() / "CHG"; }

    // Writes lines (Shift-JIS) with CR LF ends to folder / name (name UTF-8).
    static void write(const std::filesystem::path& folder, std::string_view name, const std::vector<std::string>& lines)
    {
        std::filesystem::create_directories(folder);
        ASSERT_TRUE(writeFileAtomic(folder / pathFromUtf8(name), joinLinesCrlf(lines)));
    }
    void writeData(std::string_view suffix, const std::vector<std::string>& lines, std::string_view day = kDay) const
    {
        write(data(), std::string(day) + std::string(suffix), lines);
    }
    void writeRaw(std::string_view suffix, std::string_view bytes, std::string_view day = kDay) const
    {
        ASSERT_TRUE(writeFileAtomic(data() / pathFromUtf8(std::string(day) + std::string(suffix)), bytes));
    }
    // A runner file of a venue with 216 blank slots, then the given lines at their slots.
    void writeRunners(std::string_view venueName, const std::vector<std::string>& runners,
                      std::string_view day = kDay) const
    {
        std::vector<std::string> lines(216, std::string(kSeLength - 2, ' '));
        for (const std::string& se : runners) {
            const int race = static_cast<int>(toIntDef(field(se, 26, 2), 0));
            const int h = static_cast<int>(toIntDef(field(se, 29, 2), 0));
            lines.at(static_cast<std::size_t>((race - 1) * 18 + (h - 1))) = se;
        }
        writeData(std::string(venueName) + ".jvSEr", lines, day);
    }

    LoadOptions options() const
    {
        LoadOptions o;
        o.appFolder = app();
        return o;
    }

private:
    TempDir tmp_;
};

// A clock on a day other than the test day, so loads are not "today" unless a test says so.
inline ManualClock OtherDayClock()
{
    return ManualClock(DateTime{2030, 5, 5, 12, 0, 0});
}

} // namespace solvane::test
