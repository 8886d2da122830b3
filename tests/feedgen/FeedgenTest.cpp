// Properties of a generated month: every file passes the checker, payouts agree with the finishing
// order and the final odds, odds agree with the take-out, fields sit at their positions, empty
// runner slots stay blank, real-time snapshots follow the day, and a seed gives the same bytes. The
// time-series files of every run day on request, and the odds drifting toward the favourites late.
// Properties of generated years: JRA's calendar with its graded races on their days, programmes
// that follow the courses, and a market whose figures sit near JRA's.
#include "feedgen/Calendar.h"
#include "feedgen/Check.h"
#include "feedgen/ComboTables.h"
#include "feedgen/DayBuild.h"
#include "feedgen/Feed.h"
#include "feedgen/Odds.h"
#include "feedgen/RaceModel.h"
#include "feedgen/Records.h"
#include "jvdata/Combo.h"
#include "support/TempDir.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <span>

using namespace solvane;
using namespace solvane::feedgen;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Records(const std::string& bytes)
{
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", at);
        out.push_back(bytes.substr(at, end + 2 - at));
        at = end + 2;
    }
    return out;
}

int Num(const std::string& rec, std::size_t pos, std::size_t len)
{
    return static_cast<int>(toIntDef(field(rec, pos, len), -1));
}

// June 2024 up to Saturday the 29th: three weeks of results, then the 29th as today with its
// real-time snapshots.
struct Month {
    test::TempDir dir;
    FeedStats stats;
    std::map<std::string, std::vector<std::string>> byType; // stored RACE records by type
    Month()
    {
        FeedOptions o;
        o.out = dir.path();
        o.from = *DateTime::parse("2024-06-01");
        o.to = *DateTime::parse("2024-06-29");
        o.now = *DateTime::parse("2024-06-29 10:00:00");
        o.seed = 7;
        o.rtDays = 0;
        std::string error;
        EXPECT_TRUE(GenerateFeed(o, &stats, &error)) << error;
        for (const auto& e : fs::directory_iterator(dir.path() / "RACE"))
            for (auto& rec : Records(*readFile(e.path())))
                if (rec[2] != '2' || rec.compare(0, 2, "HR") == 0) // results only, not today's cards
                    byType[rec.substr(0, 2)].push_back(std::move(rec));
    }
};

Month& TheMonth()
{
    static Month month;
    return month;
}

std::map<std::string, std::string> ByKey(const std::vector<std::string>& recs)
{
    std::map<std::string, std::string> m;
    for (const auto& r : recs)
        m[r.substr(11, 16)] = r;
    return m;
}

std::string Two(int v)
{
    return strprintf("%02d", v);
}

// Every file below root by its relative name.
std::map<std::string, std::string> Contents(const fs::path& root)
{
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file())
            files[fs::relative(e.path(), root).generic_string()] = *readFile(e.path());
    return files;
}

} // namespace

TEST(Feedgen, EveryFilePassesTheChecker)
{
    Month& m = TheMonth();
    const CheckReport r = CheckFeed(m.dir.path());
    EXPECT_TRUE(r.ok()) << FormatReport(r);
    for (const char* t : {"RA", "SE", "HR", "O1", "O2", "O3", "O4", "O5", "O6", "WF", "DM", "TM", "WE"})
        EXPECT_GT(r.perType.count(t) ? r.perType.at(t) : 0, 0) << t;
    EXPECT_GT(m.stats.races, 250);

    // The checker itself notices a slot out of order, a short record and a bad payout combination.
    std::string o6 = m.byType["O6"].front();
    std::swap(o6[41], o6[43]); // "010203" becomes "020103" in slot 1
    std::string shortRa = m.byType["RA"].front().substr(0, 1000) + "\r\n";
    std::string hr = m.byType["HR"].front();
    hr.replace(102, 2, "19"); // winner 19 in a race of at most 18
    for (const std::string* bad : {&o6, &shortRa, &hr}) {
        CheckReport one;
        CheckRecords("bad", *bad, one, 5);
        EXPECT_FALSE(one.ok()) << bad->substr(0, 2);
    }
}

TEST(Feedgen, PayoutsAgreeWithFinishingOrderAndFinalOdds)
{
    Month& m = TheMonth();
    const auto o1 = ByKey(m.byType["O1"]), o2 = ByKey(m.byType["O2"]), o3 = ByKey(m.byType["O3"]),
               o4 = ByKey(m.byType["O4"]), o5 = ByKey(m.byType["O5"]), o6 = ByKey(m.byType["O6"]);
    std::map<std::string, std::map<int, int>> placing; // race key -> placing -> horse (no dead heats)
    std::map<std::string, bool> deadHeat;
    for (const auto& se : m.byType["SE"]) {
        const std::string key = se.substr(11, 16);
        const int h = Num(se, 29, 2), p = Num(se, 335, 2);
        if (se[336] == '1')
            deadHeat[key] = true;
        if (p > 0)
            placing[key][p] = h;
        // The runner's final odds and popularity are those of the final win odds.
        const std::string& win = o1.at(key);
        if (p > 0) {
            EXPECT_EQ(field(se, 360, 4), field(win, 46 + 8 * (h - 1), 4)) << key;
            EXPECT_EQ(field(se, 364, 2), field(win, 50 + 8 * (h - 1), 2)) << key;
        }
    }
    const ComboTables& T = Combos();
    int checked = 0;
    for (const auto& hr : m.byType["HR"]) {
        const std::string key = hr.substr(11, 16);
        if (deadHeat[key])
            continue;
        auto& pl = placing[key];
        const int a = pl[1], b = pl[2], c = pl[3];
        ASSERT_GT(a * b * c, 0) << key;
        const std::string& w = o1.at(key);
        // Win: the winner at its final odds.
        EXPECT_EQ(Num(hr, 103, 2), a);
        EXPECT_EQ(Num(hr, 105, 9), 10 * Num(w, 46 + 8 * (a - 1), 4)) << key;
        // Place: the first three (two in small fields), each within its announced range.
        const int places = w[42] - '0';
        for (int i = 0; i < 5; ++i) {
            const int h = Num(hr, 142 + 13 * i, 2);
            if (i >= places) {
                EXPECT_EQ(h, 0);
                continue;
            }
            EXPECT_TRUE(h == a || h == b || (places == 3 && h == c)) << key;
            const int pay = Num(hr, 144 + 13 * i, 9) / 10;
            EXPECT_GE(pay, Num(w, 270 + 12 * (h - 1), 4)) << key;
            EXPECT_LE(pay, Num(w, 274 + 12 * (h - 1), 4)) << key;
        }
        // Bracket quinella, when sold.
        if (w[41] == '7') {
            const int ba = BracketOf(Num(w, 36, 2), a), bb = BracketOf(Num(w, 36, 2), b);
            const int s = T.wrSlot(ba, bb);
            EXPECT_EQ(field(hr, 207, 2), Two(std::min(ba, bb) * 10 + std::max(ba, bb)).substr(0, 2)) << key;
            EXPECT_EQ(Num(hr, 209, 9), 10 * Num(w, 606 + 9 * (s - 1), 5)) << key;
        }
        // Quinella, exacta, trio, trifecta: the one winning combination at its final odds.
        const int ur = T.pairSlot(a, b), ut = T.utSlot(a, b), srf = T.srfSlot(a, b, c), srt = T.srtSlot(a, b, c);
        EXPECT_EQ(field(hr, 246, 4), Two(std::min(a, b)) + Two(std::max(a, b)));
        EXPECT_EQ(Num(hr, 250, 9), 10 * Num(o2.at(key), 45 + 13 * (ur - 1), 6)) << key;
        EXPECT_EQ(field(hr, 454, 4), Two(a) + Two(b));
        EXPECT_EQ(Num(hr, 458, 9), 10 * Num(o4.at(key), 45 + 13 * (ut - 1), 6)) << key;
        EXPECT_EQ(Num(hr, 556, 9), 10 * Num(o5.at(key), 47 + 15 * (srf - 1), 6)) << key;
        EXPECT_EQ(field(hr, 604, 6), Two(a) + Two(b) + Two(c));
        EXPECT_EQ(Num(hr, 610, 9), 10 * Num(o6.at(key), 47 + 17 * (srt - 1), 7)) << key;
        EXPECT_EQ(Num(hr, 619, 4), Num(o6.at(key), 54 + 17 * (srt - 1), 4)) << key;
        // Wide: the three pairs of the first three, each within its range.
        std::set<std::string> pairs = {Two(std::min(a, b)) + Two(std::max(a, b)),
                                       Two(std::min(a, c)) + Two(std::max(a, c)),
                                       Two(std::min(b, c)) + Two(std::max(b, c))};
        for (int i = 0; i < 3; ++i) {
            const std::string kumi(field(hr, 294 + 16 * i, 4));
            EXPECT_EQ(pairs.count(kumi), 1u) << key;
            const int s = T.pairSlot(Num(hr, 294 + 16 * i, 2), Num(hr, 296 + 16 * i, 2));
            const int pay = Num(hr, 298 + 16 * i, 9) / 10;
            EXPECT_GE(pay, Num(o3.at(key), 45 + 17 * (s - 1), 5)) << key;
            EXPECT_LE(pay, Num(o3.at(key), 50 + 17 * (s - 1), 5)) << key;
        }
        ++checked;
    }
    EXPECT_GT(checked, 200);
}

TEST(Feedgen, OddsFollowChancesAndTakeOut)
{
    Month& m = TheMonth();
    auto overround = [](const std::string& rec, std::size_t first, std::size_t stride, int count, std::size_t len) {
        double sum = 0;
        for (int k = 0; k < count; ++k) {
            const std::string_view v = field(rec, first + stride * static_cast<std::size_t>(k), len);
            const long long x = toIntDef(v, -1);
            if (x > 0 && v.find_first_not_of("0123456789") == std::string_view::npos)
                sum += 10.0 / static_cast<double>(x);
            if (x == 10)
                return -1.0; // a runner at the minimum odds of 1.0: the pool pays back less
        }
        return sum;
    };
    struct Pool {
        const char* type;
        std::size_t first, stride;
        int count;
        std::size_t len;
        double take;
    };
    const Pool pools[] = {{"O1", 46, 8, 28, 4, 0.20},
                          {"O2", 45, 13, 153, 6, 0.225},
                          {"O4", 45, 13, 306, 6, 0.25},
                          {"O5", 47, 15, 816, 6, 0.25},
                          {"O6", 47, 17, 4896, 7, 0.275}};
    for (const Pool& p : pools) {
        double total = 0;
        int races = 0;
        for (const auto& rec : m.byType[p.type]) {
            const double s = overround(rec, p.first, p.stride, p.count, p.len);
            if (s < 0)
                continue;
            // Odds are cut to 0.1, so each race pays out at most the pool after take-out.
            EXPECT_GE(s, (1.0 / (1.0 - p.take)) * 0.985) << p.type << " " << rec.substr(11, 16);
            EXPECT_LE(s, (1.0 / (1.0 - p.take)) * 1.12) << p.type << " " << rec.substr(11, 16);
            total += s;
            ++races;
        }
        ASSERT_GT(races, 0);
        EXPECT_NEAR(total / races, 1.0 / (1.0 - p.take), 0.03) << p.type;
    }
    // Popularity ranks follow the odds.
    for (const auto& rec : m.byType["O1"]) {
        std::vector<std::pair<int, int>> v;
        for (int h = 1; h <= Num(rec, 36, 2); ++h)
            if (Num(rec, 46 + 8 * (h - 1), 4) > 0)
                v.push_back({Num(rec, 50 + 8 * (h - 1), 2), Num(rec, 46 + 8 * (h - 1), 4)});
        std::sort(v.begin(), v.end());
        for (std::size_t i = 0; i < v.size(); ++i) {
            EXPECT_EQ(v[i].first, static_cast<int>(i) + 1);
            if (i) {
                EXPECT_LE(v[i - 1].second, v[i].second);
            }
        }
    }
    // The favourite wins about a third of flat races over the month.
    long long won = 0;
    for (long long x : m.stats.winnerPopularity)
        won += x;
    EXPECT_NEAR(static_cast<double>(m.stats.winnerPopularity[1]) / static_cast<double>(won), 0.33, 0.09);
}

// Popularity follows the votes, as in JRA's records: of two entries of a pool at the same odds (cut to
// a tenth) the one with the larger stake is the more popular, whatever their numbers.
TEST(Feedgen, PopularityBreaksOddsTiesByTheStakes)
{
    Race race;
    race.registered = race.starters = 10;
    for (int h = 1; h <= 10; ++h)
        race.runners[static_cast<std::size_t>(h)].bracket = BracketOf(10, h);
    // Horses 1 and 2 are both at 3.9 to win; horse 2 has the larger stake.
    const std::array<double, kMaxRunners + 1> q = {0, 0.2001, 0.2004, 0.12, 0.1, 0.09, 0.08, 0.07, 0.06, 0.05, 0.0295};
    const Market m = BuildMarket(race, q);
    OddsTable o;
    FillOdds(m, 1.0, o);
    ASSERT_EQ(o.tan[1], 39);
    ASSERT_EQ(o.tan[2], 39);
    EXPECT_EQ(o.tanPop[2], 1);
    EXPECT_EQ(o.tanPop[1], 2);

    // Every pool: ranks 1..count, one each, and ties in the odds ordered by the stakes.
    int ties = 0;
    auto check = [&](const char* pool, const auto& odds, std::span<const double> shares, const auto& pop) {
        SCOPED_TRACE(pool);
        std::set<int> ranks;
        std::size_t priced = 0;
        for (std::size_t a = 1; a < odds.size(); ++a) {
            if (odds[a] <= 0)
                continue;
            ++priced;
            ranks.insert(pop[a]);
            for (std::size_t b = a + 1; b < odds.size(); ++b) {
                if (odds[b] != odds[a] || shares[a] == shares[b])
                    continue;
                ++ties;
                const bool aRanksFirst = (pop[a] < pop[b]);
                const bool aHasMore = (shares[a] > shares[b]);
                EXPECT_EQ(aRanksFirst, aHasMore) << "entries " << a << " and " << b;
            }
        }
        ASSERT_GT(priced, 0u);
        EXPECT_EQ(ranks.size(), priced);
        EXPECT_EQ(*ranks.begin(), 1);
        EXPECT_EQ(*ranks.rbegin(), static_cast<int>(priced));
    };
    check("win", o.tan, m.q, o.tanPop);
    check("place", o.fukLow, m.place, o.fukPop);
    check("bracket quinella", o.wr, m.wr, o.wrPop);
    check("quinella", o.ur, m.ur, o.urPop);
    check("wide", o.wdLow, m.wide, o.wdPop);
    check("exacta", o.ut, m.ut, o.utPop);
    check("trio", o.srf, m.srf, o.srfPop);
    check("trifecta", o.srt, m.srt, o.srtPop);
    EXPECT_GT(ties, 20) << "the race has ties in its odds to tell apart";
}

TEST(Feedgen, FieldsSitAtTheirPositionsAndEmptySlotsStayBlank)
{
    Month& m = TheMonth();
    std::map<std::string, int> runners;
    for (const auto& se : m.byType["SE"]) {
        const std::string key = se.substr(11, 16);
        ++runners[key];
        EXPECT_EQ(se.size(), 555u);
        for (std::size_t i = 40; i < 76; i += 2) // horse name: full-width throughout
            EXPECT_TRUE(isSjisLeadByte(static_cast<unsigned char>(se[i]))) << key;
        EXPECT_FALSE(trim(field(se, 307, 8)).empty());
        EXPECT_FALSE(trim(field(se, 91, 8)).empty());
        EXPECT_GE(Num(se, 289, 3), 480);
        EXPECT_EQ(se[2], '7');
    }
    const auto o2 = ByKey(m.byType["O2"]), o6 = ByKey(m.byType["O6"]);
    int small = 0;
    for (const auto& ra : m.byType["RA"]) {
        const std::string key = ra.substr(11, 16);
        const int n = Num(ra, 882, 2);
        EXPECT_EQ(runners[key], n) << key;
        EXPECT_GE(n, 5);
        EXPECT_LE(n, 18);
        const int track = Num(ra, 706, 2), dist = Num(ra, 698, 4);
        EXPECT_TRUE((track >= 10 && track <= 29) || (track >= 51 && track <= 59)) << track;
        EXPECT_EQ(track >= 51, Num(ra, 617, 2) >= 18) << key;
        EXPECT_GE(dist, 1000);
        EXPECT_LE(dist, 3600);
        EXPECT_GE(Num(ra, 888, 1), 1);
        EXPECT_LE(Num(ra, 888, 1), 6);
        const std::string post(field(ra, 874, 4));
        EXPECT_GE(post, "0940");
        EXPECT_LE(post, "1645");
        if (n < 18) {
            ++small;
            // The slot of the pair (n, n+1) and every trifecta slot with horse n+1 stay blank.
            const int s = Combos().pairSlot(n, n + 1);
            EXPECT_EQ(field(o2.at(key), 41 + 13 * static_cast<std::size_t>(s - 1), 13), std::string(13, ' '));
            const int t = Combos().srtSlot(n + 1, 1, 2);
            EXPECT_EQ(field(o6.at(key), 41 + 17 * static_cast<std::size_t>(t - 1), 17), std::string(17, ' '));
            EXPECT_EQ(field(o2.at(key), 41, 4), "0102"); // earlier slots are not packed forward
        }
    }
    EXPECT_GT(small, 20);
    // The fixed slot order is the program's own combination numbering.
    const ComboTables& T = Combos();
    for (int s = 1; s <= kSrtSlots; ++s)
        ASSERT_EQ(SRTOrdinal(T.srt[static_cast<std::size_t>(s)][0], T.srt[static_cast<std::size_t>(s)][1],
                             T.srt[static_cast<std::size_t>(s)][2]),
                  s);
    for (int s = 1; s <= kSrfSlots; ++s)
        ASSERT_EQ(SRFOrdinal(T.srf[static_cast<std::size_t>(s)][0], T.srf[static_cast<std::size_t>(s)][1],
                             T.srf[static_cast<std::size_t>(s)][2]),
                  s);
    for (int s = 1; s <= kUtSlots; ++s)
        ASSERT_EQ(UTOrdinal(T.ut[static_cast<std::size_t>(s)][0], T.ut[static_cast<std::size_t>(s)][1]), s);
    for (int s = 1; s <= kWrSlots; ++s)
        ASSERT_EQ(WROrdinal(T.wr[static_cast<std::size_t>(s)][0], T.wr[static_cast<std::size_t>(s)][1]), s);
}

TEST(Feedgen, RealTimeSnapshotsFollowTheDay)
{
    Month& m = TheMonth();
    const fs::path rt = m.dir.path() / "RT";
    // Today's races: intermediate odds before the post, then final and confirmed odds.
    int races = 0;
    for (const auto& e : fs::directory_iterator(rt / "0B30")) {
        ++races;
        std::vector<fs::path> snaps;
        for (const auto& f : fs::directory_iterator(e.path()))
            snaps.push_back(f.path());
        std::sort(snaps.begin(), snaps.end());
        ASSERT_GE(snaps.size(), 5u);
        for (std::size_t i = 0; i < snaps.size(); ++i) {
            const auto recs = Records(*readFile(snaps[i]));
            ASSERT_EQ(recs.size(), 6u);
            const std::string hhmm = snaps[i].stem().string().substr(0, 4);
            if (i + 2 < snaps.size()) {
                EXPECT_EQ(recs[0][2], '1');
                EXPECT_EQ(field(recs[0], 32, 4), hhmm);
            } else {
                EXPECT_EQ(recs[0][2], i + 1 == snaps.size() ? '4' : '3');
                EXPECT_EQ(field(recs[0], 28, 8), "00000000");
            }
        }
    }
    EXPECT_GE(races, 24);
    // Results: each snapshot holds more races than the one before.
    std::vector<fs::path> results;
    for (const auto& f : fs::directory_iterator(rt / "0B12" / "20240629"))
        results.push_back(f.path());
    std::sort(results.begin(), results.end());
    std::size_t prev = 0;
    for (const auto& p : results) {
        std::size_t ra = 0;
        for (const auto& rec : Records(*readFile(p)))
            ra += rec.compare(0, 2, "RA") == 0;
        EXPECT_GT(ra, prev);
        prev = ra;
    }
    EXPECT_EQ(prev, static_cast<std::size_t>(races));
    for (const char* spec : {"0B13", "0B17", "0B14"})
        EXPECT_TRUE(fs::is_directory(rt / spec / "20240629")) << spec;
    // Days already run carry no cards; today carries cards of kind 2.
    std::set<char> kinds;
    for (const auto& e : fs::directory_iterator(m.dir.path() / "RACE"))
        if (e.path().filename().string().find("_RA20240629") != std::string::npos)
            kinds.insert((*readFile(e.path()))[2]);
    EXPECT_EQ(kinds, std::set<char>{'2'});
}

TEST(Feedgen, SameSeedSameBytesAndLiveDayFollowsTheClock)
{
    auto generate = [](const fs::path& out, std::uint64_t seed, const char* from, bool live) {
        FeedOptions o;
        o.out = out;
        o.from = *DateTime::parse(from);
        o.to = *DateTime::parse("2024-06-09");
        o.now = live ? *DateTime::parse("2024-06-12 14:03:00") : *DateTime::parse("2024-07-01 12:00:00");
        o.liveToday = live;
        o.rtDays = 0;
        o.siblings = !live;
        o.seed = seed;
        std::string error;
        EXPECT_TRUE(GenerateFeed(o, nullptr, &error)) << error;
    };
    test::TempDir a, b, c;
    generate(a.path(), 7, "2024-06-08", false);
    generate(b.path(), 7, "2024-06-08", false);
    generate(c.path(), 8, "2024-06-08", false);
    const auto fa = Contents(a.path()), fb = Contents(b.path()), fc = Contents(c.path());
    EXPECT_EQ(fa.size(), fb.size());
    EXPECT_TRUE(fa == fb);
    EXPECT_FALSE(fa == fc);
    // A day is the same whatever range it is generated in.
    Month& m = TheMonth();
    for (const auto& [name, bytes] : fa) {
        if (name.find("_RA20240608") != std::string::npos) {
            EXPECT_EQ(*readFile(m.dir.path() / name), bytes) << name;
        }
    }

    // Live day: a Wednesday made a race day, posts from twenty minutes after 14:03 on.
    test::TempDir live;
    generate(live.path(), 7, "2024-06-12", true);
    std::string ra;
    for (const auto& e : fs::directory_iterator(live.path() / "RACE"))
        if (e.path().filename().string().find("_RA20240612") != std::string::npos)
            ra = *readFile(e.path());
    const auto recs = Records(ra);
    ASSERT_GE(recs.size(), 24u);
    std::string first = "9999", firstKey;
    for (const auto& r : recs)
        if (std::string(field(r, 874, 4)) < first) {
            first = std::string(field(r, 874, 4));
            firstKey = r.substr(11, 16);
        }
    EXPECT_EQ(first, "1425");
    // Its odds two minutes before the post, and none announced later than the final ones.
    EXPECT_TRUE(fs::exists(live.path() / "RT" / "0B30" / firstKey / "142300.txt"));
    EXPECT_TRUE(CheckFeed(live.path()).ok());
}

namespace {

// Three weekends of results, generated with and without the time-series files of every run day; the last
// day (9 June) is within the real-time window.
struct SeriesPeriod {
    static constexpr const char* kDays[] = {"20240525", "20240526", "20240601", "20240602", "20240608"};
    static constexpr int kBefore[] = {30, 10, 5, 2};
    test::TempDir plain, series;
    static FeedOptions Options(const fs::path& out, int seriesDays)
    {
        FeedOptions o;
        o.out = out;
        o.from = *DateTime::parse("2024-05-25");
        o.to = *DateTime::parse("2024-06-09");
        o.now = *DateTime::parse("2024-06-10 12:00:00");
        o.rtDays = 1;
        o.seed = 7;
        o.seriesDays = seriesDays;
        return o;
    }
    SeriesPeriod()
    {
        std::string error;
        EXPECT_TRUE(GenerateFeed(Options(plain.path(), 0), nullptr, &error)) << error;
        EXPECT_TRUE(GenerateFeed(Options(series.path(), kSeriesEveryDay), nullptr, &error)) << error;
    }
    // The stored records of a type on a day, by race key.
    std::map<std::string, std::string> Stored(const std::string& type, const std::string& ymd) const
    {
        for (const auto& e : fs::directory_iterator(series.path() / "RACE"))
            if (e.path().filename().string().ends_with("_" + type + ymd))
                return ByKey(Records(*readFile(e.path())));
        return {};
    }
    // A race's snapshots of one odds type, one record each.
    std::vector<std::string> Snapshots(const std::string& ymd, const std::string& key, int kind) const
    {
        const auto bytes =
            readFile(series.path() / "jikeiretu" / ymd / (key.substr(8, 8) + ".jvO" + std::to_string(kind)));
        return bytes ? Records(*bytes) : std::vector<std::string>{};
    }
};

SeriesPeriod& TheSeriesPeriod()
{
    static SeriesPeriod period;
    return period;
}

// Win odds (in tenths) and popularity of each runner in an O1 record.
std::map<int, std::pair<int, int>> WinOdds(const std::string& o1)
{
    std::map<int, std::pair<int, int>> odds;
    for (int h = 1; h <= Num(o1, 36, 2); ++h)
        if (Num(o1, 46 + 8 * (h - 1), 4) > 0)
            odds[h] = {Num(o1, 46 + 8 * (h - 1), 4), Num(o1, 50 + 8 * (h - 1), 2)};
    return odds;
}

} // namespace

// The option adds the time-series files of the run days outside the real-time window and nothing else:
// every other file, the real-time day's own time-series files included, keeps its bytes. Fewer days
// back give fewer days, and without the sibling files there are none.
TEST(FeedgenSeries, OnlyTheRunDaysTimeSeriesFilesAreAdded)
{
    const SeriesPeriod& p = TheSeriesPeriod();
    const auto plain = Contents(p.plain.path()), series = Contents(p.series.path());
    std::set<std::string> addedDays;
    for (const auto& [name, bytes] : series) {
        const auto before = plain.find(name);
        if (before != plain.end())
            EXPECT_TRUE(before->second == bytes) << name;
        else if (name.starts_with("jikeiretu/"))
            addedDays.insert(name.substr(10, 8));
        else
            ADD_FAILURE() << "added " << name;
    }
    for (const auto& [name, bytes] : plain)
        EXPECT_TRUE(series.count(name)) << "lost " << name;
    EXPECT_EQ(addedDays, std::set<std::string>(std::begin(SeriesPeriod::kDays), std::end(SeriesPeriod::kDays)));

    struct Case {
        int seriesDays;
        bool siblings;
        std::set<std::string> days;
    };
    const Case cases[] = {{0, true, {}},
                          {9, true, {"20240601", "20240602", "20240608"}},
                          {kSeriesEveryDay, true, {"20240525", "20240526", "20240601", "20240602", "20240608"}},
                          {kSeriesEveryDay, false, {}}};
    for (const Case& c : cases) {
        FeedOptions o = SeriesPeriod::Options(p.plain.path(), c.seriesDays);
        o.siblings = c.siblings;
        std::set<std::string> days;
        for (const RaceDayPlan& plan : BuildCalendar(o.from, o.to))
            if (BuildDay(plan, o).series)
                days.insert(plan.date.yyyymmdd());
        EXPECT_EQ(days, c.days) << c.seriesDays << " " << c.siblings;
    }
}

// Each run race has all six files, each with the odds announced 30, 10, 5 and 2 minutes before its post
// (the post time of its results, late starts included) and then its final odds: the stored ones as
// announced at the close of sales.
TEST(FeedgenSeries, EveryRaceHasItsLastHalfHourAndItsFinalOdds)
{
    const SeriesPeriod& p = TheSeriesPeriod();
    int races = 0;
    for (const std::string ymd : SeriesPeriod::kDays) {
        std::array<std::map<std::string, std::string>, 7> stored;
        for (int k = 1; k <= 6; ++k)
            stored[std::size_t(k)] = p.Stored("O" + std::to_string(k), ymd);
        for (const auto& [key, ra] : p.Stored("RA", ymd)) {
            ++races;
            const int post = Num(ra, 874, 2) * 60 + Num(ra, 876, 2);
            for (int k = 1; k <= 6; ++k) {
                SCOPED_TRACE(key + " O" + std::to_string(k));
                const auto lines = p.Snapshots(ymd, key, k);
                ASSERT_EQ(lines.size(), 5u);
                for (std::size_t i = 0; i < lines.size(); ++i) {
                    EXPECT_EQ(lines[i].size(), RecordLength("O" + std::to_string(k)));
                    EXPECT_EQ(lines[i].substr(0, 2), "O" + std::to_string(k));
                    EXPECT_EQ(field(lines[i], 12, 16), key);
                }
                for (std::size_t i = 0; i < 4; ++i) {
                    const int t = post - SeriesPeriod::kBefore[i];
                    EXPECT_EQ(lines[i][2], '1');
                    EXPECT_EQ(field(lines[i], 28, 8), ymd.substr(4, 4) + Two(t / 60) + Two(t % 60));
                }
                std::string closing = stored[std::size_t(k)].at(key);
                closing[2] = '3';
                EXPECT_TRUE(lines[4] == closing);
            }
        }
    }
    EXPECT_GT(races, 100);
}

// Late money goes to the favourites: the final favourite was longer half an hour before the post in most
// races and shortens on average toward the post, the long shots drift out, and the top three's implied
// chances move more than a long shot's.
TEST(FeedgenSeries, LateMoneyShortensTheFavourites)
{
    const SeriesPeriod& p = TheSeriesPeriod();
    int races = 0, favouriteLonger = 0;
    std::array<double, 4> favouriteRatio{}, tailRatio{}, topMove{}, tailMove{};
    int tailRunners = 0;
    for (const std::string ymd : SeriesPeriod::kDays) {
        for (const auto& [key, ra] : p.Stored("RA", ymd)) {
            const auto lines = p.Snapshots(ymd, key, 1);
            ASSERT_EQ(lines.size(), 5u) << key;
            const auto closing = WinOdds(lines[4]);
            if (closing.size() < 5)
                continue;
            ++races;
            for (std::size_t i = 0; i < 4; ++i) {
                const auto then = WinOdds(lines[i]);
                for (const auto& [h, odds] : closing) {
                    const double ratio = static_cast<double>(then.at(h).first) / odds.first;
                    const double move = std::abs(10.0 / then.at(h).first - 10.0 / odds.first);
                    if (odds.second == 1) {
                        favouriteRatio[i] += ratio;
                        favouriteLonger += i == 0 && ratio > 1;
                    }
                    if (odds.second <= 3) {
                        topMove[i] += move / 3;
                    } else {
                        tailRatio[i] += ratio;
                        tailMove[i] += move;
                        tailRunners += i == 0;
                    }
                }
            }
        }
    }
    ASSERT_GT(races, 100);
    EXPECT_GT(favouriteLonger, races * 55 / 100);
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(SeriesPeriod::kBefore[i]);
        favouriteRatio[i] /= races;
        tailRatio[i] /= tailRunners;
        topMove[i] /= races;
        tailMove[i] /= tailRunners;
        if (i > 0) {
            EXPECT_LT(favouriteRatio[i], favouriteRatio[i - 1]);
            EXPECT_GT(tailRatio[i], tailRatio[i - 1]);
        }
        EXPECT_GT(topMove[i], 2 * tailMove[i]);
    }
    // About 8 % longer half an hour before, the long shots about 5 % shorter.
    EXPECT_GT(favouriteRatio[0], 1.04);
    EXPECT_LT(tailRatio[0], 0.97);
}

namespace {

std::string Utf8(std::string_view sjis)
{
    return fromSjis(std::string(sjis));
}

// Where the calendar puts a graded race: "yyyymmdd venue race", empty when it holds none of that name.
std::string WhereIs(std::string_view name, int year)
{
    const auto races = GradedRaces();
    for (const RaceDayPlan& p : BuildCalendar(DateTime{year, 1, 1}, DateTime{year, 12, 31}))
        for (const VenueDay& vd : p.venues)
            for (int n = 1; n <= 12; ++n)
                if (vd.graded[static_cast<std::size_t>(n)] > 0 &&
                    races[static_cast<std::size_t>(vd.graded[static_cast<std::size_t>(n)] - 1)].name == name)
                    return p.date.yyyymmdd() + " " + std::string(Venue(vd.venue).name) + " " + std::to_string(n);
    return {};
}

} // namespace

// The G1 races of 2023 fell on these days at these venues; the Derby of 2025 was run in June and its
// Arima Kinen on the 28th, so the Hopeful Stakes moved to the Saturday, where the jump G1 of that day
// gives it race 11. December 2026 is the demo's.
TEST(FeedgenCalendar, GradedRacesFallOnJrasDays)
{
    struct Case {
        const char* name;
        int year;
        const char* where;
    };
    const Case cases[] = {
        {"フェブラリーステークス", 2023, "20230219 東京 11"},
        {"高松宮記念", 2023, "20230326 中京 11"},
        {"大阪杯", 2023, "20230402 阪神 11"},
        {"桜花賞", 2023, "20230409 阪神 11"},
        {"中山グランドジャンプ", 2023, "20230415 中山 11"},
        {"皐月賞", 2023, "20230416 中山 11"},
        {"天皇賞（春）", 2023, "20230430 京都 11"},
        {"ＮＨＫマイルカップ", 2023, "20230507 東京 11"},
        {"ヴィクトリアマイル", 2023, "20230514 東京 11"},
        {"優駿牝馬（オークス）", 2023, "20230521 東京 11"},
        {"東京優駿（日本ダービー）", 2023, "20230528 東京 11"},
        {"目黒記念", 2023, "20230528 東京 12"},
        {"安田記念", 2023, "20230604 東京 11"},
        {"宝塚記念", 2023, "20230625 阪神 11"},
        {"スプリンターズステークス", 2023, "20231001 中山 11"},
        {"秋華賞", 2023, "20231015 京都 11"},
        {"菊花賞", 2023, "20231022 京都 11"},
        {"天皇賞（秋）", 2023, "20231029 東京 11"},
        {"エリザベス女王杯", 2023, "20231112 京都 11"},
        {"マイルチャンピオンシップ", 2023, "20231119 京都 11"},
        {"ジャパンカップ", 2023, "20231126 東京 11"},
        {"チャンピオンズカップ", 2023, "20231203 中京 11"},
        {"阪神ジュベナイルフィリーズ", 2023, "20231210 阪神 11"},
        {"朝日杯フューチュリティステークス", 2023, "20231217 阪神 11"},
        {"中山大障害", 2023, "20231223 中山 11"},
        {"有馬記念", 2023, "20231224 中山 11"},
        {"ホープフルステークス", 2023, "20231228 中山 11"},
        {"中山金杯", 2023, "20230105 中山 11"},
        {"東京優駿（日本ダービー）", 2025, "20250601 東京 11"},
        {"有馬記念", 2025, "20251228 中山 11"},
        {"ホープフルステークス", 2025, "20251227 中山 11"},
        {"中山大障害", 2025, "20251227 中山 10"},
        {"チャンピオンズカップ", 2026, "20261206 中京 11"},
        {"阪神ジュベナイルフィリーズ", 2026, "20261213 阪神 11"},
        {"朝日杯フューチュリティステークス", 2026, "20261220 阪神 11"},
        {"有馬記念", 2026, "20261227 中山 11"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WhereIs(c.name, c.year), c.where) << c.name << " " << c.year;
}

// Over decades of calendars: every graded race finds its venue racing on its weekend, once a year; a
// year has about 288 venue-days of two or three venues and nothing from 29 December to 4 January;
// meetings count their days from 1 and a race key is never given twice.
TEST(FeedgenCalendar, EveryYearHoldsJrasShape)
{
    const auto races = GradedRaces();
    int g1 = 0, g2 = 0, jumpG1 = 0;
    for (const GradedRace& g : races) {
        g1 += g.grade == 'A';
        g2 += g.grade == 'B';
        jumpG1 += g.grade == 'F';
        const Course* c = FindCourse(g.venue, g.surface, g.distance);
        EXPECT_NE(c, nullptr) << g.name << ": the venue has no such course";
    }
    EXPECT_EQ(g1, 24);
    EXPECT_EQ(jumpG1, 2);
    EXPECT_EQ(g2, 38);
    for (int year = 1995; year <= 2045; ++year) {
        SCOPED_TRACE(year);
        std::vector<int> held(races.size());
        std::set<std::string> keys;
        std::map<std::pair<int, int>, int> lastNichi; // (venue, kai) -> day
        int venueDays = 0;
        for (const RaceDayPlan& p : BuildCalendar(DateTime{year, 1, 1}, DateTime{year, 12, 31})) {
            EXPECT_FALSE((p.date.month == 12 && p.date.day > 28) || (p.date.month == 1 && p.date.day < 5))
                << p.date.yyyymmdd();
            EXPECT_GE(p.venues.size(), 2u) << p.date.yyyymmdd();
            EXPECT_LE(p.venues.size(), 3u) << p.date.yyyymmdd();
            venueDays += static_cast<int>(p.venues.size());
            for (const VenueDay& vd : p.venues) {
                const int expected = ++lastNichi[std::make_pair(vd.venue, vd.kai)];
                EXPECT_EQ(vd.nichi, expected) << p.date.yyyymmdd() << " " << vd.venue;
                EXPECT_TRUE(keys.insert(RaceKey(p.date, vd, 1).substr(8, 6) + std::to_string(year)).second);
                for (int n = 1; n <= 12; ++n)
                    if (const int g = vd.graded[static_cast<std::size_t>(n)]; g > 0) {
                        ++held[static_cast<std::size_t>(g - 1)];
                        EXPECT_EQ(races[static_cast<std::size_t>(g - 1)].venue, vd.venue);
                    }
            }
        }
        EXPECT_GE(venueDays, 284);
        EXPECT_LE(venueDays, 294);
        for (std::size_t i = 0; i < races.size(); ++i)
            EXPECT_EQ(held[i], 1) << races[i].name;
    }
}

// A year's races, generated without the odds: mornings for maidens at the distances each course runs,
// the main race as the 11th, jump races only at the venues with a jump course, two-year-olds only from
// the June meetings, and graded races on their own courses.
TEST(FeedgenProgramme, RacesFollowEachCoursesPattern)
{
    const int year = 2024;
    const long long derby = AnchorDay(year, Anchor::Derby);
    // Courses JRA does not have.
    const std::set<std::string> missing = {"東京 芝1200", "中山 芝1400", "京都 ダ1600", "阪神 ダ1600", "東京 ダ1200",
                                           "中山 ダ1400", "小倉 芝1600", "札幌 障害",   "函館 障害"};
    int morning = 0, morningMaidens = 0, mainChecked = 0;
    std::map<std::string, int> nakayama;
    for (const RaceDayPlan& p : BuildCalendar(DateTime{year, 1, 1}, DateTime{year, 12, 31}))
        for (const VenueDay& vd : p.venues) {
            const VenueWeather w = DrawVenueWeather(p, vd, 3);
            std::array<Race, 13> card;
            for (int n = 1; n <= 12; ++n)
                card[static_cast<std::size_t>(n)] = GenerateRace(p, vd, n, w, 3);
            auto rank = [](const Race& r) {
                return r.jyoken == 999 ? 4 : r.jyoken == 16 ? 3 : r.jyoken == 10 ? 2 : r.jyoken == 5 ? 1 : 0;
            };
            for (int n = 1; n <= 12; ++n) {
                const Race& r = card[static_cast<std::size_t>(n)];
                const std::string venue(Venue(vd.venue).name);
                const std::string course =
                    venue + (r.jump ? " 障害" : (r.turf ? " 芝" : " ダ") + std::to_string(r.distance));
                EXPECT_EQ(missing.count(course), 0u) << r.key << " " << course;
                const Course* c =
                    FindCourse(vd.venue, r.jump ? Surface::Jump : (r.turf ? Surface::Turf : Surface::Dirt), r.distance);
                ASSERT_NE(c, nullptr) << r.key << " " << course;
                EXPECT_EQ(c->track, r.track) << r.key;
                if (vd.venue == 6)
                    ++nakayama[course];
                if (r.syubetu == 11) {
                    EXPECT_GE(p.date.toDays(), derby + 6) << r.key;
                }
                if (n <= 3) {
                    ++morning;
                    morningMaidens += r.jump || r.jyoken == 701 || r.jyoken == 703;
                }
                if (const int g = vd.graded[static_cast<std::size_t>(n)]; g > 0) {
                    const GradedRace& gr = GradedRaces()[static_cast<std::size_t>(g - 1)];
                    EXPECT_EQ(r.distance, gr.distance) << r.key;
                    EXPECT_EQ(Utf8(r.name), gr.name) << r.key;
                    EXPECT_EQ(r.grade, gr.grade) << r.key;
                } else if (n != 11 && !r.jump) {
                    EXPECT_LE(rank(r), rank(card[11])) << r.key << ": above the main race";
                }
            }
            EXPECT_TRUE(card[11].special && !card[11].name.empty()) << card[11].key;
            ++mainChecked;
        }
    EXPECT_GT(mainChecked, 280);
    EXPECT_GT(morningMaidens, morning * 85 / 100);
    // Nakayama's dirt 1800 m is its busiest course.
    const auto busiest = std::max_element(nakayama.begin(), nakayama.end(),
                                          [](const auto& a, const auto& b) { return a.second < b.second; });
    EXPECT_EQ(busiest->first, "中山 ダ1800");
}

// The market of whole generated years beside JRA's figures: the winner's popularity within 1.5
// points for ranks 1-6, the take-out of every bet type within 0.5 point, a handful of dead heats
// for first place, scratched runners at JRA's rate; a year of about 288 venue-days of 12 races.
TEST(FeedgenMarket, SeasonFiguresSitNearJras)
{
    for (const std::uint64_t seed : {1, 2, 4}) {
        SCOPED_TRACE(seed);
        const FeedStats s = SeasonFigures(DateTime{2024, 1, 1}, DateTime{2024, 12, 31}, seed);
        EXPECT_EQ(s.races, 12 * s.venueDays);
        EXPECT_NEAR(static_cast<double>(s.venueDays), RealFigures::venueDays, 8);
        long long won = 0;
        for (long long x : s.winnerPopularity)
            won += x;
        for (int k = 1; k <= 6; ++k)
            EXPECT_NEAR(100.0 * static_cast<double>(s.winnerPopularity[static_cast<std::size_t>(k)]) / won,
                        RealFigures::winnerPopularity[k], 1.5)
                << "popularity " << k;
        for (std::size_t k = 0; k < 8; ++k) {
            ASSERT_GT(s.sold[k], 0) << k;
            EXPECT_NEAR(100.0 * (1.0 - s.paid[k] / s.sold[k]), RealFigures::takeOut[k], 0.5) << "bet type " << k;
        }
        EXPECT_LE(s.deadHeatsAt[1], 10);
        EXPECT_LE(s.deadHeatsAt[1] + s.deadHeatsAt[2] + s.deadHeatsAt[3], 30);
        EXPECT_NEAR(static_cast<double>(s.scratched) / static_cast<double>(s.races), RealFigures::scratchedPerRace,
                    0.02);
        EXPECT_EQ(s.grades[0], RealFigures::g1);
        EXPECT_EQ(s.grades[3], RealFigures::jumpG1);
    }
}
