#include "util/Clock.h"

#include "util/Text.h"

#include <ctime>

namespace solvane {
namespace {

// Howard Hinnant's days-from-civil and civil-from-days.
long long daysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, int& y, int& m, int& d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long yy = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

long long floorDiv(long long a, long long b)
{
    long long q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

bool allDigits(std::string_view s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

int num(std::string_view s)
{
    return static_cast<int>(toIntDef(s, -1));
}

} // namespace

bool isValidDate(int year, int month, int day)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int limit = days[month - 1] + (month == 2 && leap ? 1 : 0);
    return day <= limit;
}

long long DateTime::toDays() const
{
    return daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
}

long long DateTime::toSeconds() const
{
    return toDays() * 86400 + hour * 3600LL + minute * 60LL + second;
}

DateTime DateTime::fromSeconds(long long seconds)
{
    DateTime t;
    const long long days = floorDiv(seconds, 86400);
    long long rest = seconds - days * 86400;
    civilFromDays(days, t.year, t.month, t.day);
    t.hour = static_cast<int>(rest / 3600);
    rest %= 3600;
    t.minute = static_cast<int>(rest / 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

int DateTime::weekday() const
{
    const long long z = toDays();
    return static_cast<int>(z >= -4 ? (z + 4) % 7 : (z + 5) % 7 + 6);
}

std::string DateTime::ymdHms() const
{
    return strprintf("%04d/%02d/%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
}

std::string DateTime::yyyymmdd() const
{
    return strprintf("%04d%02d%02d", year, month, day);
}

std::string DateTime::yyyymmddhhnnss() const
{
    return strprintf("%04d%02d%02d%02d%02d%02d", year, month, day, hour, minute, second);
}

std::string DateTime::hhnnss() const
{
    return strprintf("%02d%02d%02d", hour, minute, second);
}

std::string DateTime::hhnn() const
{
    return strprintf("%02d%02d", hour, minute);
}

std::string DateTime::hh_nn_ss() const
{
    return strprintf("%02d:%02d:%02d", hour, minute, second);
}

std::optional<DateTime> DateTime::parse(std::string_view text)
{
    text = trim(text);
    DateTime t;
    std::string_view timePart;
    if (text.size() >= 10 && (text[4] == '/' || text[4] == '-') && text[7] == text[4]) {
        if (!allDigits(text.substr(0, 4)) || !allDigits(text.substr(5, 2)) || !allDigits(text.substr(8, 2)))
            return std::nullopt;
        t.year = num(text.substr(0, 4));
        t.month = num(text.substr(5, 2));
        t.day = num(text.substr(8, 2));
        if (text.size() > 10) {
            if (text[10] != ' ' && text[10] != 'T')
                return std::nullopt;
            timePart = trim(text.substr(11));
            if (timePart.size() != 8 || timePart[2] != ':' || timePart[5] != ':')
                return std::nullopt;
            const std::string hms = std::string(timePart.substr(0, 2)) + std::string(timePart.substr(3, 2)) +
                                    std::string(timePart.substr(6, 2));
            if (!allDigits(hms))
                return std::nullopt;
            t.hour = num(hms.substr(0, 2));
            t.minute = num(hms.substr(2, 2));
            t.second = num(hms.substr(4, 2));
        }
    } else if ((text.size() == 8 || text.size() == 14) && allDigits(text)) {
        t.year = num(text.substr(0, 4));
        t.month = num(text.substr(4, 2));
        t.day = num(text.substr(6, 2));
        if (text.size() == 14) {
            t.hour = num(text.substr(8, 2));
            t.minute = num(text.substr(10, 2));
            t.second = num(text.substr(12, 2));
        }
    } else {
        return std::nullopt;
    }
    if (!isValidDate(t.year, t.month, t.day) || t.hour > 23 || t.minute > 59 || t.second > 59)
        return std::nullopt;
    return t;
}

DateTime SystemClock::now() const
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

namespace {
const SystemClock kSystemClock;
}

ShiftedClock::ShiftedClock(DateTime start) : ShiftedClock(start, kSystemClock) {}

ShiftedClock::ShiftedClock(DateTime start, const Clock& base)
    : base_(base), offset_(start.toSeconds() - base.now().toSeconds())
{
}

DateTime ShiftedClock::now() const
{
    return base_.now().addSeconds(offset_);
}

} // namespace solvane
