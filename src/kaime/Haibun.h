// Spreading a bet type's stake over its combination table (HaibunKaime) and checking the table
// against the race's payouts (KekkaKaime). Both work on the table's cell texts, as every caller (the
// form, the backtest, the bet file) reads the cells afterwards.
#pragma once

#include "kaime/BakenType.h"
#include "util/TextGrid.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace solvane {

enum class HaibunMode : int {
    Kinto = 0,   // "均等": the amount split evenly, rounded to 100 yen
    Hirei = 1,   // "比例": stakes in inverse proportion to the odds
    Kinitsu = 2, // "均一": the whole amount on every combination
    Kihai = 3,   // "期配": on each combination the stake whose payback reaches the amount
};
inline constexpr std::array<std::string_view, 4> kHaibunModeNames{"均等", "比例", "均一", "期配"};

inline constexpr std::uint32_t kRateAboveColor = 0x000000; // 予想回収率 above 100 %
inline constexpr std::uint32_t kRateBelowColor = 0xFF0000; // 予想回収率 above 0 and up to 100 %
inline constexpr std::uint32_t kPaidLabelColor = 0xFF00FF; // the label cell of a paid combination
// The fixed colours of every combination table, the same on every row: the window's colour rule draws
// them, so the grids carry styles only where the data decides (paid label cells).
inline constexpr std::uint32_t kHeadingColor = 0xD3C7FE;      // heading row
inline constexpr std::uint32_t kNumberColumnColor = 0xFFFFE1; // "No." column

// The four labels of one bet type.
struct KaimeLabels {
    std::string count;   // 買い点数
    std::string total;   // 投票金額
    std::string rate;    // 予想回収率
    std::string paid;    // 回収金額
    CellStyle rateStyle; // black above 100 %, red above 0; no colour otherwise

    void clear() { *this = KaimeLabels{}; }
};

// Column numbers of a table; the rate column is payout + 1.
struct HaibunColumns {
    int payout = 0;
    int stake = 0;
    int deleteMark = 0;
    int odds = 0;
    int number = 0;
};

struct KekkaColumns {
    int label = 0;
    int stake = 0;
    int payout = 0;
    int popularity = 0;
    int ret = 0;
};

// Largest table the allocation accepts: one row per trifecta.
inline constexpr int kMaxAllocatedRows = 4896;
// Largest amount it accepts: far above what the stake edits hold (8 digits) or a default stake, and
// small enough that a stake times any odds is a 64-bit number of yen.
inline constexpr long long kMaxAllocatedAmount = 9'999'999'999;

// Rows are the grid's data rows (the headings are the grid's own). Returns false, touching nothing,
// when the amount is below 100 or above kMaxAllocatedAmount, the table is empty or larger than
// kMaxAllocatedRows, its first row has no odds, or the type name is not one of the eight. Stakes,
// payouts and the payback sum are worked out in whole numbers from the odds in tenths.
bool HaibunKaime(std::string_view typeName, HaibunMode mode, long long amount, TextGrid& table,
                 const HaibunColumns& columns, KaimeLabels& labels);

// Fills the result cells of the rows that the payout record pays, colours their label cells, and
// sets labels.paid. hr is the race's payout record ("HR", positions as published; blank before the
// race). Returns the paid-back sum.
long long KekkaKaime(std::string_view typeName, TextGrid& table, const KekkaColumns& columns, std::string_view hr,
                     KaimeLabels& labels);

// True when the label is paid by a slot of the record (the comparison KekkaKaime makes).
bool IsPaidLabel(BakenType type, std::string_view label, std::string_view hr);

} // namespace solvane
