#include "feedgen/Odds.h"

#include "feedgen/Rng.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <span>

namespace solvane::feedgen {

namespace {

int OddsTenths(double net, double share, int cap)
{
    if (share <= 0)
        return cap;
    const double v = std::floor(10.0 * net / share);
    if (v >= cap)
        return cap;
    return std::max(10, static_cast<int>(v));
}

// Pari-mutuel payout of one winning combination when several combinations win: what is left of
// the pool after returning the winning stakes is shared equally between the winners. Shares are
// added in the caller's fixed order so that the same set always gives the same value.
double SplitOdds(double net, double sumWinning, int winners, double share)
{
    return 1.0 + (net - sumWinning) / (winners * share);
}

int SplitTenths(double net, double sumWinning, int winners, double share, int cap)
{
    if (share <= 0)
        return cap;
    const double v = std::floor(10.0 * SplitOdds(net, sumWinning, winners, share));
    if (v >= cap)
        return cap;
    return std::max(10, static_cast<int>(v));
}

// The same payout per 100 yen before the cut to 10 yen (at least the stake back, within the cap):
// what the take-out rates are stated against.
double ExactYen(double net, double sumWinning, int winners, double share, int cap)
{
    if (share <= 0)
        return cap * 10.0;
    return std::clamp(100.0 * SplitOdds(net, sumWinning, winners, share), 100.0, cap * 10.0);
}

// Popularity as JRA gives it: by the votes, which the odds round down to a tenth. Entries at the same
// odds are told apart by their stakes (the larger first), so a reader that ranks by the odds alone gets
// such ties wrong. shares[i] is entry i's stake in its pool.
template <std::size_t N>
void Rank(const std::array<int, N>& odds, std::span<const double> shares, std::array<int, N>& pop)
{
    auto share = [&](int i) { return U(i) < shares.size() ? shares[U(i)] : 0.0; };
    std::vector<int> idx;
    idx.reserve(N);
    for (int i = 1; i < static_cast<int>(N); ++i) {
        pop[U(i)] = odds[U(i)];
        if (odds[U(i)] > 0)
            idx.push_back(i);
    }
    std::sort(idx.begin(), idx.end(), [&](int a, int b) {
        if (odds[U(a)] != odds[U(b)])
            return odds[U(a)] < odds[U(b)];
        if (share(a) != share(b))
            return share(a) > share(b);
        return a < b;
    });
    for (std::size_t k = 0; k < idx.size(); ++k)
        pop[U(idx[k])] = static_cast<int>(k) + 1;
}

// Marker of a combination touching scratched runners, or 0 when all start.
int Cancel(const Market& m, std::initializer_list<int> horses)
{
    int marker = 0;
    for (int h : horses)
        if (m.out[U(h)])
            marker = m.outAfterSale[U(h)] ? kCancelPost : (marker == 0 ? kCancelPre : marker);
    return marker;
}

} // namespace

Market BuildMarket(const Race& race, const std::array<double, kMaxRunners + 1>& q)
{
    const ComboTables& T = Combos();
    Market m;
    m.n = race.registered;
    m.starters = race.starters;
    m.placeKey = m.starters <= 4 ? 0 : (m.starters <= 7 ? 2 : 3);
    m.wrSold = m.n >= 9;
    double sum = 0;
    for (int h = 1; h <= m.n; ++h) {
        const Runner& u = race.runners[U(h)];
        m.out[U(h)] = u.scratched;
        m.outAfterSale[U(h)] = u.scratchedAfterSale;
        m.bracket[U(h)] = u.bracket;
        if (!u.scratched)
            sum += q[U(h)];
    }
    for (int h = 1; h <= m.n; ++h)
        m.q[U(h)] = m.out[U(h)] || sum <= 0 ? 0.0 : q[U(h)] / sum;

    // Trifecta chances by Plackett-Luce; every other pool follows from them.
    for (int a = 1; a <= m.n; ++a) {
        const double qa = m.q[U(a)];
        if (qa <= 0)
            continue;
        const double ra = std::max(1e-12, 1.0 - qa);
        for (int b = 1; b <= m.n; ++b) {
            const double qb = m.q[U(b)];
            if (b == a || qb <= 0)
                continue;
            const double pab = qa * qb / ra;
            m.ut[U(T.utSlot(a, b))] = pab;
            const double rab = std::max(1e-12, ra - qb);
            for (int c = 1; c <= m.n; ++c) {
                const double qc = m.q[U(c)];
                if (c == a || c == b || qc <= 0)
                    continue;
                const double p = pab * qc / rab;
                m.srt[U(T.srtSlot(a, b, c))] = p;
                m.srf[U(T.srfSlot(a, b, c))] += p;
                if (m.placeKey == 3) {
                    m.place[U(a)] += p / 3;
                    m.place[U(b)] += p / 3;
                    m.place[U(c)] += p / 3;
                }
            }
            if (m.placeKey == 2) {
                m.place[U(a)] += pab / 2;
                m.place[U(b)] += pab / 2;
            }
        }
    }
    for (int a = 1; a <= m.n; ++a)
        for (int b = a + 1; b <= m.n; ++b) {
            const int s = T.pairSlot(a, b);
            m.ur[U(s)] = m.ut[U(T.utSlot(a, b))] + m.ut[U(T.utSlot(b, a))];
            double w = 0;
            for (int c = 1; c <= m.n; ++c)
                if (c != a && c != b)
                    w += m.srf[U(T.srfSlot(a, b, c))];
            m.wide[U(s)] = w / 3;
            m.wr[U(T.wrSlot(m.bracket[U(a)], m.bracket[U(b)]))] += m.ur[U(s)];
        }
    return m;
}

void FillOdds(const Market& m, double poolScale, OddsTable& o)
{
    const ComboTables& T = Combos();
    const int n = m.n;
    o.registered = n;
    o.starters = m.starters;
    o.wrSold = m.wrSold;
    o.placeKey = m.placeKey;
    o.tan.fill(kNoEntry);
    o.fukLow.fill(kNoEntry);
    o.fukHigh.fill(kNoEntry);
    o.wr.fill(kNoEntry);
    o.ur.fill(kNoEntry);
    o.wdLow.fill(kNoEntry);
    o.wdHigh.fill(kNoEntry);
    o.ut.fill(kNoEntry);
    o.srf.fill(kNoEntry);
    o.srt.fill(kNoEntry);

    const double netPlace = 1 - kTakePlace, netWide = 1 - kTakeWide;
    std::vector<int> live;
    for (int h = 1; h <= n; ++h)
        if (!m.out[U(h)])
            live.push_back(h);
    for (int h = 1; h <= n; ++h) {
        if (const int c = Cancel(m, {h})) {
            o.tan[U(h)] = o.fukLow[U(h)] = o.fukHigh[U(h)] = c;
            continue;
        }
        o.tan[U(h)] = OddsTenths(1 - kTakeWin, m.q[U(h)], 9999);
        if (m.placeKey == 0)
            continue;
        // Place range: the other placed runners the most and the least backed ones.
        std::vector<int> others;
        for (int x : live)
            if (x != h)
                others.push_back(x);
        std::sort(others.begin(), others.end(),
                  [&](int a, int b) { return m.place[U(a)] != m.place[U(b)] ? m.place[U(a)] > m.place[U(b)] : a < b; });
        auto payWith = [&](std::vector<int> w) {
            w.push_back(h);
            std::sort(w.begin(), w.end());
            double s = 0;
            for (int x : w)
                s += m.place[U(x)];
            return SplitTenths(netPlace, s, static_cast<int>(w.size()), m.place[U(h)], 9999);
        };
        const std::size_t k = static_cast<std::size_t>(m.placeKey - 1);
        std::vector<int> top(others.begin(), others.begin() + static_cast<long>(std::min(k, others.size())));
        std::vector<int> bottom(others.end() - static_cast<long>(std::min(k, others.size())), others.end());
        o.fukLow[U(h)] = payWith(top);
        o.fukHigh[U(h)] = payWith(bottom);
    }
    if (m.wrSold) {
        std::array<int, 9> regs{}, lives{};
        for (int h = 1; h <= n; ++h) {
            ++regs[U(m.bracket[U(h)])];
            lives[U(m.bracket[U(h)])] += m.out[U(h)] ? 0 : 1;
        }
        for (int s = 1; s <= kWrSlots; ++s) {
            const int a = T.wr[U(s)][0], b = T.wr[U(s)][1];
            const bool exists = a == b ? regs[U(a)] >= 2 : (regs[U(a)] >= 1 && regs[U(b)] >= 1);
            if (!exists)
                continue;
            const bool possible = a == b ? lives[U(a)] >= 2 : (lives[U(a)] >= 1 && lives[U(b)] >= 1);
            if (!possible) {
                bool after = false;
                for (int h = 1; h <= n; ++h)
                    if ((m.bracket[U(h)] == a || m.bracket[U(h)] == b) && m.outAfterSale[U(h)])
                        after = true;
                o.wr[U(s)] = after ? kCancelPost : kCancelPre;
                continue;
            }
            o.wr[U(s)] = OddsTenths(1 - kTakeWr, m.wr[U(s)], 99999);
        }
    }
    for (int s = 1; s <= kPairSlots; ++s) {
        const int a = T.pair[U(s)][0], b = T.pair[U(s)][1];
        if (b > n)
            continue;
        if (const int c = Cancel(m, {a, b})) {
            o.ur[U(s)] = o.wdLow[U(s)] = o.wdHigh[U(s)] = c;
            continue;
        }
        o.ur[U(s)] = OddsTenths(1 - kTakeUr, m.ur[U(s)], 999999);
        int lo = 99999, hi = 10;
        for (int c : live) {
            if (c == a || c == b)
                continue;
            // The three winning pairs, summed in slot order.
            std::array<int, 3> w = {s, T.pairSlot(a, c), T.pairSlot(b, c)};
            std::sort(w.begin(), w.end());
            const double sum = m.wide[U(w[0])] + m.wide[U(w[1])] + m.wide[U(w[2])];
            const int v = SplitTenths(netWide, sum, 3, m.wide[U(s)], 99999);
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        o.wdLow[U(s)] = lo;
        o.wdHigh[U(s)] = std::max(lo, hi);
    }
    for (int s = 1; s <= kUtSlots; ++s) {
        const int a = T.ut[U(s)][0], b = T.ut[U(s)][1];
        if (a > n || b > n)
            continue;
        const int c = Cancel(m, {a, b});
        o.ut[U(s)] = c ? c : OddsTenths(1 - kTakeUt, m.ut[U(s)], 999999);
    }
    for (int s = 1; s <= kSrfSlots; ++s) {
        const int a = T.srf[U(s)][0], b = T.srf[U(s)][1], x = T.srf[U(s)][2];
        if (x > n)
            continue;
        const int c = Cancel(m, {a, b, x});
        o.srf[U(s)] = c ? c : OddsTenths(1 - kTakeSrf, m.srf[U(s)], 999999);
    }
    for (int s = 1; s <= kSrtSlots; ++s) {
        const int a = T.srt[U(s)][0], b = T.srt[U(s)][1], x = T.srt[U(s)][2];
        if (a > n || b > n || x > n)
            continue;
        const int c = Cancel(m, {a, b, x});
        o.srt[U(s)] = c ? c : OddsTenths(1 - kTakeSrt, m.srt[U(s)], 9999999);
    }
    Rank(o.tan, m.q, o.tanPop);
    Rank(o.fukLow, m.place, o.fukPop);
    Rank(o.wr, m.wr, o.wrPop);
    Rank(o.ur, m.ur, o.urPop);
    Rank(o.wdLow, m.wide, o.wdPop);
    Rank(o.ut, m.ut, o.utPop);
    Rank(o.srf, m.srf, o.srfPop);
    Rank(o.srt, m.srt, o.srtPop);
    static constexpr double kPools[8] = {300000, 140000, 60000, 280000, 130000, 190000, 340000, 900000};
    for (std::size_t i = 0; i < 8; ++i)
        o.totals[i] = static_cast<long long>(kPools[i] * poolScale);
    if (!m.wrSold)
        o.totals[2] = 0;
}

namespace {

std::array<int, kMaxRunners + 2> TieSpans(const Race& race)
{
    // Number of runners sharing each finishing position.
    std::array<int, kMaxRunners + 2> count{};
    for (int h = 1; h <= race.registered; ++h)
        ++count[U(race.pos[U(h)])];
    return count;
}

// Whether the runners of seq can have taken places 1..k in that order, dead heats included.
bool Fits(const Race& race, const std::array<int, kMaxRunners + 2>& ties, std::initializer_list<int> seq)
{
    int place = 1;
    for (int h : seq) {
        const int p = race.pos[U(h)];
        if (p == 0 || p > place || p + ties[U(p)] - 1 < place)
            return false;
        ++place;
    }
    return true;
}

bool FitsAnyOrder(const Race& race, const std::array<int, kMaxRunners + 2>& ties, int a, int b, int c)
{
    return Fits(race, ties, {a, b, c}) || Fits(race, ties, {a, c, b}) || Fits(race, ties, {b, a, c}) ||
           Fits(race, ties, {b, c, a}) || Fits(race, ties, {c, a, b}) || Fits(race, ties, {c, b, a});
}

// Both runners among the first three, on different places.
bool BothPlaced(const Race& race, const std::array<int, kMaxRunners + 2>& ties, int a, int b)
{
    for (int pa = 1; pa <= 3; ++pa)
        for (int pb = 1; pb <= 3; ++pb) {
            if (pa == pb)
                continue;
            const int ra = race.pos[U(a)], rb = race.pos[U(b)];
            if (ra && rb && ra <= pa && pa <= ra + ties[U(ra)] - 1 && rb <= pb && pb <= rb + ties[U(rb)] - 1)
                return true;
        }
    return false;
}

template <std::size_t N>
void Pay(std::vector<PayEntry>& out, const std::vector<int>& slots, const std::array<double, N>& shares,
         const std::array<int, N>& odds, const std::array<int, N>& pops, double net, int cap,
         const std::function<PayEntry(int)>& combo)
{
    double sum = 0;
    for (int s : slots)
        sum += shares[U(s)];
    for (int s : slots) {
        PayEntry e = combo(s);
        const int tenths =
            slots.size() == 1 ? odds[U(s)] : SplitTenths(net, sum, static_cast<int>(slots.size()), shares[U(s)], cap);
        e.pay = static_cast<long long>(tenths) * 10;
        e.pop = pops[U(s)];
        e.share = shares[U(s)];
        e.exact = ExactYen(net, sum, static_cast<int>(slots.size()), shares[U(s)], cap);
        out.push_back(e);
    }
}

} // namespace

Payouts ComputePayouts(const Race& race, const Market& m, const OddsTable& o)
{
    const ComboTables& T = Combos();
    const auto ties = TieSpans(race);
    const int n = race.registered;
    Payouts p;
    std::vector<int> tan, fuk, ur, wd, ut, srf, srt, wr;
    for (int h = 1; h <= n; ++h) {
        if (race.pos[U(h)] == 1)
            tan.push_back(h);
        if (m.placeKey > 0 && race.pos[U(h)] >= 1 && race.pos[U(h)] <= m.placeKey)
            fuk.push_back(h);
    }
    for (int s = 1; s <= kPairSlots; ++s) {
        const int a = T.pair[U(s)][0], b = T.pair[U(s)][1];
        if (b > n)
            continue;
        if (Fits(race, ties, {a, b}) || Fits(race, ties, {b, a})) {
            ur.push_back(s);
            const int w = T.wrSlot(m.bracket[U(a)], m.bracket[U(b)]);
            if (m.wrSold && std::find(wr.begin(), wr.end(), w) == wr.end())
                wr.push_back(w);
        }
        if (BothPlaced(race, ties, a, b))
            wd.push_back(s);
    }
    std::sort(wr.begin(), wr.end());
    for (int s = 1; s <= kUtSlots; ++s) {
        const int a = T.ut[U(s)][0], b = T.ut[U(s)][1];
        if (a <= n && b <= n && Fits(race, ties, {a, b}))
            ut.push_back(s);
    }
    for (int s = 1; s <= kSrfSlots; ++s) {
        const int a = T.srf[U(s)][0], b = T.srf[U(s)][1], c = T.srf[U(s)][2];
        if (c <= n && FitsAnyOrder(race, ties, a, b, c))
            srf.push_back(s);
    }
    for (int s = 1; s <= kSrtSlots; ++s) {
        const int a = T.srt[U(s)][0], b = T.srt[U(s)][1], c = T.srt[U(s)][2];
        if (a <= n && b <= n && c <= n && Fits(race, ties, {a, b, c}))
            srt.push_back(s);
    }

    std::array<double, 29> winShare{};
    for (int h = 1; h <= n; ++h)
        winShare[U(h)] = m.q[U(h)];
    Pay(p.tan, tan, winShare, o.tan, o.tanPop, 1 - kTakeWin, 9999, [](int h) { return PayEntry{h, 0, 0, 0, 0}; });
    // Place always shares the pool between the placed runners.
    {
        double sum = 0;
        for (int h : fuk)
            sum += m.place[U(h)];
        for (int h : fuk) {
            const int k = static_cast<int>(fuk.size());
            const int tenths = SplitTenths(1 - kTakePlace, sum, k, m.place[U(h)], 9999);
            p.fuk.push_back(PayEntry{h, 0, 0, static_cast<long long>(tenths) * 10, o.fukPop[U(h)], m.place[U(h)],
                                     ExactYen(1 - kTakePlace, sum, k, m.place[U(h)], 9999)});
        }
    }
    Pay(p.wr, wr, m.wr, o.wr, o.wrPop, 1 - kTakeWr, 99999, [&](int s) {
        return PayEntry{T.wr[U(s)][0], T.wr[U(s)][1], 0, 0, 0};
    });
    Pay(p.ur, ur, m.ur, o.ur, o.urPop, 1 - kTakeUr, 999999, [&](int s) {
        return PayEntry{T.pair[U(s)][0], T.pair[U(s)][1], 0, 0, 0};
    });
    {
        double sum = 0;
        for (int s : wd)
            sum += m.wide[U(s)];
        for (int s : wd) {
            const int k = static_cast<int>(wd.size());
            const int tenths = SplitTenths(1 - kTakeWide, sum, k, m.wide[U(s)], 99999);
            p.wide.push_back(PayEntry{T.pair[U(s)][0], T.pair[U(s)][1], 0, static_cast<long long>(tenths) * 10,
                                      o.wdPop[U(s)], m.wide[U(s)],
                                      ExactYen(1 - kTakeWide, sum, k, m.wide[U(s)], 99999)});
        }
    }
    Pay(p.ut, ut, m.ut, o.ut, o.utPop, 1 - kTakeUt, 999999, [&](int s) {
        return PayEntry{T.ut[U(s)][0], T.ut[U(s)][1], 0, 0, 0};
    });
    Pay(p.srf, srf, m.srf, o.srf, o.srfPop, 1 - kTakeSrf, 999999, [&](int s) {
        return PayEntry{T.srf[U(s)][0], T.srf[U(s)][1], T.srf[U(s)][2], 0, 0};
    });
    Pay(p.srt, srt, m.srt, o.srt, o.srtPop, 1 - kTakeSrt, 9999999, [&](int s) {
        return PayEntry{T.srt[U(s)][0], T.srt[U(s)][1], T.srt[U(s)][2], 0, 0};
    });
    return p;
}

namespace {

// Points of the walk the public's chances take away from the post, in minutes before it: each stretch
// draws its own numbers, so an announcement looks the same whichever others are built.
constexpr int kWalkPoints[] = {2, 5, 10, 20, 30, 45, 60, 90, 120, 180, 240};
constexpr std::uint64_t kWalkSalt = 1000;
// The favourite-leaning money of the last minutes: the share of the pool still to come at t minutes
// before the post is kLateMoney * (1 - exp(-t / kLateMinutes)), most of it within the last half hour.
constexpr double kLateMoney = 0.12, kLateMinutes = 20.0;

} // namespace

std::array<double, kMaxRunners + 1> MarketChances(const Race& race, int minutesBefore)
{
    std::array<double, kMaxRunners + 1> q{};
    for (int h = 1; h <= race.registered; ++h)
        q[U(h)] = race.runners[U(h)].marketProb;
    if (minutesBefore <= 0)
        return q;
    const int t = std::min(minutesBefore, 240);

    // The money of the last half hour leans to the favourites: the share still to come at t minutes, bet
    // in proportion to the square of the final chances, is taken out of the final market. With a share of
    // at most 0.12 no runner's chance goes below zero: the sum of squares is at least 1/18 and at least
    // the runner's own square.
    const double late = kLateMoney * (1.0 - std::exp(-t / kLateMinutes));
    double squares = 0;
    for (int h = 1; h <= race.registered; ++h)
        squares += q[U(h)] * q[U(h)];

    // Opinion wanders as well: a random walk of each runner's log chance away from the post, whose spread
    // grows with the square root of the time (0.35 at four hours).
    constexpr double kPerMinute = 0.35 * 0.35 / 240.0;
    std::array<double, kMaxRunners + 1> walk{};
    int from = 0;
    for (std::size_t k = 0; k < std::size(kWalkPoints) && from < t; ++k) {
        const int to = std::min(kWalkPoints[k], t);
        Rng rng(MixSeed(race.seed, kWalkSalt + k));
        const double step = std::sqrt(kPerMinute * (to - from));
        for (int h = 1; h <= race.registered; ++h)
            walk[U(h)] += step * rng.normal();
        from = kWalkPoints[k];
    }

    double sum = 0;
    for (int h = 1; h <= race.registered; ++h) {
        const double early = squares > 0 ? (q[U(h)] - late * q[U(h)] * q[U(h)] / squares) / (1.0 - late) : 0.0;
        q[U(h)] = early * std::exp(walk[U(h)]);
        sum += q[U(h)];
    }
    for (int h = 1; h <= race.registered; ++h)
        q[U(h)] = sum > 0 ? q[U(h)] / sum : 0;
    return q;
}

} // namespace solvane::feedgen
