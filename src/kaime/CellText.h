// Fixed-width number texts of the combination tables ("%3d", "%7.1f" …) without going through printf:
// a trifecta table writes some 60 000 of them per rebuild. The results equal printf's. The Put forms
// write into an existing cell, reusing its buffer.
#pragma once

#include "util/NumberText.h"

#include <charconv>
#include <string>
#include <string_view>

namespace solvane::kaime {

// printf("%*lld", width, v) into an existing cell.
inline void PutInt(std::string& out, long long v, int width)
{
    out.clear();
    AppendInt(out, v, width);
}

// printf("%*.*f", width, precision, v) into an existing cell. Values worked out in extended precision
// are shown through double, as the cells have at most 9 digits.
inline void PutFixed(std::string& out, double v, int width, int precision)
{
    out.clear();
    AppendFixed(out, v, width, precision);
}

// A cell read back: blanks around an unsigned decimal number ("  12", " 3"); 0 for anything else,
// an empty or blank cell included. The cells are our own fixed-width texts, read per row of big tables.
inline long long ReadCellInt(std::string_view cell)
{
    std::size_t b = 0, e = cell.size();
    while (b < e && cell[b] == ' ')
        ++b;
    while (e > b && cell[e - 1] == ' ')
        --e;
    long long v = 0;
    const auto res = std::from_chars(cell.data() + b, cell.data() + e, v);
    return b < e && res.ec == std::errc() && res.ptr == cell.data() + e && v >= 0 ? v : 0;
}

// True when the cell holds nothing but blanks (half-width blanks, tabs, line ends).
inline bool BlankCell(std::string_view cell)
{
    return cell.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

inline std::string IntCell(long long v, int width)
{
    std::string out;
    PutInt(out, v, width);
    return out;
}

inline std::string FixedCell(double v, int width, int precision)
{
    std::string out;
    PutFixed(out, v, width, precision);
    return out;
}

} // namespace solvane::kaime
