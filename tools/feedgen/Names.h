// Shift-JIS name pools for horses, people and races, converted once.
#pragma once

#include "feedgen/Rng.h"

#include <string>
#include <string_view>

namespace solvane::feedgen {

// Full-width text of exactly bytes bytes: cut at a character boundary, padded with full-width
// spaces (a half-width space fills an odd last byte).
std::string PadWide(std::string_view sjis, std::size_t bytes);

std::string HorseName(Rng& rng);                                  // katakana, at most 9 characters
std::string PersonShortName(int id);                              // 4 full-width characters
std::string OwnerName(int id);                                    // full-width, unpadded
std::string RaceName(Rng& rng, int venue, int month, char grade); // full-width, unpadded
std::string VenueNameSjis(int venue);                             // 2 full-width characters
std::string_view WideSpace();

} // namespace solvane::feedgen
