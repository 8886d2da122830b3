#include "util/Text.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace solvane {

std::string_view field(std::string_view rec, std::size_t pos, std::size_t len)
{
    if (pos == 0 || pos > rec.size())
        return {};
    return rec.substr(pos - 1, len);
}

static bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

long long toIntDef(std::string_view s, long long fallback)
{
    s = trim(s);
    if (s.empty())
        return fallback;
    bool negative = false;
    if (s.front() == '+' || s.front() == '-') {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty())
        return fallback;
    unsigned long long value = 0;
    const unsigned long long limit = static_cast<unsigned long long>(std::numeric_limits<long long>::max()) + 1;
    for (char c : s) {
        if (c < '0' || c > '9')
            return fallback;
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > limit)
            return fallback;
    }
    if (!negative && value == limit)
        return fallback;
    if (negative)
        return value == limit ? std::numeric_limits<long long>::min() : -static_cast<long long>(value);
    return static_cast<long long>(value);
}

bool startsWith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::string_view s, std::string_view suffix)
{
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

std::string asciiLower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && asciiLower(a) == asciiLower(b);
}

std::string strprintf(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), fmt, args);
        out.resize(static_cast<std::size_t>(n));
    }
    va_end(args);
    return out;
}

std::vector<std::string> splitLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        std::size_t stop = end;
        if (stop > start && text[stop - 1] == '\r')
            --stop;
        lines.emplace_back(text.substr(start, stop - start));
        start = end + 1;
    }
    return lines;
}

std::string joinLinesCrlf(const std::vector<std::string>& lines)
{
    std::size_t total = 0;
    for (const auto& l : lines)
        total += l.size() + 2;
    std::string out;
    out.reserve(total);
    for (const auto& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

std::vector<std::string> splitString(std::string_view s, char sep)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = s.find(sep, start);
        if (end == std::string_view::npos) {
            parts.emplace_back(s.substr(start));
            return parts;
        }
        parts.emplace_back(s.substr(start, end - start));
        start = end + 1;
    }
}

std::string GroupedYen(long long yen)
{
    const std::string digits = std::to_string(yen < 0 ? -yen : yen);
    std::string out = yen < 0 ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

} // namespace solvane
