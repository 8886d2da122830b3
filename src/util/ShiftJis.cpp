#include "util/ShiftJis.h"

#include <cerrno>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace solvane {
namespace {

#ifndef _WIN32

// One converter per direction and thread: creating an iconv descriptor per field is costly and
// descriptors are not safe to share between threads.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from))
    {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " + to);
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    std::string convert(std::string_view in, std::string_view replacement, std::size_t badUnit)
    {
        std::string out;
        out.reserve(in.size() * 2);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char buffer[4096];
        while (srcLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            const std::size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, static_cast<std::size_t>(dst - buffer));
            if (rc != static_cast<std::size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL (a cut sequence at the end): replace and step over the bad unit.
            out += replacement;
            std::size_t step = badUnit;
            if (badUnit == 0) { // UTF-8 input: skip one whole character when possible
                const auto lead = static_cast<unsigned char>(*src);
                step = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
            } else if (isSjisLeadByte(static_cast<unsigned char>(*src)) && srcLeft >= 2) {
                step = 2;
            }
            if (step > srcLeft)
                step = srcLeft;
            src += step;
            srcLeft -= step;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        char* dst = buffer;
        std::size_t dstLeft = sizeof buffer;
        iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
        return out;
    }

private:
    iconv_t cd_;
};
#endif

bool isAscii(std::string_view s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

#ifdef _WIN32
// Windows converts through UTF-16 with code page 932, the code page JV-Link's records come in. The
// results match iconv's CP932 tables for every character the records use; the differences are kept
// away: no best-fit guesses ("é" becomes "?", not "e"), one "?" per character outside Shift-JIS (an
// emoji's surrogate pair included) and U+FFFD for each byte sequence that is not Shift-JIS.
constexpr UINT kCodePage = 932;

// Code page 932 has no character beyond the basic plane: a surrogate pair becomes one "?" here, so
// that the conversion below does not give two.
void foldSurrogatePairs(std::wstring& wide)
{
    std::size_t out = 0;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const wchar_t c = wide[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
            wide[out++] = L'?';
            ++i;
        } else {
            wide[out++] = c;
        }
    }
    wide.resize(out);
}

// One Shift-JIS character (one or two bytes) to UTF-16, or nothing when it is not Shift-JIS.
bool sjisCharToWide(const char* p, int n, std::wstring& out)
{
    wchar_t w[2];
    const int got = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, p, n, w, 2);
    if (got <= 0)
        return false;
    out.append(w, static_cast<std::size_t>(got));
    return true;
}
#endif

} // namespace

#ifdef _WIN32
std::wstring utf8ToWide(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

std::string wideToUtf8(std::wstring_view wide)
{
    if (wide.empty())
        return {};
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::string toSjis(std::string_view utf8)
{
    if (isAscii(utf8))
        return std::string(utf8);
    std::wstring wide = utf8ToWide(utf8);
    foldSurrogatePairs(wide);
    const int len = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), len, nullptr, 0, "?", nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), len, out.data(), n, "?", nullptr);
    return out;
}

std::string fromSjis(std::string_view sjis)
{
    if (isAscii(sjis))
        return std::string(sjis);
    const int len = static_cast<int>(sjis.size());
    int n = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, sjis.data(), len, nullptr, 0);
    if (n > 0) {
        std::wstring wide(static_cast<std::size_t>(n), L'\0');
        MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, sjis.data(), len, wide.data(), n);
        return wideToUtf8(wide);
    }
    // Not all Shift-JIS: character by character, each bad unit replaced by U+FFFD.
    std::wstring wide;
    wide.reserve(sjis.size());
    std::size_t i = 0;
    while (i < sjis.size()) {
        const auto lead = static_cast<unsigned char>(sjis[i]);
        const std::size_t step = isSjisLeadByte(lead) && i + 1 < sjis.size() ? 2 : 1;
        // As with iconv elsewhere, a bad pair is replaced whole.
        if (!sjisCharToWide(sjis.data() + i, static_cast<int>(step), wide))
            wide += L'\xFFFD';
        i += step;
    }
    return wideToUtf8(wide);
}
#else
std::string toSjis(std::string_view utf8)
{
    if (isAscii(utf8))
        return std::string(utf8);
    thread_local Converter conv("CP932", "UTF-8");
    return conv.convert(utf8, "?", 0);
}

std::string fromSjis(std::string_view sjis)
{
    if (isAscii(sjis))
        return std::string(sjis);
    thread_local Converter conv("UTF-8", "CP932");
    return conv.convert(sjis, "\xEF\xBF\xBD", 1);
}
#endif

std::size_t sjisWidth(std::string_view utf8)
{
    return toSjis(utf8).size();
}

} // namespace solvane
