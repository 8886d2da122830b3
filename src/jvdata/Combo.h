// Numbering and labels of betting combinations. Ordinals count from 1 in the order in which the
// JV-Data odds records list the combinations (the 18-horse enumeration), so an ordinal indexes the
// per-race odds arrays directly. Every lookup is O(1).
#pragma once

#include <string>
#include <string_view>

namespace solvane {

// Number of combinations of each bet type (18 runners; 8 brackets for WR).
inline constexpr int kWRCount = 36;
inline constexpr int kPairCount = 153; // UR and WD
inline constexpr int kUTCount = 306;
inline constexpr int kSRFCount = 816;
inline constexpr int kSRTCount = 4896;

// " 7", " 3-12", " 1- 5-13": each number as "%2d", joined by "-".
std::string ComboLabel(int a);
std::string ComboLabel(int a, int b);
std::string ComboLabel(int a, int b, int c);

// Label to ordinal; 0 for any text that is not exactly the label of a member.
int WRComboNo(std::string_view label);   // bracket quinella 1-36
int PairComboNo(std::string_view label); // quinella and wide 1-153
int UTComboNo(std::string_view label);   // exacta 1-306
int SRFComboNo(std::string_view label);  // trio 1-816
int SRTComboNo(std::string_view label);  // trifecta 1-4896; only the first 8 characters count

// Numbers to ordinal (no label round trip), 0 when out of range or not a member.
int WROrdinal(int a, int b);
int PairOrdinal(int a, int b);
int UTOrdinal(int a, int b);
int SRFOrdinal(int a, int b, int c);
int SRTOrdinal(int a, int b, int c);

// Ordinal to the label of its member; empty for an ordinal out of range.
std::string WRLabelOf(int ordinal);
std::string PairLabelOf(int ordinal);
std::string UTLabelOf(int ordinal);
std::string SRFLabelOf(int ordinal);
std::string SRTLabelOf(int ordinal);

// The JRA bracket (1-8) of horse h among n runners, 1 <= h <= n <= 18 (0 outside that range).
int BracketOf(int n, int h);

} // namespace solvane
