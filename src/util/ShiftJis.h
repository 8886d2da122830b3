// The one place where text crosses between Shift-JIS (records, store and settings files, byte-width
// labels) and UTF-8 (everything shown to a person, paths, messages).
#pragma once

#include <string>
#include <string_view>

namespace solvane {

// UTF-8 to Shift-JIS (code page 932). A character with no Shift-JIS form becomes "?".
std::string toSjis(std::string_view utf8);

// Shift-JIS (code page 932) to UTF-8. A byte sequence that is not Shift-JIS becomes U+FFFD.
std::string fromSjis(std::string_view sjis);

// Width of a UTF-8 text in Shift-JIS bytes (a full-width character counts 2, half-width 1).
std::size_t sjisWidth(std::string_view utf8);

// True when the byte is the first byte of a two-byte Shift-JIS character.
constexpr bool isSjisLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

#ifdef _WIN32
// UTF-8 and the UTF-16 of Windows' wide calls.
std::wstring utf8ToWide(std::string_view utf8);
std::string wideToUtf8(std::wstring_view wide);
#endif

// The full-width space (U+3000) in Shift-JIS.
inline constexpr std::string_view kSjisWideSpace = "\x81\x40";

} // namespace solvane
