// Fixed-width number texts of the combination tables ("%3d", "%7.1f" …) without going through printf:
// a trifecta table writes some 60 000 of them per rebuild. The results equal printf's. The Put forms
// write into an existing cell, reusing its buffer.
#pragma once

#include <charconv>
#include <string>
#include <string_view>

namespace solvane::kaime {

inline void PutPadded(std::string& out, const char* begin, const char* end, int width)
{
    const auto len = static_cast<int>(end - begin);
    out.assign(static_cast<std::size_t>(width > len ? width - len : 0), ' ');
    out.append(begin, end);
}

// printf("%*lld", width, v).
inline void PutInt(std::string& out, long long v, int width)
{
    char buf[24];
    const auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
    PutPadded(out, buf, end, width);
}

// printf("%*.*f", width, precision, v): both round the exact binary value the same way. Values
// worked out in extended precision are shown through double, as the cells have at most 9 digits.
inline void PutFixed(std::string& out, double v, int width, int precision)
{
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, precision);
    if (res.ec != std::errc()) {
        out.assign(static_cast<std::size_t>(width), '*');
        return;
    }
    PutPadded(out, buf, res.ptr, width);
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
