// A race filled by hand: runner count, odds of every type in their windows, loaded odds records.
#pragma once

#include "jvdata/Combo.h"
#include "raceday/RaceDay.h"
#include "util/Text.h"

#include <memory>

namespace solvane::test {

inline constexpr int kSlot = 0;

// Win popularity runs opposite to the horse number (horse n is the favourite), so 連人気 differs
// from the label; every combination's odds are 10.0 + its ordinal, its popularity the ordinal.
inline std::unique_ptr<RaceDay> HandRace(int runners)
{
    auto day = std::make_unique<RaceDay>();
    day->RaRecs[kSlot].replace(881, 2, strprintf("%02d", runners));
    TOutData& r = day->RaceRecs[kSlot];
    for (int h = 1; h <= runners; ++h) {
        const auto i = static_cast<std::size_t>(h);
        r.TanOz[i] = 1.5 * h + 1.0;
        r.TanNinki[i] = runners + 1 - h;
        r.FukOzLow[i] = 1.0 + 0.1 * h;
        r.FukNinki[i] = runners + 1 - h;
    }
    auto fill = [](auto& odds, auto& ninki) {
        for (std::size_t k = 1; k < odds.size(); ++k) {
            odds[k] = 10.0 + static_cast<double>(k);
            ninki[k] = static_cast<int>(k);
        }
    };
    fill(r.WROz, r.WRNinki);
    fill(r.UROz, r.URNinki);
    fill(r.WDOz, r.WDNinki);
    fill(r.UTOz, r.UTNinki);
    fill(r.SRFOz, r.SRFNinki);
    fill(r.SRTOz, r.SRTNinki);
    for (int t = 1; t <= 6; ++t)
        day->OzRecs(t)[kSlot].replace(25, 2, "01");
    return day;
}

} // namespace solvane::test
