// The fixed slot order of the odds records (the 18-horse enumeration) as plain tables: slot index to
// horse numbers and back, for every bet type. Slots count from 1, like the record entries.
#pragma once

#include <array>
#include <cstdint>

namespace solvane::feedgen {

inline constexpr int kWrSlots = 36;
inline constexpr int kPairSlots = 153;
inline constexpr int kUtSlots = 306;
inline constexpr int kSrfSlots = 816;
inline constexpr int kSrtSlots = 4896;

struct ComboTables {
    std::array<std::array<std::uint8_t, 2>, kWrSlots + 1> wr{};     // bracket a <= b
    std::array<std::array<std::uint8_t, 2>, kPairSlots + 1> pair{}; // a < b
    std::array<std::array<std::uint8_t, 2>, kUtSlots + 1> ut{};     // first, second
    std::array<std::array<std::uint8_t, 3>, kSrfSlots + 1> srf{};   // a < b < c
    std::array<std::array<std::uint8_t, 3>, kSrtSlots + 1> srt{};   // first, second, third

    int wrSlot(int a, int b) const { return wrIndex[a][b]; }
    int pairSlot(int a, int b) const { return a < b ? pairIndex[a][b] : pairIndex[b][a]; }
    int utSlot(int a, int b) const { return utIndex[a][b]; }
    int srfSlot(int a, int b, int c) const; // any order
    int srtSlot(int a, int b, int c) const { return srtIndex[a][b][c]; }

    std::array<std::array<std::int16_t, 9>, 9> wrIndex{};
    std::array<std::array<std::int16_t, 19>, 19> pairIndex{};
    std::array<std::array<std::int16_t, 19>, 19> utIndex{};
    std::array<std::array<std::array<std::int16_t, 19>, 19>, 19> srfIndex{};
    std::array<std::array<std::array<std::int16_t, 19>, 19>, 19> srtIndex{};
};

// Built once, on first use.
const ComboTables& Combos();

} // namespace solvane::feedgen
