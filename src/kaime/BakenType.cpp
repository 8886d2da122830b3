#include "kaime/BakenType.h"

#include "util/Text.h"

#include <algorithm>

namespace solvane {
namespace {

constexpr std::array<BakenTypeInfo, kBakenTypes> kInfo{{
    {BakenType::Tan, "単勝", "Tan", "単勝", 1, 2, kMaxHorses, 6, true, 10000.0},
    {BakenType::Fuk, "複勝", "Fuk", "複勝", 1, 2, kMaxHorses, 6, false, 10000.0},
    {BakenType::WR, "枠連", "WR", "枠連", 2, 5, 36, 7, false, 10000.0},
    {BakenType::UR, "馬連", "UR", "馬連", 2, 5, 153, 7, false, 10000.0},
    {BakenType::WD, "ワイド", "WD", "ワイド", 2, 5, 153, 7, false, 10000.0},
    {BakenType::UT, "馬単", "UT", "馬単", 2, 5, 306, 7, true, 100000.0},
    {BakenType::SRF, "３連複", "SRF", "三連複", 3, 8, 816, 7, false, 100000.0},
    {BakenType::SRT, "３連単", "SRT", "三連単", 3, 8, 4896, 8, true, 100000.0},
}};

bool validSlot(int slot)
{
    return slot >= 0 && slot < kRaceSlots;
}

} // namespace

const BakenTypeInfo& InfoOf(BakenType type)
{
    return kInfo.at(static_cast<std::size_t>(type));
}

std::optional<BakenType> BakenTypeOfName(std::string_view text)
{
    if (text == "3連複")
        return BakenType::SRF;
    if (text == "3連単")
        return BakenType::SRT;
    for (const BakenTypeInfo& info : kInfo) {
        if (text == info.name || text == info.caption || text == info.key)
            return info.type;
    }
    return std::nullopt;
}

std::string OddsText(BakenType type, double odds)
{
    return strprintf("%*.1f", InfoOf(type).oddsWidth, odds);
}

bool InOddsWindow(BakenType type, double odds)
{
    return odds >= 1.0 && odds <= InfoOf(type).oddsCeiling;
}

int DefaultStakeToStore(long long typed)
{
    // The edit holds at most 8 digits, so the upper clamp only guards the conversion.
    return static_cast<int>(std::clamp<long long>(typed, kMinStake, 99999999));
}

long long StakeOf(const RaceDay& day, BakenType type, int slot)
{
    if (!validSlot(slot))
        return 0;
    return toIntDef(day.RaceStakeList[static_cast<std::size_t>(IndexOf(type))][static_cast<std::size_t>(slot)], 0);
}

bool SetStake(RaceDay& day, BakenType type, int slot, long long amount)
{
    if (!validSlot(slot))
        return false;
    day.RaceStakeList[static_cast<std::size_t>(IndexOf(type))][static_cast<std::size_t>(slot)] = std::to_string(amount);
    return true;
}

void SeedStakes(RaceDay& day, const std::array<int, kBakenTypes>& defaults)
{
    for (std::size_t t = 0; t < kBakenTypes; ++t)
        day.RaceStakeList[t].fill(std::to_string(defaults[t]));
}

} // namespace solvane
