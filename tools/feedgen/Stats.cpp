#include "feedgen/Stats.h"

#include "feedgen/Calendar.h"
#include "feedgen/DayBuild.h"
#include "util/Text.h"

#include <algorithm>

namespace solvane::feedgen {

namespace {

double Percent(long long part, long long whole)
{
    return whole ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0;
}

int GradeIndex(char grade)
{
    switch (grade) {
    case 'A':
        return 0;
    case 'B':
        return 1;
    case 'C':
        return 2;
    case 'F':
        return 3;
    case 'G':
        return 4;
    case 'H':
        return 5;
    case 'L':
        return 6;
    default:
        return 7;
    }
}

} // namespace

void AddStats(const BuiltDay& d, FeedStats& s)
{
    ++s.days;
    s.venueDays += static_cast<long long>(d.day.plan.venues.size());
    for (std::size_t i = 0; i < d.day.races.size(); ++i) {
        const Race& r = d.day.races[i];
        const OddsTable& o = *d.finals[i];
        const Payouts& p = d.pays[i];
        ++s.races;
        r.jump ? ++s.jumpRaces : ++s.flatRaces;
        ++s.fieldSizes[U(r.registered)];
        s.runners += r.registered;
        for (int h = 1; h <= r.registered; ++h) {
            const Runner& u = r.runners[U(h)];
            s.scratched += u.scratched ? 1 : 0;
            s.scratchedAfterSale += u.scratchedAfterSale ? 1 : 0;
        }
        if (r.deadHeat) {
            ++s.deadHeats;
            for (int h = 1; h <= r.registered; ++h)
                if (r.runners[U(h)].deadHeat && r.pos[U(h)] <= 3) {
                    ++s.deadHeatsAt[U(r.pos[U(h)])];
                    break;
                }
        }
        ++s.grades[U(GradeIndex(r.grade))];
        if (r.raceNo <= 3 && (r.jump || r.jyoken == 701 || r.jyoken == 703))
            ++s.maidensMorning;
        if (!r.jump) {
            ++s.distances[r.distance];
            if (r.turf) {
                ++s.turfRaces;
                ++s.turfGoing[U(r.turfGoing)];
            } else {
                ++s.dirtRaces;
                ++s.dirtGoing[U(r.dirtGoing)];
            }
        }
        // Figures of the results, over every race (run or not: the results exist in memory).
        ++s.runRaces;
        if (!r.jump && !r.order.empty())
            ++s.winnerPopularity[U(std::min(18, o.tanPop[U(r.order.front())]))];
        if (!r.jump && r.special)
            for (int h = 1; h <= r.registered; ++h)
                if (o.tan[U(h)] > 0 && o.tanPop[U(h)] <= 6) {
                    s.specialOdds[U(o.tanPop[U(h)])] += o.tan[U(h)] / 10.0;
                    ++s.specialRunners[U(o.tanPop[U(h)])];
                }
        const std::vector<PayEntry>* pools[8] = {&p.tan, &p.fuk, &p.wr, &p.ur, &p.wide, &p.ut, &p.srf, &p.srt};
        for (std::size_t k = 0; k < 8; ++k) {
            const double total = static_cast<double>(o.totals[k]);
            if (total <= 0 || pools[k]->empty())
                continue;
            s.sold[k] += total;
            for (const PayEntry& e : *pools[k])
                s.paid[k] += total * e.share * e.exact / 100.0;
        }
    }
}

FeedStats SeasonFigures(const DateTime& from, const DateTime& to, std::uint64_t seed)
{
    FeedOptions o;
    o.from = from;
    o.to = to;
    o.seed = seed;
    o.now = to.addDays(1); // every day run
    FeedStats s;
    for (const RaceDayPlan& plan : BuildCalendar(from, to))
        AddStats(BuildDay(plan, o), s);
    return s;
}

std::string FormatStats(const FeedStats& s, double seconds)
{
    using R = RealFigures;
    std::string t;
    t += strprintf("days %lld, venue-days %lld (JRA %d), races %lld (JRA %d; flat %lld, jump %lld), files %lld, "
                   "%.1f MB in %.2f s\n",
                   s.days, s.venueDays, R::venueDays, s.races, R::races, s.flatRaces, s.jumpRaces, s.files,
                   static_cast<double>(s.bytes) / 1e6, seconds);
    t += strprintf("graded: G1 %lld (JRA %d), G2 %lld (JRA %d), G3 %lld, J-G1 %lld (JRA %d), J-G2 %lld, J-G3 %lld; "
                   "listed %lld\n",
                   s.grades[0], R::g1, s.grades[1], R::g2, s.grades[2], s.grades[3], R::jumpG1, s.grades[4],
                   s.grades[5], s.grades[6]);
    long long flatWon = 0;
    for (long long v : s.winnerPopularity)
        flatWon += v;
    t += "winner's popularity (flat races), generated (JRA):";
    for (int k = 1; k <= 6; ++k)
        t += strprintf(" %d: %.1f%% (%.1f%%)", k, Percent(s.winnerPopularity[U(k)], flatWon), R::winnerPopularity[k]);
    t += "\n";
    t += "mean final win odds by popularity (flat special races), generated (JRA):";
    for (int k = 1; k <= 6; ++k)
        t += strprintf(" %d: %.1f (%.1f)", k,
                       s.specialRunners[U(k)] ? s.specialOdds[U(k)] / static_cast<double>(s.specialRunners[U(k)]) : 0.0,
                       R::specialOdds[k]);
    t += "\n";
    static constexpr const char* kPools[8] = {"win",    "place", "bracket quinella", "quinella", "wide",
                                              "exacta", "trio",  "trifecta"};
    t += "take-out before the 10-yen cut, generated (JRA):";
    for (std::size_t k = 0; k < 8; ++k)
        t += strprintf(" %s %.2f%% (%.1f%%)", kPools[k], s.sold[k] > 0 ? 100.0 * (1.0 - s.paid[k] / s.sold[k]) : 0.0,
                       R::takeOut[k]);
    t += "\n";
    t += strprintf("dead heats: first %lld (JRA 2022: %d), second %lld (%d), third %lld (%d); scratched runners %lld, "
                   "%.3f a race (JRA %.3f), %lld after sales opened\n",
                   s.deadHeatsAt[1], R::deadHeatsAt[1], s.deadHeatsAt[2], R::deadHeatsAt[2], s.deadHeatsAt[3],
                   R::deadHeatsAt[3], s.scratched, s.races ? static_cast<double>(s.scratched) / s.races : 0.0,
                   R::scratchedPerRace, s.scratchedAfterSale);
    t += strprintf("races 1-3 for maidens, newcomers or over jumps: %.1f%%; runners a race %.2f\n",
                   Percent(s.maidensMorning, 3 * s.venueDays),
                   s.races ? static_cast<double>(s.runners) / static_cast<double>(s.races) : 0.0);
    t += "field sizes:";
    for (int n = 5; n <= 18; ++n)
        t += strprintf(" %d:%.1f%%", n, Percent(s.fieldSizes[U(n)], s.races));
    t += "\n";
    t += "distances (flat):";
    for (const auto& [d, c] : s.distances)
        t += strprintf(" %d:%.1f%%", d, Percent(c, s.flatRaces));
    t += "\n";
    static constexpr const char* kGoing[5] = {"", "good", "yielding", "soft", "heavy"};
    t += strprintf("surface (flat): turf %.1f%%, dirt %.1f%%\ngoing turf:", Percent(s.turfRaces, s.flatRaces),
                   Percent(s.dirtRaces, s.flatRaces));
    for (int g = 1; g <= 4; ++g)
        t += strprintf(" %s %.1f%%", kGoing[g], Percent(s.turfGoing[U(g)], s.turfRaces));
    t += "; dirt:";
    for (int g = 1; g <= 4; ++g)
        t += strprintf(" %s %.1f%%", kGoing[g], Percent(s.dirtGoing[U(g)], s.dirtRaces));
    t += "\n";
    t += strprintf("real-time snapshots %lld\n", s.rtSnapshots);
    return t;
}

} // namespace solvane::feedgen
