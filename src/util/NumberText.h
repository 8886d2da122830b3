// Fixed-width number texts ("%5d", "%6.1f" …) without going through printf, for the hot paths that
// write thousands of them (the combination tables, the day loader's ranking texts). The results equal
// printf's: std::to_chars rounds the exact binary value as printf does.
#pragma once

#include <charconv>
#include <cmath>
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
    // Odds are tenths read from digits: the nearest double to t / 10 prints as the digits of t with a
    // point before the last one, so those take the integer path (tables write thousands of them).
    if (precision == 1 && !std::signbit(v) && v < 1e14) {
        const auto t = static_cast<long long>(v * 10.0 + 0.5);
        if (static_cast<double>(t) / 10.0 == v) {
            char digits[24];
            int n = 0;
            for (long long rest = t; rest > 0 || n < 2; rest /= 10)
                digits[n++] = static_cast<char>('0' + rest % 10);
            out.append(static_cast<std::size_t>(width > n + 1 ? width - n - 1 : 0), ' ');
            for (int i = n - 1; i >= 1; --i)
                out += digits[i];
            out += '.';
            out += digits[0];
            return;
        }
    }
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
