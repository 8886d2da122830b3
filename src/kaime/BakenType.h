// The eight bet types in their fixed order, the text forms every combination table shares, and the
// per-race stakes of the loaded day.
#pragma once

#include "raceday/RaceDay.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace solvane {

// Every loop over bet types runs in this order; the value is the index into RaceStakeList.
enum class BakenType : int { Tan = 0, Fuk, WR, UR, WD, UT, SRF, SRT };
inline constexpr int kBakenTypes = 8;
inline constexpr std::array<BakenType, kBakenTypes> kAllBakenTypes{BakenType::Tan, BakenType::Fuk, BakenType::WR,
                                                                   BakenType::UR,  BakenType::WD,  BakenType::UT,
                                                                   BakenType::SRF, BakenType::SRT};

struct BakenTypeInfo {
    BakenType type;
    std::string_view name;    // "単勝" .. "３連単": the text the allocation and result steps compare
    std::string_view key;     // "Tan" .. "SRT": the suffix of the DefaultAmount settings
    std::string_view caption; // the form's page caption ("三連複", "三連単" for the triples)
    int numbers;              // horses (or brackets) in a label: 1, 2 or 3
    int labelWidth;           // 2, 5 or 8 characters
    int comboCount;           // ordinals 1..comboCount
    int oddsWidth;            // "%6.1f", "%7.1f" or "%8.1f"
    bool ordered;             // finishing order matters (exacta, trifecta)
    double oddsCeiling;       // the odds window is 1 <= odds <= oddsCeiling
};

const BakenTypeInfo& InfoOf(BakenType type);
inline int IndexOf(BakenType type)
{
    return static_cast<int>(type);
}
// The type of a name ("単勝" .. "３連単"), of a page caption ("三連複") or of a key ("SRT"); the
// half-width "3連複"/"3連単" are taken too, as people type them.
std::optional<BakenType> BakenTypeOfName(std::string_view text);

// The odds of a combination as its table shows them ("%6.1f", "%7.1f" or "%8.1f").
std::string OddsText(BakenType type, double odds);
// True when the odds lie in the type's window, both ends included.
bool InOddsWindow(BakenType type, double odds);

// Stakes are whole yen, multiples of 100, at least 100.
inline constexpr long long kMinStake = 100;

// The default-stake dialog raises every amount below the minimum to it before storing.
int DefaultStakeToStore(long long typed);

// The stake of a type for a race slot: the entry of RaceStakeList read as whole yen; 0 for a slot
// outside the day or an entry that is not a number.
long long StakeOf(const RaceDay& day, BakenType type, int slot);
// Stores an edited stake as its decimal text; false (nothing stored) for a slot outside the day.
bool SetStake(RaceDay& day, BakenType type, int slot, long long amount);
// Every race of every type gets its type's default, as a day load does.
void SeedStakes(RaceDay& day, const std::array<int, kBakenTypes>& defaults);

} // namespace solvane
