// Race days for an export test: the generator's days from..to (all run, no real-time data, no files of
// sibling programs), imported into a store the way the import window does it.
#pragma once

#include "support/GeneratedSeason.h"

#include <cstdint>
#include <memory>

namespace solvane::test {

inline std::unique_ptr<GeneratedSeason> StoredDays(DateTime from, DateTime to, std::uint64_t seed)
{
    feedgen::FeedOptions o;
    o.from = from;
    o.to = to;
    o.seed = seed;
    o.rtDays = 0;
    o.siblings = false;
    return std::make_unique<GeneratedSeason>(to.addDays(7).date(), o, from.addDays(-31));
}

} // namespace solvane::test
