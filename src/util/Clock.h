// Civil date and time without a zone, and the injectable clock every "now" of the program comes
// from, so that logs, "today" and the automatic schedule can run at any simulated time.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace solvane {

struct DateTime {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;

    // Seconds since 1970-01-01 00:00:00 of the same civil calendar (no zone, no leap seconds).
    long long toSeconds() const;
    static DateTime fromSeconds(long long seconds);
    // Days since 1970-01-01.
    long long toDays() const;

    DateTime addSeconds(long long seconds) const { return fromSeconds(toSeconds() + seconds); }
    DateTime addDays(long long days) const { return fromSeconds(toSeconds() + days * 86400); }
    DateTime date() const { return DateTime{year, month, day, 0, 0, 0}; }
    // 0 = Sunday … 6 = Saturday.
    int weekday() const;

    std::string ymdHms() const;   // "yyyy/mm/dd hh:nn:ss"
    std::string yyyymmdd() const; // "yyyymmdd"
    std::string yyyymmddhhnnss() const;
    std::string hhnnss() const;   // "hhnnss"
    std::string hhnn() const;     // "hhnn"
    std::string hh_nn_ss() const; // "hh:nn:ss"

    // Accepts "yyyy/mm/dd hh:nn:ss", "yyyy-mm-dd hh:nn:ss", "yyyy-mm-ddThh:nn:ss", "yyyymmddhhnnss",
    // and the date alone in any of those forms ("yyyymmdd" too). Validates the calendar.
    static std::optional<DateTime> parse(std::string_view text);

    friend bool operator==(const DateTime&, const DateTime&) = default;
    friend auto operator<=>(const DateTime& a, const DateTime& b) { return a.toSeconds() <=> b.toSeconds(); }
};

bool isValidDate(int year, int month, int day);

class Clock {
public:
    virtual ~Clock() = default;
    virtual DateTime now() const = 0;
};

// The machine's local time.
class SystemClock : public Clock {
public:
    DateTime now() const override;
};

// A clock that starts at a chosen time and then runs with the machine's time (or with the base clock
// given), second for second: a race day can be shown at any hour and still unfold in real time.
class ShiftedClock : public Clock {
public:
    explicit ShiftedClock(DateTime start);
    ShiftedClock(DateTime start, const Clock& base);
    DateTime now() const override;

private:
    const Clock& base_;
    long long offset_;
};

// A clock that only moves when told to: tests and the simulated race day.
class ManualClock : public Clock {
public:
    explicit ManualClock(DateTime start = {}) : now_(start) {}
    DateTime now() const override { return now_; }
    void set(DateTime t) { now_ = t; }
    void advance(long long seconds) { now_ = now_.addSeconds(seconds); }

private:
    DateTime now_;
};

} // namespace solvane
