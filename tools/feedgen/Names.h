// Shift-JIS name pools for horses, people and races, converted once.
#pragma once

#include "feedgen/Rng.h"

#include <string>
#include <string_view>

namespace solvane::feedgen {

// Full-width text of exactly bytes bytes: cut at a character boundary, padded with full-width
// spaces (a half-width space fills an odd last byte).
std::string PadWide(std::string_view sjis, std::size_t bytes);

std::string HorseName(Rng& rng);     // katakana, at most 9 characters
std::string PersonShortName(int id); // 4 full-width characters
std::string OwnerName(int id);       // full-width, unpadded
// The name of a special (non-graded) race of the venue, full-width and unpadded: the winners'
// classes are named after places around the venue ("館山特別"), the open races after places, months
// and stars ("ディセンバーステークス").
std::string SpecialRaceName(Rng& rng, int venue, int month, int jyoken, bool jump);
// The six-character short name of a race name ("ディセンバーＳ").
std::string AbbreviateRaceName(std::string_view sjis);
const std::string& GradedRaceName(std::size_t index); // index into GradedRaces()
const std::string& GradedRaceAbbr(std::size_t index);
std::string VenueNameSjis(int venue); // 2 full-width characters
std::string_view WideSpace();

} // namespace solvane::feedgen
