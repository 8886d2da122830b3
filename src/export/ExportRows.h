// The rows of the SQL export, taken from a race day loaded by the day loader: the values the race list,
// the card, the results page and the odds tables show, as typed values. Texts are UTF-8 without the
// padding of the record fields; a value the store does not have (no result yet, a scratched runner) is
// nothing, which becomes NULL in the database.
#pragma once

#include "raceday/RaceDay.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

struct RaceRow {
    std::string raceKey;   // the 16-digit race key (RA 12-27)
    std::string date;      // "2024-01-06"
    std::string venueCode; // "06"
    std::string venue;     // "中山"
    int raceNo = 0;
    std::optional<std::string> name;     // 競走名本題, as the card's second header line
    std::optional<std::string> grade;    // "G1", "重賞", "List" … as the card's third header line
    std::optional<std::string> surface;  // 芝, ダート or 障害
    std::optional<int> distance;         // metres
    int runners = 0;                     // registered runners, as the card's "頭"
    std::optional<std::string> postTime; // "hh:mm"
    std::optional<std::string> weather;  // 晴 曇 雨 小雨 雪 小雪
    std::optional<std::string> going;    // 良 稍重 重 不良, of the race's own surface
};

struct RunnerRow {
    int horseNo = 0;
    std::optional<int> bracket;
    std::optional<std::string> horseName;
    std::optional<std::string> sexAge; // "牡3"
    std::optional<std::string> jockey;
    std::optional<double> weight; // kg carried
    std::optional<std::string> trainer;
    std::optional<int> placing;       // the card's "着": the stored placing, or the one the payouts prove
    std::optional<double> winOdds;    // the card's "確ｵｯｽﾞ"
    std::optional<int> winPopularity; // the card's "人"
};

struct PayoutRow {
    std::string_view betType; // "単勝" … "３連単"
    std::string combination;  // "3", "1-3", "6-2-8"
    int payout = 0;           // yen per 100 yen
    std::optional<int> popularity;
};

struct OddsRow {
    std::string_view betType;
    std::string_view combination;
    double odds = 0;
    std::optional<double> oddsHigh; // the upper end of a 複勝 or ワイド range
    std::optional<int> popularity;
};

// The race in slot of a loaded day.
RaceRow RaceRowOf(const RaceDay& day, int slot);

// One row per registered runner that has a runner record (a horse number), in horse-number order.
std::vector<RunnerRow> RunnerRowsOf(const RaceDay& day, int slot);

// The rows of the results page that name a horse or combination, in its order.
std::vector<PayoutRow> PayoutRowsOf(const RaceDay& day, int slot);

// Calls f for every combination of the race whose odds are a price (above 0): bet type by bet type in
// the program's order, each in the order of the odds records. Combinations not sold, cancelled or
// without odds are left out.
void ForEachOddsRow(const RaceDay& day, int slot, const std::function<void(const OddsRow&)>& f);

// The combination as the export writes it: the numbers of a label (" 1- 5-13") without blanks ("1-5-13").
std::string CompactCombination(std::string_view label);

} // namespace solvane
