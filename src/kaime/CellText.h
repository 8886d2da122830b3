// Fixed-width number texts of the combination tables ("%3d", "%7.1f" …) without going through printf:
// a trifecta table writes some 60 000 of them per rebuild. The results equal printf's.
#pragma once

#include <charconv>
#include <string>

namespace solvane::kaime {

// printf("%*lld", width, v).
inline std::string IntCell(long long v, int width)
{
    char buf[32];
    const auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
    const auto len = static_cast<int>(end - buf);
    std::string out(static_cast<std::size_t>(width > len ? width - len : 0), ' ');
    out.append(buf, end);
    return out;
}

// printf("%*.*Lf", width, precision, v): both round the exact binary value the same way.
inline std::string FixedCell(long double v, int width, int precision)
{
    char buf[128];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, precision);
    if (res.ec != std::errc())
        return std::string(static_cast<std::size_t>(width), '*');
    const auto len = static_cast<int>(res.ptr - buf);
    std::string out(static_cast<std::size_t>(width > len ? width - len : 0), ' ');
    out.append(buf, res.ptr);
    return out;
}

} // namespace solvane::kaime
