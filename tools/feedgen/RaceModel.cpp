#include "feedgen/RaceModel.h"

#include "feedgen/Calendar.h"
#include "feedgen/Names.h"
#include "feedgen/Rng.h"
#include "jvdata/Combo.h"
#include "util/Text.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace solvane::feedgen {

namespace {

struct Program {
    int syubetu, jyoken, jyuryo;
    char grade;
    bool special, jump;
    bool fillies;
};

// The class of race raceNo on a day: maidens in the morning, then the winners' classes, a special
// race or two and the main race as race 11.
Program DrawProgram(Rng& rng, int month, int raceNo, int weekdayCode, int venueOrder, bool localVenue)
{
    Program p{13, 5, 4, ' ', false, false, false};
    const bool early = month <= 5; // 4-year-olds and up run separately until the summer
    const bool juveniles = month >= 6;
    const bool threeOnly = month <= 9;
    auto maiden = [&](bool allowNew) {
        const bool twoYear = juveniles && (!threeOnly || rng.chance(month >= 8 ? 0.6 : 0.4));
        p.syubetu = twoYear ? 11 : 12;
        p.jyoken = (allowNew && (twoYear || month <= 3) && rng.chance(0.45)) ? 701 : 703;
        p.jyuryo = 3;
    };
    auto older = [&](int cond) {
        p.jyoken = cond;
        if (early)
            p.syubetu = (cond <= 5 && rng.chance(0.3)) ? 12 : 14;
        else
            p.syubetu = 13;
        p.jyuryo = rng.chance(0.15) ? 1 : 4;
    };
    switch (raceNo) {
    case 1:
    case 2:
    case 3:
        maiden(false);
        break;
    case 4:
        if (rng.chance(localVenue ? 0.45 : 0.3)) {
            p.jump = true;
            p.syubetu = early ? 19 : 18;
            p.jyoken = rng.chance(0.75) ? 703 : 999;
            p.jyuryo = p.jyoken == 999 ? 2 : 4;
        } else {
            maiden(true);
        }
        break;
    case 5:
    case 6:
        maiden(true);
        break;
    case 7:
    case 8:
        older(rng.chance(0.75) ? 5 : 10);
        break;
    case 9:
        older(rng.chance(0.5) ? 5 : 10);
        p.special = true;
        break;
    case 10:
        older(rng.chance(0.6) ? 10 : 16);
        p.special = true;
        break;
    case 11: {
        p.special = true;
        older(999);
        p.jyuryo = rng.chance(0.5) ? 2 : (rng.chance(0.5) ? 1 : 4);
        const double graded = venueOrder == 2 || venueOrder == 1 ? (weekdayCode == 2 ? 0.55 : 0.3) : 0.12;
        if (rng.chance(graded)) {
            const int g = rng.weighted(std::array<double, 3>{0.1, 0.3, 0.6});
            p.grade = "ABC"[g];
            if (g == 0)
                p.jyuryo = rng.chance(0.5) ? 3 : 4;
        } else if (rng.chance(0.4)) {
            p.grade = 'L';
        } else if (rng.chance(0.5)) {
            p.grade = 'E';
        }
        break;
    }
    default:
        older(rng.chance(0.6) ? 5 : 10);
        p.special = rng.chance(0.3);
        break;
    }
    if (p.special && p.grade == ' ' && rng.chance(0.5))
        p.grade = 'E';
    p.fillies = !p.jump && rng.chance(0.12);
    return p;
}

struct Course {
    int distance;
    int track;
    bool turf;
};

Course DrawCourse(Rng& rng, const VenueInfo& v, const Program& p, int raceNo)
{
    if (p.jump) {
        static constexpr int kJump[] = {2750, 2880, 2890, 3000, 3110, 3200, 3300, 3380, 3570};
        static constexpr int kTrack[] = {51, 52, 53, 54, 55, 56, 57, 58, 59};
        return {kJump[rng.below(9)], kTrack[rng.weighted(std::array<double, 9>{3, 3, 1, 4, 2, 1, 1, 1, 1})], true};
    }
    // Morning maidens lean to dirt, the main race to turf.
    const double turfShare = raceNo <= 3 ? 0.35 : (raceNo >= 9 ? 0.7 : 0.5);
    const bool turf = rng.chance(turfShare);
    if (turf) {
        static constexpr int kTurf[] = {1000, 1200, 1400, 1500, 1600, 1800, 2000, 2200, 2400, 2500, 2600, 3000, 3200};
        static constexpr double kTurfW[] = {1, 14, 10, 2, 12, 12, 12, 5, 6, 2, 2, 1, 0.5};
        std::array<double, 13> w{};
        for (int i = 0; i < 13; ++i)
            w[static_cast<std::size_t>(i)] = kTurfW[i];
        if (v.code != 4)
            w[0] = 0; // only the straight course runs 1000 m
        if (v.local) {
            w[2] = 1, w[3] = 0, w[9] = 0, w[11] = 0, w[12] = 0;
            w[8] = 0.5;
        }
        int d = kTurf[rng.weighted(w)];
        int track = v.leftHanded ? 11 : 17;
        if (d == 1000)
            track = 10;
        else if (rng.chance(0.3))
            track = v.leftHanded ? 12 : 18; // outer course
        return {d, track, true};
    }
    static constexpr int kDirt[] = {1000, 1150, 1200, 1300, 1400, 1600, 1700, 1800, 1900, 2100};
    static constexpr double kDirtW[] = {2, 1, 14, 3, 10, 4, 6, 16, 3, 2};
    std::array<double, 10> w{};
    for (int i = 0; i < 10; ++i)
        w[static_cast<std::size_t>(i)] = kDirtW[i];
    if (!v.local)
        w[0] = 0, w[1] = 0, w[6] = 0;
    else
        w[3] = 0, w[5] = 0, w[9] = 0;
    return {kDirt[rng.weighted(w)], v.leftHanded ? 23 : 24, false};
}

int DrawFieldSize(Rng& rng, const Program& p, bool local)
{
    if (p.jump)
        return rng.range(8, 14);
    static constexpr std::array<double, 14> w = {0.3, 0.4, 0.8, 1.5, 2, 4, 4, 6, 7, 12, 10, 20, 10, 22};
    int n = 5 + rng.weighted(w);
    if (local && n > 16 && rng.chance(0.5))
        n = 16;
    return n;
}

int BaseTimeTenths(const Race& r, int going)
{
    double speed = r.jump ? 14.2 : (r.turf ? 16.75 : 16.0);
    if (r.distance >= 2000)
        speed -= (r.distance - 2000) / 2000.0;
    double t = r.distance / speed;
    static constexpr double kTurfGoing[5] = {0, 0, 0.006, 0.013, 0.022};
    static constexpr double kDirtGoing[5] = {0, 0, -0.003, -0.006, -0.008};
    t *= 1.0 + (r.turf ? kTurfGoing[going] : kDirtGoing[going]);
    return static_cast<int>(std::lround(t * 10));
}

} // namespace

std::string RaceKey(const DateTime& date, const VenueDay& vd, int raceNo)
{
    return date.yyyymmdd() + strprintf("%02d%02d%02d%02d", vd.venue, vd.kai, vd.nichi, raceNo);
}

VenueWeather DrawVenueWeather(const RaceDayPlan& day, const VenueDay& vd, std::uint64_t seed)
{
    Rng rng(MixSeed(MixSeed(seed, static_cast<std::uint64_t>(day.date.toDays())), 100 + vd.venue));
    VenueWeather w;
    const bool winter = day.date.month <= 2 || day.date.month == 12;
    const bool northern = vd.venue <= 4;
    std::array<double, 6> wx = {58, 26, 8, 6, winter && northern ? 1.5 : 0.0, winter && northern ? 1.5 : 0.0};
    w.weather = 1 + rng.weighted(wx);
    auto going = [&](int weather, bool turf) {
        const bool wet = weather == 3 || weather == 5;
        const bool damp = weather == 4 || weather == 6 || weather == 2;
        std::array<double, 4> g =
            wet ? std::array<double, 4>{10, 30, 35, 25}
                : (damp ? std::array<double, 4>{70, 20, 7, 3} : std::array<double, 4>{88, 9, 2, 1});
        if (!turf)
            g[0] *= 0.8;
        return 1 + rng.weighted(g);
    };
    w.turf = going(w.weather, true);
    w.dirt = going(w.weather, false);
    w.weather2 = w.weather, w.turf2 = w.turf, w.dirt2 = w.dirt;
    if (rng.chance(0.18)) {
        w.changeAt = rng.range(10 * 60 + 30, 15 * 60);
        if (rng.chance(0.6)) {
            w.kind = 2;
            w.weather2 = w.weather == 1 ? 2 : (w.weather == 2 ? (rng.chance(0.5) ? 4 : 1) : 2);
        } else {
            w.kind = 3;
            w.turf2 = std::min(4, w.turf + 1);
            w.dirt2 = std::min(4, w.dirt + 1);
        }
    }
    return w;
}

Race GenerateRace(const RaceDayPlan& day, const VenueDay& vd, int raceNo, const VenueWeather& weather,
                  std::uint64_t seed)
{
    Race r;
    r.date = day.date;
    r.weekdayCode = day.weekdayCode;
    r.vd = vd;
    r.raceNo = raceNo;
    r.key = RaceKey(day.date, vd, raceNo);
    r.seed = MixSeed(MixSeed(MixSeed(seed, static_cast<std::uint64_t>(day.date.toDays())), vd.venue), raceNo);
    Rng rng(r.seed);
    const VenueInfo& venue = Venue(vd.venue);

    const Program p = DrawProgram(rng, day.date.month, raceNo, day.weekdayCode, vd.order, venue.local);
    r.syubetu = p.syubetu;
    r.jyoken = p.jyoken;
    r.jyuryo = p.jyuryo;
    r.grade = p.grade;
    r.special = p.special;
    r.jump = p.jump;
    if (p.special || p.grade != ' ')
        r.name = RaceName(rng, vd.venue, day.date.month, p.grade);
    {
        static constexpr const char* kMixed[] = {"A01", "A03", "A04", "A14", "001", "003", "004", "N01", "N04", "A13"};
        static constexpr const char* kFillies[] = {"A24", "024", "A21", "A23", "N24", "021"};
        r.kigo = p.fillies ? kFillies[rng.below(6)]
                           : kMixed[rng.weighted(std::array<double, 10>{30, 10, 25, 6, 8, 4, 6, 4, 4, 3})];
        if (p.jump)
            r.kigo = "000";
    }
    const Course c = DrawCourse(rng, venue, p, raceNo);
    r.distance = c.distance;
    r.track = c.track;
    r.turf = c.turf;
    r.postPlanned = r.postActual = PlannedPostTime(vd, raceNo);
    const bool changed = weather.changeAt >= 0 && r.postPlanned >= weather.changeAt;
    r.weather = changed ? weather.weather2 : weather.weather;
    r.turfGoing = changed ? weather.turf2 : weather.turf;
    r.dirtGoing = changed ? weather.dirt2 : weather.dirt;

    // Prize of the winner in 100 yen.
    static constexpr long long kPrize[] = {0, 5500, 7500, 10000, 18000};
    long long prize =
        r.jyoken == 701 || r.jyoken == 703
            ? kPrize[1]
            : (r.jyoken == 5 ? kPrize[2] : (r.jyoken == 10 ? kPrize[3] : (r.jyoken == 16 ? kPrize[4] : 22000)));
    if (r.grade == 'A')
        prize = 200000 + 10000 * rng.below(20);
    else if (r.grade == 'B')
        prize = 65000;
    else if (r.grade == 'C')
        prize = 43000;
    if (r.jump)
        prize = prize * 13 / 10;
    r.prize1 = prize;
    r.poolScale = r.grade == 'A' ? 12.0 : (r.grade == 'B' || r.grade == 'C' ? 3.0 : (raceNo >= 9 ? 1.4 : 1.0));
    r.poolScale *= 0.7 + 0.6 * rng.uniform();

    // Runners.
    const int n = DrawFieldSize(rng, p, venue.local);
    r.registered = n;
    const int baseAge = r.syubetu == 11 ? 2 : (r.syubetu == 12 ? 3 : (r.syubetu == 13 || r.syubetu == 18 ? 3 : 4));
    // Spread of abilities: sets how often the favourite wins.
    const double sigma = 1.2 + 0.3 * rng.uniform();
    for (int h = 1; h <= n; ++h) {
        Runner& u = r.runners[static_cast<std::size_t>(h)];
        u.number = h;
        u.bracket = BracketOf(n, h);
        u.name = PadWide(HorseName(rng), 36);
        u.pedigreeNo = strprintf("%04d10%04d", day.date.year - (baseAge + 1), rng.below(10000));
        u.sex = p.fillies ? 2 : (rng.chance(0.38) ? 2 : (baseAge >= 4 && rng.chance(0.1) ? 3 : 1));
        u.age =
            baseAge +
            (r.syubetu == 13 || r.syubetu == 14 || r.jump ? rng.weighted(std::array<double, 5>{5, 4, 3, 1.5, 0.5}) : 0);
        u.trainer = rng.below(300);
        u.jockey = rng.below(120);
        u.east = u.trainer % 2 == 0 ? 1 : 2;
        int futan = u.age == 2 ? 550 : (u.age == 3 && r.syubetu != 13 ? 570 : 580);
        if (u.sex == 2)
            futan -= 20;
        if (r.jump)
            futan = 600;
        if (r.jyuryo == 1)
            futan = 500 + 10 * rng.below(9);
        else if (r.jyuryo == 2)
            futan += 10 * rng.below(3);
        u.futan = futan;
        u.bodyWeight = (u.sex == 2 ? 455 : 480) + rng.range(-40, 50);
        u.weightDiff = rng.range(-8, 8) * 2;
        u.ability = sigma * rng.normal();
        u.style = 1 + rng.weighted(std::array<double, 4>{1, 3, 3, 2});
    }
    // A few runners are scratched, most before sales open, some after.
    if (n >= 8 && rng.chance(0.06)) {
        Runner& u = r.runners[static_cast<std::size_t>(rng.range(1, n))];
        u.scratched = true;
        u.scratchedAfterSale = rng.chance(0.4);
    }
    // Chances: the public sees the abilities with some noise.
    double sumP = 0, sumQ = 0;
    std::array<double, kMaxRunners + 1> q{};
    for (int h = 1; h <= n; ++h) {
        Runner& u = r.runners[static_cast<std::size_t>(h)];
        if (u.scratched)
            continue;
        u.winProb = std::exp(u.ability);
        q[static_cast<std::size_t>(h)] = std::exp(u.ability + 0.22 * rng.normal());
        sumP += u.winProb;
        sumQ += q[static_cast<std::size_t>(h)];
    }
    for (int h = 1; h <= n; ++h) {
        Runner& u = r.runners[static_cast<std::size_t>(h)];
        if (u.scratched)
            continue;
        u.winProb /= sumP;
        u.marketProb = q[static_cast<std::size_t>(h)] / sumQ;
    }
    r.starters = 0;
    for (int h = 1; h <= n; ++h)
        r.starters += r.runners[static_cast<std::size_t>(h)].scratched ? 0 : 1;

    // Finishing order: Plackett-Luce draws from the true chances.
    std::array<double, kMaxRunners + 1> left{};
    for (int h = 1; h <= n; ++h)
        left[static_cast<std::size_t>(h)] = r.runners[static_cast<std::size_t>(h)].winProb;
    for (int place = 0; place < r.starters; ++place) {
        double total = 0;
        for (int h = 1; h <= n; ++h)
            total += left[static_cast<std::size_t>(h)];
        double x = rng.uniform() * total;
        int pick = 0;
        for (int h = 1; h <= n; ++h) {
            const double w = left[static_cast<std::size_t>(h)];
            if (w <= 0)
                continue;
            pick = h;
            if (x < w)
                break;
            x -= w;
        }
        r.order.push_back(pick);
        left[static_cast<std::size_t>(pick)] = 0;
    }
    for (std::size_t i = 0; i < r.order.size(); ++i)
        r.pos[static_cast<std::size_t>(r.order[i])] = static_cast<int>(i) + 1;
    // Now and then two runners share a place among the first three.
    int tieAt = -1;
    if (r.starters >= 5 && rng.chance(0.012)) {
        tieAt = rng.below(3); // order[tieAt] and order[tieAt + 1] share place tieAt + 1
        r.deadHeat = true;
        const int a = r.order[static_cast<std::size_t>(tieAt)], b = r.order[static_cast<std::size_t>(tieAt) + 1];
        r.pos[static_cast<std::size_t>(b)] = tieAt + 1;
        r.runners[static_cast<std::size_t>(a)].deadHeat = r.runners[static_cast<std::size_t>(b)].deadHeat = true;
    }
    for (int h = 1; h <= n; ++h)
        r.runners[static_cast<std::size_t>(h)].placing = r.pos[static_cast<std::size_t>(h)];

    // Run times: the winner near the course's usual time, then small gaps.
    const int going = r.turf ? r.turfGoing : r.dirtGoing;
    int t = BaseTimeTenths(r, going) + rng.range(-8, 8);
    const int last3 = (r.turf ? 345 : 370) + rng.range(-15, 15) + (r.distance >= 2000 ? 10 : 0);
    for (std::size_t i = 0; i < r.order.size(); ++i) {
        Runner& u = r.runners[static_cast<std::size_t>(r.order[i])];
        if (i > 0 && !(static_cast<int>(i) == tieAt + 1))
            t += rng.weighted(std::array<double, 7>{3, 5, 4, 3, 2, 1, 0.5}) + (i > 8 ? rng.below(4) : 0);
        u.timeTenths = t;
        u.last3f = last3 + static_cast<int>(i / 2) + rng.range(-5, 5) + (u.style <= 2 ? 4 : -3);
    }

    // Mining forecasts: predicted times from the abilities with their own noise.
    std::vector<std::pair<double, int>> dm;
    const int base100 = BaseTimeTenths(r, going) * 10;
    for (int h = 1; h <= n; ++h) {
        Runner& u = r.runners[static_cast<std::size_t>(h)];
        u.dmTime = base100 + static_cast<int>(std::lround((-u.ability + 0.6 * rng.normal()) * 60.0)) + 150;
        u.dmErr = 30 + rng.below(70);
        dm.push_back({static_cast<double>(u.dmTime), h});
        const double score = 500 + 180 * (u.ability + 0.5 * rng.normal());
        u.tmScore = std::clamp(static_cast<int>(score), 0, 1000);
    }
    std::sort(dm.begin(), dm.end());
    for (std::size_t i = 0; i < dm.size(); ++i)
        r.runners[static_cast<std::size_t>(dm[i].second)].dmRank = static_cast<int>(i) + 1;
    return r;
}

} // namespace solvane::feedgen
