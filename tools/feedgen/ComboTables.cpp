#include "feedgen/ComboTables.h"

#include <algorithm>

namespace solvane::feedgen {

namespace {

ComboTables Build()
{
    ComboTables t;
    int k = 0;
    for (int a = 1; a <= 8; ++a)
        for (int b = a; b <= 8; ++b) {
            t.wr[++k] = {std::uint8_t(a), std::uint8_t(b)};
            t.wrIndex[a][b] = t.wrIndex[b][a] = static_cast<std::int16_t>(k);
        }
    k = 0;
    for (int a = 1; a <= 18; ++a)
        for (int b = a + 1; b <= 18; ++b) {
            t.pair[++k] = {std::uint8_t(a), std::uint8_t(b)};
            t.pairIndex[a][b] = static_cast<std::int16_t>(k);
        }
    k = 0;
    for (int a = 1; a <= 18; ++a)
        for (int b = 1; b <= 18; ++b)
            if (a != b) {
                t.ut[++k] = {std::uint8_t(a), std::uint8_t(b)};
                t.utIndex[a][b] = static_cast<std::int16_t>(k);
            }
    k = 0;
    for (int a = 1; a <= 18; ++a)
        for (int b = a + 1; b <= 18; ++b)
            for (int c = b + 1; c <= 18; ++c) {
                t.srf[++k] = {std::uint8_t(a), std::uint8_t(b), std::uint8_t(c)};
                t.srfIndex[a][b][c] = static_cast<std::int16_t>(k);
            }
    k = 0;
    for (int a = 1; a <= 18; ++a)
        for (int b = 1; b <= 18; ++b)
            for (int c = 1; c <= 18; ++c)
                if (a != b && b != c && a != c) {
                    t.srt[++k] = {std::uint8_t(a), std::uint8_t(b), std::uint8_t(c)};
                    t.srtIndex[a][b][c] = static_cast<std::int16_t>(k);
                }
    return t;
}

} // namespace

int ComboTables::srfSlot(int a, int b, int c) const
{
    if (a > b)
        std::swap(a, b);
    if (b > c)
        std::swap(b, c);
    if (a > b)
        std::swap(a, b);
    return srfIndex[a][b][c];
}

const ComboTables& Combos()
{
    static const ComboTables tables = Build();
    return tables;
}

} // namespace solvane::feedgen
