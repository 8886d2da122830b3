#include "util/ShiftJis.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace solvane {
namespace {

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

bool isAscii(std::string_view s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

} // namespace

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

std::size_t sjisWidth(std::string_view utf8)
{
    return toSjis(utf8).size();
}

} // namespace solvane
