#include "jvdata/Combo.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace solvane {
namespace {

// ---------------------------------------------------------------------------------------------------------
// Labels of every member, computed at compile time, indexed by ordinal (index 0 unused). They give the
// ordinal-to-label inverses and the "re-formatting gives the same text" check of the label maps.

struct Label {
    std::array<char, 8> text{};
    std::uint8_t size = 0;
    constexpr std::string_view view() const { return {text.data(), size}; }
};

// "%2d" for 0-99.
constexpr void put2(char* p, int n)
{
    p[0] = n < 10 ? ' ' : static_cast<char>('0' + n / 10);
    p[1] = static_cast<char>('0' + n % 10);
}

constexpr Label label2(int a, int b)
{
    Label l;
    put2(&l.text[0], a);
    l.text[2] = '-';
    put2(&l.text[3], b);
    l.size = 5;
    return l;
}

constexpr Label label3(int a, int b, int c)
{
    Label l;
    put2(&l.text[0], a);
    l.text[2] = '-';
    put2(&l.text[3], b);
    l.text[5] = '-';
    put2(&l.text[6], c);
    l.size = 8;
    return l;
}

template <int N> using Labels = std::array<Label, N + 1>;

constexpr Labels<kWRCount> makeWR()
{
    Labels<kWRCount> t{};
    int k = 0;
    for (int a = 1; a <= 8; ++a)
        for (int b = a; b <= 8; ++b)
            t[++k] = label2(a, b);
    return t;
}

constexpr Labels<kPairCount> makePair()
{
    Labels<kPairCount> t{};
    int k = 0;
    for (int a = 1; a <= 18; ++a)
        for (int b = a + 1; b <= 18; ++b)
            t[++k] = label2(a, b);
    return t;
}

constexpr Labels<kUTCount> makeUT()
{
    Labels<kUTCount> t{};
    int k = 0;
    for (int a = 1; a <= 18; ++a)
        for (int b = 1; b <= 18; ++b)
            if (b != a)
                t[++k] = label2(a, b);
    return t;
}

constexpr Labels<kSRFCount> makeSRF()
{
    Labels<kSRFCount> t{};
    int k = 0;
    for (int a = 1; a <= 18; ++a)
        for (int b = a + 1; b <= 18; ++b)
            for (int c = b + 1; c <= 18; ++c)
                t[++k] = label3(a, b, c);
    return t;
}

constexpr Labels<kSRTCount> makeSRT()
{
    Labels<kSRTCount> t{};
    int k = 0;
    for (int a = 1; a <= 18; ++a)
        for (int b = 1; b <= 18; ++b)
            for (int c = 1; c <= 18; ++c)
                if (a != b && a != c && b != c)
                    t[++k] = label3(a, b, c);
    return t;
}

// SRF ordinal of each ascending triple, indexed by a * 19 * 19 + b * 19 + c (0 for any other triple).
constexpr std::array<std::uint16_t, 19 * 19 * 19> makeSRFRank()
{
    std::array<std::uint16_t, 19 * 19 * 19> t{};
    std::uint16_t k = 0;
    for (int a = 1; a <= 18; ++a)
        for (int b = a + 1; b <= 18; ++b)
            for (int c = b + 1; c <= 18; ++c)
                t[static_cast<std::size_t>((a * 19 + b) * 19 + c)] = ++k;
    return t;
}

constexpr Labels<kWRCount> kWRLabels = makeWR();
constexpr Labels<kPairCount> kPairLabels = makePair();
constexpr Labels<kUTCount> kUTLabels = makeUT();
constexpr Labels<kSRFCount> kSRFLabels = makeSRF();
constexpr Labels<kSRTCount> kSRTLabels = makeSRT();
constexpr std::array<std::uint16_t, 19 * 19 * 19> kSRFRank = makeSRFRank();

static_assert(kWRLabels[1].view() == " 1- 1" && kWRLabels[kWRCount].view() == " 8- 8");
static_assert(kPairLabels[kPairCount].view() == "17-18");
static_assert(kUTLabels[kUTCount].view() == "18-17");
static_assert(kSRFLabels[kSRFCount].view() == "16-17-18");
static_assert(kSRTLabels[kSRTCount].view() == "18-17-16");

constexpr bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The number in the two characters at pos: two digits, or a blank and a digit; -1 otherwise. Whether
// this was the "%2d" form ("01" is not) is settled by comparing the whole label afterwards.
constexpr int field(std::string_view s, std::size_t pos)
{
    const char hi = s[pos], lo = s[pos + 1];
    if (!isDigit(lo))
        return -1;
    if (hi == ' ')
        return lo - '0';
    return isDigit(hi) ? (hi - '0') * 10 + (lo - '0') : -1;
}

// The ordinal when the label is exactly the label of that member, else 0.
template <std::size_t N> int checked(int ordinal, const std::array<Label, N>& labels, std::string_view label)
{
    return ordinal != 0 && labels[static_cast<std::size_t>(ordinal)].view() == label ? ordinal : 0;
}

template <std::size_t N> std::string labelOf(int ordinal, const std::array<Label, N>& labels)
{
    if (ordinal < 1 || static_cast<std::size_t>(ordinal) >= N)
        return {};
    return std::string(labels[static_cast<std::size_t>(ordinal)].view());
}

void append2d(std::string& out, int n)
{
    if (n >= 0 && n <= 99) {
        char p[2];
        put2(p, n);
        out.append(p, 2);
        return;
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "%2d", n);
    out += buf;
}

} // namespace

std::string ComboLabel(int a)
{
    std::string out;
    append2d(out, a);
    return out;
}

std::string ComboLabel(int a, int b)
{
    std::string out;
    append2d(out, a);
    out += '-';
    append2d(out, b);
    return out;
}

std::string ComboLabel(int a, int b, int c)
{
    std::string out;
    append2d(out, a);
    out += '-';
    append2d(out, b);
    out += '-';
    append2d(out, c);
    return out;
}

int WROrdinal(int a, int b)
{
    if (a < 1 || a > b || b > 8)
        return 0;
    return 9 * (a - 1) - (a - 1) * a / 2 + (b - a + 1);
}

int PairOrdinal(int a, int b)
{
    if (a < 1 || a >= b || b > 18)
        return 0;
    return 18 * (a - 1) - (a - 1) * a / 2 + (b - a);
}

int UTOrdinal(int a, int b)
{
    if (a < 1 || a > 18 || b < 1 || b > 18 || a == b)
        return 0;
    return (a - 1) * 17 + b - (b > a ? 1 : 0);
}

int SRFOrdinal(int a, int b, int c)
{
    if (a < 1 || a > 18 || b < 1 || b > 18 || c < 1 || c > 18)
        return 0;
    return kSRFRank[static_cast<std::size_t>((a * 19 + b) * 19 + c)];
}

int SRTOrdinal(int a, int b, int c)
{
    if (a < 1 || a > 18 || b < 1 || b > 18 || c < 1 || c > 18 || a == b || a == c || b == c)
        return 0;
    const int jb = b - (b > a ? 1 : 0);
    const int jc = c - (c > a ? 1 : 0) - (c > b ? 1 : 0);
    return (a - 1) * 272 + (jb - 1) * 16 + jc;
}

int WRComboNo(std::string_view label)
{
    if (label.size() != 5)
        return 0;
    return checked(WROrdinal(field(label, 0), field(label, 3)), kWRLabels, label);
}

int PairComboNo(std::string_view label)
{
    if (label.size() != 5)
        return 0;
    return checked(PairOrdinal(field(label, 0), field(label, 3)), kPairLabels, label);
}

int UTComboNo(std::string_view label)
{
    if (label.size() != 5)
        return 0;
    return checked(UTOrdinal(field(label, 0), field(label, 3)), kUTLabels, label);
}

int SRFComboNo(std::string_view label)
{
    if (label.size() != 8)
        return 0;
    return checked(SRFOrdinal(field(label, 0), field(label, 3), field(label, 6)), kSRFLabels, label);
}

int SRTComboNo(std::string_view label)
{
    if (label.size() < 8)
        return 0;
    label = label.substr(0, 8);
    return checked(SRTOrdinal(field(label, 0), field(label, 3), field(label, 6)), kSRTLabels, label);
}

std::string WRLabelOf(int ordinal)
{
    return labelOf(ordinal, kWRLabels);
}

std::string PairLabelOf(int ordinal)
{
    return labelOf(ordinal, kPairLabels);
}

std::string UTLabelOf(int ordinal)
{
    return labelOf(ordinal, kUTLabels);
}

std::string SRFLabelOf(int ordinal)
{
    return labelOf(ordinal, kSRFLabels);
}

std::string SRTLabelOf(int ordinal)
{
    return labelOf(ordinal, kSRTLabels);
}

int BracketOf(int n, int h)
{
    if (h < 1 || h > n || n > 18)
        return 0;
    if (n <= 16) {
        const int t = (n - h) / 2;
        return t < n - 8 ? 8 - t : h;
    }
    int c = 8 - (16 - h) / 2; // C++ division truncates toward zero, as the rule says
    if (h > 16)
        --c;
    if (h == 15 && n == 18)
        --c;
    if (h == 17)
        ++c;
    return c;
}

} // namespace solvane
