// Small text helpers shared by every layer. Record texts are Shift-JIS byte strings and every
// position in them is a 1-based byte position, so these helpers work on bytes, never on characters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace solvane {

// The len bytes of rec starting at the 1-based byte position pos. Never reads past the end:
// a short record yields a short or empty field.
std::string_view field(std::string_view rec, std::size_t pos, std::size_t len);

// Half-width blanks (and tabs, CR, LF) removed at both ends.
std::string_view trim(std::string_view s);

// Decimal integer with optional sign and surrounding blanks; fallback when the text is not an
// integer or does not fit.
long long toIntDef(std::string_view s, long long fallback);

bool startsWith(std::string_view s, std::string_view prefix);
bool endsWith(std::string_view s, std::string_view suffix);

// ASCII case folding; Shift-JIS trail bytes are never in the ASCII letter range of a lead byte
// position we fold, but we only fold bytes below 0x80, so multibyte text is untouched.
std::string asciiLower(std::string_view s);
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// printf-style formatting into a std::string, its format checked by GCC and Clang. MinGW builds use its
// C99 printf (%zu, %lld, %Lf), which GCC checks as gnu_printf there; MSVC checks nothing.
#if defined(__MINGW32__)
std::string strprintf(const char* fmt, ...) __attribute__((format(gnu_printf, 1, 2)));
#elif defined(__GNUC__)
std::string strprintf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
#else
std::string strprintf(const char* fmt, ...);
#endif

// Lines of a text file, split at CR LF or LF; a final line end does not add an empty line.
std::vector<std::string> splitLines(std::string_view text);
// Lines joined, each followed by CR LF.
std::string joinLinesCrlf(const std::vector<std::string>& lines);
// Yen with a comma every three digits: 229900 → "229,900".
std::string GroupedYen(long long yen);

std::vector<std::string> splitString(std::string_view s, char sep);

} // namespace solvane
