// Fixed-width number texts ("%5d", "%6.1f" …) without going through printf, for the hot paths that
// write thousands of them (the combination tables, the day loader's ranking texts). The results equal
// printf's: std::to_chars rounds the exact binary value as printf does.
#pragma once

#include <charconv>
#include <string>

namespace solvane {

// Appends printf("%*lld", width, v).
inline void AppendInt(std::string& out, long long v, int width)
{
    char buf[24];
    char* end = std::to_chars(buf, buf + sizeof buf, v).ptr;
    const auto len = static_cast<int>(end - buf);
    out.append(static_cast<std::size_t>(width > len ? width - len : 0), ' ');
    out.append(buf, static_cast<std::size_t>(end - buf));
}

// Appends printf("%*.*f", width, precision, v); width asterisks for a value that has no such text.
inline void AppendFixed(std::string& out, double v, int width, int precision)
{
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, precision);
    if (res.ec != std::errc()) {
        out.append(static_cast<std::size_t>(width), '*');
        return;
    }
    const auto len = static_cast<int>(res.ptr - buf);
    out.append(static_cast<std::size_t>(width > len ? width - len : 0), ' ');
    out.append(buf, static_cast<std::size_t>(res.ptr - buf));
}

} // namespace solvane
