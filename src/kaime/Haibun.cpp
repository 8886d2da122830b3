#include "kaime/Haibun.h"

#include "kaime/CellText.h"
#include "util/Text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace solvane {
namespace {

using kaime::IntCell;
using kaime::PutFixed;
using kaime::PutInt;

// Odds are read in tenths and money is worked out in whole numbers: as a double, "161.1" is
// 161.0999…, and 100 yen at it would pay 16109 once truncated. Odds cells are "%6.1f" texts or
// blanks; a plain decimal up to kMaxOddsTenths is read (a further decimal rounds to the nearest
// tenth), anything else reads as 0.
constexpr long long kMaxOddsTenths = 99'999'999;

bool digit(char c)
{
    return c >= '0' && c <= '9';
}

long long oddsTenths(std::string_view cell)
{
    const std::string_view text = trim(cell);
    std::size_t i = 0;
    long long units = 0;
    for (; i < text.size() && digit(text[i]); ++i) {
        if (units > kMaxOddsTenths / 10)
            return 0;
        units = units * 10 + (text[i] - '0');
    }
    bool read = i > 0;
    long long tenths = units * 10;
    if (i < text.size() && text[i] == '.') {
        ++i;
        if (i < text.size() && digit(text[i])) {
            tenths += text[i++] - '0';
            read = true;
        }
        if (i < text.size() && digit(text[i]) && text[i] >= '5')
            ++tenths;
        while (i < text.size() && digit(text[i]))
            ++i;
    }
    return read && i == text.size() && tenths <= kMaxOddsTenths ? tenths : 0;
}

bool filled(const TextGrid& t, int row, int col)
{
    return !kaime::BlankCell(t.cell(row, col));
}
bool deleted(const TextGrid& t, int row, int col)
{
    const std::string& cell = t.cell(row, col);
    return !cell.empty() && trim(cell) == "消";
}

// Per-row working arrays, kept between calls: allocating and freeing a few 80 KB arrays on every
// rebuild of a trifecta table showed up as page faults. One set per thread; the allocation never calls
// itself, so one set is enough.
struct Scratch {
    std::vector<unsigned char> marked, eligible;
    std::vector<long long> odds, stake;
    std::vector<long double> inverse;
};
Scratch& scratch()
{
    static thread_local Scratch s;
    return s;
}

// The payback sum of the expected recovery rate, in whole yen. 4896 rows at the largest stake and
// odds would overflow 64 bits, so a second word takes the carry.
class PaybackSum {
public:
    void add(long long yen)
    {
        const auto v = static_cast<std::uint64_t>(yen);
        low_ += v;
        high_ += low_ < v ? 1 : 0;
    }
    long double value() const
    {
        return static_cast<long double>(high_) * 18446744073709551616.0L + static_cast<long double>(low_);
    }

private:
    std::uint64_t low_ = 0, high_ = 0;
};

// The table with what the steps ask of every row read once: a trifecta table has 4896 rows and
// each step looks at each row several times.
struct Table {
    TextGrid& grid;
    const HaibunColumns& c;
    std::vector<unsigned char>& marked_ = scratch().marked;     // a number and no "消"
    std::vector<unsigned char>& eligible_ = scratch().eligible; // and an odds text
    std::vector<long long>& odds_ = scratch().odds;             // tenths

    Table(TextGrid& g, const HaibunColumns& cols) : grid(g), c(cols)
    {
        const auto rows = static_cast<std::size_t>(grid.rowCount());
        marked_.resize(rows);
        eligible_.resize(rows);
        odds_.resize(rows);
        for (std::size_t r = 0; r < rows; ++r) {
            const int i = static_cast<int>(r);
            marked_[r] = filled(grid, i, c.number) && !deleted(grid, i, c.deleteMark);
            eligible_[r] = marked_[r] && filled(grid, i, c.odds);
            odds_[r] = oddsTenths(grid.cell(i, c.odds));
        }
    }

    bool marked(int r) const { return marked_[static_cast<std::size_t>(r)] != 0; }
    bool eligible(int r) const { return eligible_[static_cast<std::size_t>(r)] != 0; }
    long long odds(int r) const { return odds_[static_cast<std::size_t>(r)]; }

    void emptyMoneyCells()
    {
        for (int r = 0; r < grid.rowCount(); ++r) {
            std::vector<std::string>& row = grid.row(r);
            row[static_cast<std::size_t>(c.stake)].clear();
            row[static_cast<std::size_t>(c.payout)].clear();
            row[static_cast<std::size_t>(c.payout + 1)].clear();
        }
    }
    // Payout and rate of one row; adds the payout, truncated to whole yen, to the payback sum.
    void writePayout(int r, long long stake, long long total, PaybackSum& sum)
    {
        const long long back = stake * odds(r); // tenths of a yen, exact
        std::vector<std::string>& row = grid.row(r);
        std::string& payout = row[static_cast<std::size_t>(c.payout)];
        if (back % 10 == 0)
            PutInt(payout, back / 10, 7);
        else // a flat stake that is no multiple of 10 yen
            PutFixed(payout, static_cast<double>(static_cast<long double>(back) / 10), 7, 0);
        PutFixed(row[static_cast<std::size_t>(c.payout + 1)],
                 static_cast<double>(static_cast<long double>(back) * 10 / static_cast<long double>(total)), 7, 1);
        sum.add(back / 10);
    }
};

void writeRate(KaimeLabels& labels, const PaybackSum& sum, long long n, long long total)
{
    const long double r = sum.value() * 100 / (static_cast<long double>(n) * static_cast<long double>(total));
    labels.rate = strprintf("%7.1Lf", r);
    if (r > 100)
        labels.rateStyle = CellStyle::fg(kRateAboveColor);
    else if (r > 0)
        labels.rateStyle = CellStyle::fg(kRateBelowColor);
    else
        labels.rateStyle = CellStyle{};
}

// 均等 and 均一: one stake S on every eligible row.
void evenStakes(Table& t, HaibunMode mode, long long amount, KaimeLabels& labels)
{
    t.emptyMoneyCells();
    long long n = 0;
    for (int r = 0; r < t.grid.rowCount(); ++r)
        n += t.eligible(r) ? 1 : 0;
    if (n == 0)
        return;
    long long s = amount;
    if (mode == HaibunMode::Kinto) {
        // amount / n rounded to 100 yen: upwards unless less than 10 yen are left over, that is
        // trunc(amount / n / 100 + 0.9) in whole numbers.
        s = (10 * amount + 900 * n) / (1000 * n) * 100;
    }
    s = std::max(s, kMinStake);
    const long long total = n * s;
    labels.count = strprintf("%3lld", n);
    labels.total = strprintf("%6lld", total);
    PaybackSum sum;
    for (int r = 0; r < t.grid.rowCount(); ++r) {
        if (!t.eligible(r))
            continue;
        PutInt(t.grid.row(r)[static_cast<std::size_t>(t.c.stake)], s, 6);
        t.writePayout(r, s, total, sum);
    }
    writeRate(labels, sum, n, total);
}

// Unsigned whole numbers of any size (32-bit limbs, lowest first, no leading zero limbs), for the
// exact check of a 比例 share that falls on a 5-yen boundary: the sum of the inverse odds of a
// table has as many digits as all its odds together.
using Big = std::vector<std::uint32_t>;

Big bigOf(std::uint64_t v)
{
    Big b;
    for (; v > 0; v >>= 32)
        b.push_back(static_cast<std::uint32_t>(v));
    return b;
}

Big operator*(const Big& a, const Big& b)
{
    if (a.empty() || b.empty())
        return {};
    Big out(a.size() + b.size(), 0);
    for (std::size_t i = 0; i < a.size(); ++i) {
        std::uint64_t carry = 0;
        for (std::size_t j = 0; j < b.size(); ++j) {
            const std::uint64_t v = out[i + j] + static_cast<std::uint64_t>(a[i]) * b[j] + carry;
            out[i + j] = static_cast<std::uint32_t>(v);
            carry = v >> 32;
        }
        out[i + b.size()] = static_cast<std::uint32_t>(carry);
    }
    while (!out.empty() && out.back() == 0)
        out.pop_back();
    return out;
}

Big operator+(const Big& a, const Big& b)
{
    const Big& longer = a.size() >= b.size() ? a : b;
    const Big& shorter = a.size() >= b.size() ? b : a;
    Big out(longer.size() + 1, 0);
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < longer.size(); ++i) {
        const std::uint64_t v = static_cast<std::uint64_t>(longer[i]) + (i < shorter.size() ? shorter[i] : 0) + carry;
        out[i] = static_cast<std::uint32_t>(v);
        carry = v >> 32;
    }
    out.back() = static_cast<std::uint32_t>(carry);
    if (out.back() == 0)
        out.pop_back();
    return out;
}

bool operator<=(const Big& a, const Big& b)
{
    if (a.size() != b.size())
        return a.size() < b.size();
    for (std::size_t i = a.size(); i-- > 0;) {
        if (a[i] != b[i])
            return a[i] < b[i];
    }
    return true;
}

struct Fraction {
    Big num, den;
};

// Σ count / tenths over the given distinct odds, exactly (halves summed first, so that the
// multiplications stay balanced).
Fraction inverseSum(std::span<const std::pair<long long, long long>> terms)
{
    if (terms.size() == 1)
        return {bigOf(static_cast<std::uint64_t>(terms[0].second)), bigOf(static_cast<std::uint64_t>(terms[0].first))};
    const std::size_t half = terms.size() / 2;
    const Fraction a = inverseSum(terms.first(half));
    const Fraction b = inverseSum(terms.subspan(half));
    return {a.num * b.den + b.num * a.den, a.den * b.den};
}

// 比例: every combination should pay back about the same. Row i's share of the amount is
// (1 / o_i) / Σ 1 / o_j, rounded to 100 yen: upwards unless less than 5 yen are left over.
void proportionalStakes(Table& t, long long amount, KaimeLabels& labels)
{
    t.emptyMoneyCells();
    const int rows = t.grid.rowCount();
    // The shares depend on the inverse odds alone (a common factor such as the first row's odds
    // cancels out), so a first row without a price leaves the other rows their shares.
    std::vector<long double>& inverse = scratch().inverse;
    inverse.assign(static_cast<std::size_t>(rows), 0);
    long double w = 0;
    long long n = 0;
    for (int r = 0; r < rows; ++r) {
        if (!t.eligible(r))
            continue;
        ++n;
        if (const long long o = t.odds(r); o > 0) {
            inverse[static_cast<std::size_t>(r)] = 1.0L / static_cast<long double>(o);
            w += inverse[static_cast<std::size_t>(r)];
        }
    }
    // Whether row r's share reaches the given number of hundreds once rounded. Asked only when the
    // share lies so near a 5-yen boundary that the rounding of the sums here could put it on the wrong
    // side; the sum of the inverse odds is then made an exact fraction, once per table.
    std::optional<Fraction> exactSum;
    auto reaches = [&](int r, long long hundreds) {
        if (!exactSum) {
            std::vector<std::pair<long long, long long>> distinct; // tenths, rows
            for (int i = 0; i < rows; ++i) {
                if (t.eligible(i) && t.odds(i) > 0)
                    distinct.emplace_back(t.odds(i), 1);
            }
            std::sort(distinct.begin(), distinct.end());
            std::size_t kept = 0;
            for (const auto& d : distinct) {
                if (kept > 0 && distinct[kept - 1].first == d.first)
                    ++distinct[kept - 1].second;
                else
                    distinct[kept++] = d;
            }
            distinct.resize(kept);
            exactSum = inverseSum(distinct);
        }
        // amount / (100 o_r Σ) + 0.95 >= hundreds  ⇔  (100 hundreds - 95) o_r Σ <= amount
        const auto scale = static_cast<std::uint64_t>((100 * hundreds - 95) * t.odds(r));
        return bigOf(scale) * exactSum->num <= bigOf(static_cast<std::uint64_t>(amount)) * exactSum->den;
    };
    std::vector<long long>& stake = scratch().stake;
    stake.assign(static_cast<std::size_t>(rows), 0);
    long long total = 0;
    if (w > 0) {
        const long double perInverse = static_cast<long double>(amount) / 100 / w;
        for (int r = 0; r < rows; ++r) {
            if (!t.eligible(r))
                continue;
            const long double units = perInverse * inverse[static_cast<std::size_t>(r)] + 0.95L;
            long long s = static_cast<long long>(units);
            const auto nearest = static_cast<long long>(units + 0.5L);
            if (inverse[static_cast<std::size_t>(r)] > 0 &&
                std::fabs(units - static_cast<long double>(nearest)) <= 1e-10L * (1 + units))
                s = reaches(r, nearest) ? nearest : nearest - 1;
            s = std::max(s * 100, kMinStake);
            PutInt(t.grid.row(r)[static_cast<std::size_t>(t.c.stake)], s, 6);
            stake[static_cast<std::size_t>(r)] = s;
            total += s;
        }
    }
    labels.count = strprintf("%3lld", n);
    labels.total = strprintf("%6lld", total);
    if (total < 1)
        return;
    PaybackSum sum;
    for (int r = 0; r < rows; ++r) {
        if (stake[static_cast<std::size_t>(r)] > 0)
            t.writePayout(r, stake[static_cast<std::size_t>(r)], total, sum);
    }
    writeRate(labels, sum, n, total);
}

// 期配: on each combination the stake whose payback reaches the amount.
void targetStakes(Table& t, long long amount, KaimeLabels& labels)
{
    t.emptyMoneyCells();
    const int rows = t.grid.rowCount();
    std::vector<long long>& stake = scratch().stake;
    stake.assign(static_cast<std::size_t>(rows), 0);
    long long n = 0;
    long long total = 0;
    for (int r = 0; r < rows; ++r) {
        const long long o = t.eligible(r) ? t.odds(r) : 0;
        if (o <= 0)
            continue;
        // Rounded up to 100 yen unless less than 1 yen is missing: trunc(amount / odds / 100 + 0.99),
        // with the odds in tenths.
        const long long k = (100 * amount + 990 * o) / (1000 * o);
        const long long s = k >= 1 ? k * 100 : kMinStake;
        PutInt(t.grid.row(r)[static_cast<std::size_t>(t.c.stake)], s, 6);
        stake[static_cast<std::size_t>(r)] = s;
        ++n;
        total += s;
    }
    if (n == 0)
        return;
    labels.count = strprintf("%3lld", n);
    labels.total = strprintf("%6lld", total);
    PaybackSum sum;
    for (int r = 0; r < rows; ++r) {
        if (stake[static_cast<std::size_t>(r)] > 0)
            t.writePayout(r, stake[static_cast<std::size_t>(r)], total, sum);
    }
    writeRate(labels, sum, n, total);
}

struct SlotLayout {
    std::size_t first;
    int slots;
    std::size_t length;
    int numbers;
    std::size_t digits; // width of one number
    std::size_t popWidth;
};

SlotLayout layoutOf(BakenType type)
{
    switch (type) {
    case BakenType::Tan:
        return {103, 3, 13, 1, 2, 2};
    case BakenType::Fuk:
        return {142, 5, 13, 1, 2, 2};
    case BakenType::WR:
        return {207, 3, 13, 2, 1, 2};
    case BakenType::UR:
        return {246, 3, 16, 2, 2, 3};
    case BakenType::WD:
        return {294, 7, 16, 2, 2, 3};
    case BakenType::UT:
        return {454, 6, 16, 2, 2, 3};
    case BakenType::SRF:
        return {550, 3, 18, 3, 2, 3};
    case BakenType::SRT:
        break;
    }
    return {604, 6, 19, 3, 2, 4};
}

struct PaySlot {
    std::string label; // as the table writes it; for win and place the horse number as text
    int horse = 0;
    long long pay = 0;
    int popularity = 0;
};

// The slots of the record that hold a payout.
std::vector<PaySlot> paySlots(BakenType type, std::string_view hr)
{
    const SlotLayout l = layoutOf(type);
    std::vector<PaySlot> out;
    for (int i = 0; i < l.slots; ++i) {
        const std::size_t at = l.first + static_cast<std::size_t>(i) * l.length;
        std::array<long long, 3> num{};
        bool complete = true;
        for (int k = 0; k < l.numbers; ++k) {
            num[static_cast<std::size_t>(k)] =
                toIntDef(field(hr, at + static_cast<std::size_t>(k) * l.digits, l.digits), 0);
            complete = complete && num[static_cast<std::size_t>(k)] > 0;
        }
        if (!complete)
            continue;
        const std::size_t payAt = at + static_cast<std::size_t>(l.numbers) * l.digits;
        PaySlot s;
        s.horse = static_cast<int>(num[0]);
        s.pay = toIntDef(field(hr, payAt, 9), 0);
        s.popularity = static_cast<int>(toIntDef(field(hr, payAt + 9, l.popWidth), 0));
        if (l.numbers == 2)
            s.label = strprintf("%2lld-%2lld", num[0], num[1]);
        else if (l.numbers == 3)
            s.label = strprintf("%2lld-%2lld-%2lld", num[0], num[1], num[2]);
        out.push_back(std::move(s));
    }
    return out;
}

const PaySlot* payingSlot(BakenType type, std::string_view label, const std::vector<PaySlot>& slots)
{
    const bool single = InfoOf(type).numbers == 1;
    const long long h = single ? toIntDef(label, 0) : 0;
    if (!single && trim(label).empty())
        return nullptr;
    for (const PaySlot& s : slots) {
        if (single ? (h > 0 && s.horse == h) : s.label == label)
            return &s;
    }
    return nullptr;
}

} // namespace

bool HaibunKaime(std::string_view typeName, HaibunMode mode, long long amount, TextGrid& table,
                 const HaibunColumns& columns, KaimeLabels& labels)
{
    if (!BakenTypeOfName(typeName) || amount < kMinStake || amount > kMaxAllocatedAmount || table.rowCount() < 1 ||
        table.rowCount() > kMaxAllocatedRows || !filled(table, 0, columns.odds))
        return false;
    Table t(table, columns);
    switch (mode) {
    case HaibunMode::Kinto:
    case HaibunMode::Kinitsu:
        evenStakes(t, mode, amount, labels);
        break;
    case HaibunMode::Hirei:
        proportionalStakes(t, amount, labels);
        break;
    case HaibunMode::Kihai:
        targetStakes(t, amount, labels);
        break;
    }
    return true;
}

bool IsPaidLabel(BakenType type, std::string_view label, std::string_view hr)
{
    return payingSlot(type, label, paySlots(type, hr)) != nullptr;
}

long long KekkaKaime(std::string_view typeName, TextGrid& table, const KekkaColumns& columns, std::string_view hr,
                     KaimeLabels& labels)
{
    const auto type = BakenTypeOfName(typeName);
    if (!type || table.rowCount() < 1)
        return 0;
    const std::vector<PaySlot> slots = paySlots(*type, hr);
    long long sum = 0;
    for (int r = 0; r < table.rowCount() && !slots.empty(); ++r) {
        const PaySlot* s = payingSlot(*type, table.cell(r, columns.label), slots);
        if (!s)
            continue;
        // A 9-digit payout times an 8-digit stake needs 64 bits.
        const long long back = s->pay * toIntDef(table.cell(r, columns.stake), 0) / 100;
        table.setCell(r, columns.payout, IntCell(s->pay, 7));
        table.setCell(r, columns.ret,
                      *type == BakenType::WR && s->pay * toIntDef(table.cell(r, columns.stake), 0) == 0
                          ? std::string()
                          : IntCell(back, 7));
        table.setCell(r, columns.popularity, IntCell(s->popularity, 3));
        table.setStyle(r, columns.label, CellStyle::bg(kPaidLabelColor));
        sum += back;
    }
    labels.paid = sum > 0 ? strprintf("%8lld", sum) : std::string();
    return sum;
}

} // namespace solvane
