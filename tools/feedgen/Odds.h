// Odds of all bet types from the public's chances, with the JRA take-out, and the payouts of a
// result from the same stakes, so that payouts and final odds always agree.
#pragma once

#include "feedgen/ComboTables.h"
#include "feedgen/Model.h"

#include <array>
#include <vector>

namespace solvane::feedgen {

// Special odds values (odds are otherwise in 0.1 units).
inline constexpr int kNoEntry = -1;    // no such horse or combination: blanks
inline constexpr int kCancelPre = -2;  // cancelled before sales opened: '-'
inline constexpr int kCancelPost = -3; // cancelled after sales opened: '*'

inline constexpr double kTakeWin = 0.20, kTakePlace = 0.20, kTakeWr = 0.225, kTakeUr = 0.225, kTakeWide = 0.225,
                        kTakeUt = 0.25, kTakeSrf = 0.25, kTakeSrt = 0.275;

struct OddsTable {
    int registered = 0;
    int starters = 0;
    bool wrSold = true;
    int placeKey = 3;
    std::array<int, 29> tan{}, tanPop{}, fukLow{}, fukHigh{}, fukPop{};
    std::array<int, kWrSlots + 1> wr{}, wrPop{};
    std::array<int, kPairSlots + 1> ur{}, urPop{}, wdLow{}, wdHigh{}, wdPop{};
    std::array<int, kUtSlots + 1> ut{}, utPop{};
    std::array<int, kSrfSlots + 1> srf{}, srfPop{};
    std::array<int, kSrtSlots + 1> srt{}, srtPop{};
    // Votes in 100 yen: win, place, bracket quinella, quinella, wide, exacta, trio, trifecta.
    std::array<long long, 8> totals{};
};

// Stakes of each combination as a share of its pool, from the chances q[1..n] (0 for a runner that
// does not start).
struct Market {
    int n = 0;
    int starters = 0;
    int placeKey = 3;
    bool wrSold = true;
    std::array<double, kMaxRunners + 1> q{};
    std::array<bool, kMaxRunners + 1> out{}; // scratched
    std::array<bool, kMaxRunners + 1> outAfterSale{};
    std::array<int, kMaxRunners + 1> bracket{};
    std::array<double, kMaxRunners + 1> place{}; // stake share in the place pool
    std::array<double, kWrSlots + 1> wr{};
    std::array<double, kPairSlots + 1> ur{}, wide{};
    std::array<double, kUtSlots + 1> ut{};
    std::array<double, kSrfSlots + 1> srf{};
    std::array<double, kSrtSlots + 1> srt{};
};

Market BuildMarket(const Race& race, const std::array<double, kMaxRunners + 1>& q);
void FillOdds(const Market& m, double poolScale, OddsTable& out);

struct PayEntry {
    int a = 0, b = 0, c = 0; // horse numbers (brackets for the bracket quinella)
    long long pay = 0;       // yen per 100 yen
    int pop = 0;
    double share = 0; // the combination's stake as a share of its pool
    double exact = 0; // yen per 100 yen before the cut to 10 yen, which take-out rates are stated against
};

struct Payouts {
    std::vector<PayEntry> tan, fuk, wr, ur, wide, ut, srf, srt;
};

// Payouts of the race's result under the final market (whose odds are in odds).
Payouts ComputePayouts(const Race& race, const Market& m, const OddsTable& odds);

// The public's chances at minutesBefore minutes before the post (0 = final): the final chances without
// the favourite-leaning money still to come, moved by a random walk that is the same for every
// announcement of the race.
std::array<double, kMaxRunners + 1> MarketChances(const Race& race, int minutesBefore);

} // namespace solvane::feedgen
