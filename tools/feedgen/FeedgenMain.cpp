// solvane-feedgen: writes a synthetic JV-Data season into a feed folder, or checks one.
#include "feedgen/Check.h"
#include "feedgen/Feed.h"
#include "util/Clock.h"
#include "util/CommandLine.h"
#include "util/Files.h"
#include "util/Text.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

using namespace solvane;
using namespace solvane::feedgen;

namespace {

int Usage()
{
    std::fputs("usage: solvane-feedgen --out FEED --from YYYY-MM-DD --to YYYY-MM-DD [--seed N] [--live-today]\n"
               "                       [--today YYYY-MM-DD] [--now hh:mm] [--rt-days N]\n"
               "                       [--series-all | --series-days N] [--no-siblings] [--stats]\n"
               "       solvane-feedgen --check FEED\n"
               "  --series-all      time-series odds (30, 10, 5, 2 minutes before each post and the final\n"
               "                    odds) in jikeiretu for every run day without real-time snapshots\n"
               "  --series-days N   the same for the run days of the last N days only\n",
               stderr);
    return 2;
}

std::optional<int> ParseHhmm(const std::string& s)
{
    if (s.size() != 5 || s[2] != ':')
        return std::nullopt;
    const long long h = toIntDef(s.substr(0, 2), -1), m = toIntDef(s.substr(3, 2), -1);
    if (h < 0 || h > 23 || m < 0 || m > 59)
        return std::nullopt;
    return static_cast<int>(h * 60 + m);
}

} // namespace

int main(int argc, char** argv)
{
    FeedOptions o;
    std::optional<DateTime> from, to, today;
    std::optional<int> now;
    std::string out, check;
    bool stats = false;
    UseUtf8Output();
    const std::vector<std::string> args = ProgramArguments(argc, argv);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size())
                return std::nullopt;
            return args[++i];
        };
        std::optional<std::string> v;
        if (a == "--stats")
            stats = true;
        else if (a == "--live-today")
            o.liveToday = true;
        else if (a == "--no-siblings")
            o.siblings = false;
        else if (a == "--series-all")
            o.seriesDays = kSeriesEveryDay;
        else if (a == "--out" && (v = value()))
            out = *v;
        else if (a == "--check" && (v = value()))
            check = *v;
        else if (a == "--from" && (v = value()))
            from = DateTime::parse(*v);
        else if (a == "--to" && (v = value()))
            to = DateTime::parse(*v);
        else if (a == "--today" && (v = value()))
            today = DateTime::parse(*v);
        else if (a == "--now" && (v = value()))
            now = ParseHhmm(*v);
        else if (a == "--seed" && (v = value()))
            o.seed = static_cast<std::uint64_t>(toIntDef(*v, 1));
        else if (a == "--rt-days" && (v = value()))
            o.rtDays = static_cast<int>(toIntDef(*v, 7));
        else if (a == "--series-days" && (v = value()) && toIntDef(*v, -1) >= 0)
            o.seriesDays = static_cast<int>(std::min<long long>(toIntDef(*v, 0), kSeriesEveryDay));
        else {
            std::fprintf(stderr, "solvane-feedgen: unknown or incomplete option %s\n", a.c_str());
            return Usage();
        }
    }
    if (!check.empty()) {
        const CheckReport r = CheckFeed(pathFromUtf8(check));
        std::fputs(FormatReport(r).c_str(), r.ok() ? stdout : stderr);
        return r.ok() ? 0 : 1;
    }
    if (out.empty() || !from || !to || from->toDays() > to->toDays())
        return Usage();
    const DateTime clock = SystemClock().now();
    DateTime t = today ? *today : clock.date();
    const int minute = now ? *now : clock.hour * 60 + clock.minute;
    o.now = DateTime{t.year, t.month, t.day, minute / 60, minute % 60, 0};
    o.out = pathFromUtf8(out);
    o.from = *from;
    o.to = *to;

    FeedStats st;
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    if (!GenerateFeed(o, &st, &error)) {
        std::fprintf(stderr, "solvane-feedgen: %s\n", error.c_str());
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (stats)
        std::fputs(FormatStats(st, seconds).c_str(), stdout);
    else
        std::printf("%lld race days, %lld races, %lld files, %.1f MB written to %s\n", st.days, st.races, st.files,
                    static_cast<double>(st.bytes) / 1e6, out.c_str());
    return 0;
}
