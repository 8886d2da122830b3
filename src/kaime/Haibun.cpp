#include "kaime/Haibun.h"

#include "kaime/CellText.h"
#include "util/Text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace solvane {
namespace {

using kaime::IntCell;
using kaime::PutFixed;
using kaime::PutInt;

// Odds cells are "%6.1f" texts or blanks; anything that is not a number reads as 0. Odds have one
// decimal, so reading them as double loses nothing the extended-precision sums below could use.
long double parseOdds(std::string_view cell)
{
    const std::string_view text = trim(cell);
    double v = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), v);
    return res.ec == std::errc() && res.ptr == text.data() + text.size() ? v : 0;
}

// trunc() of the non-negative amounts here: the conversion itself cuts toward zero, without the
// library call that dominated the allocation of big tables.
long long truncated(long double v)
{
    return static_cast<long long>(v);
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
    std::vector<long double> odds, weight;
    std::vector<long long> stake;
};
Scratch& scratch()
{
    static thread_local Scratch s;
    return s;
}

// The table with what the steps ask of every row read once: a trifecta table has 4896 rows and
// each step looks at each row several times.
struct Table {
    TextGrid& grid;
    const HaibunColumns& c;
    std::vector<unsigned char>& marked_ = scratch().marked;     // a number and no "消"
    std::vector<unsigned char>& eligible_ = scratch().eligible; // and an odds text
    std::vector<long double>& odds_ = scratch().odds;

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
            odds_[r] = parseOdds(grid.cell(i, c.odds));
        }
    }

    bool marked(int r) const { return marked_[static_cast<std::size_t>(r)] != 0; }
    bool eligible(int r) const { return eligible_[static_cast<std::size_t>(r)] != 0; }
    long double odds(int r) const { return odds_[static_cast<std::size_t>(r)]; }

    void emptyMoneyCells()
    {
        for (int r = 0; r < grid.rowCount(); ++r) {
            std::vector<std::string>& row = grid.row(r);
            row[static_cast<std::size_t>(c.stake)].clear();
            row[static_cast<std::size_t>(c.payout)].clear();
            row[static_cast<std::size_t>(c.payout + 1)].clear();
        }
    }
    // Payout and rate of one row; returns what the row adds to the expected-payback sum.
    long long writePayout(int r, long long stake, long double total)
    {
        const long double back = static_cast<long double>(stake) * odds(r);
        std::vector<std::string>& row = grid.row(r);
        PutFixed(row[static_cast<std::size_t>(c.payout)], static_cast<double>(back), 7, 0);
        PutFixed(row[static_cast<std::size_t>(c.payout + 1)], static_cast<double>(back / total * 100), 7, 1);
        return truncated(back);
    }
};

void writeRate(KaimeLabels& labels, long long sum, long long n, long long total)
{
    const long double r =
        static_cast<long double>(sum) / static_cast<long double>(n) / static_cast<long double>(total) * 100;
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
        // Rounded to 100 yen: upwards unless less than 10 yen are left over.
        const long double units = static_cast<long double>(amount) / n / 100 + 0.9L;
        s = truncated(units) * 100;
    }
    s = std::max(s, kMinStake);
    const long long total = n * s;
    labels.count = strprintf("%3lld", n);
    labels.total = strprintf("%6lld", total);
    long long sum = 0;
    for (int r = 0; r < t.grid.rowCount(); ++r) {
        if (!t.eligible(r))
            continue;
        PutInt(t.grid.row(r)[static_cast<std::size_t>(t.c.stake)], s, 6);
        sum += t.writePayout(r, s, static_cast<long double>(total));
    }
    writeRate(labels, sum, n, total);
}

// 比例: every combination should pay back about the same.
void proportionalStakes(Table& t, long long amount, KaimeLabels& labels)
{
    t.emptyMoneyCells();
    const int rows = t.grid.rowCount();
    // The base cancels out of every share; it only keeps the weights near the odds' scale. A first row
    // without a price would make every weight 0, so 100 stands in for it.
    long double base = t.odds(0) * 100;
    if (!(base > 0))
        base = 100;
    std::vector<long double>& weight = scratch().weight;
    weight.assign(static_cast<std::size_t>(rows), 0);
    long double w = 0;
    long long n = 0;
    for (int r = 0; r < rows; ++r) {
        if (!t.eligible(r))
            continue;
        ++n;
        if (const long double o = t.odds(r); o > 0) {
            weight[static_cast<std::size_t>(r)] = base / o;
            w += weight[static_cast<std::size_t>(r)];
        }
    }
    std::vector<long long>& stake = scratch().stake;
    stake.assign(static_cast<std::size_t>(rows), 0);
    long long total = 0;
    if (w > 0) {
        for (int r = 0; r < rows; ++r) {
            if (!t.eligible(r))
                continue;
            const long double share = weight[static_cast<std::size_t>(r)] / w * 100;
            // Rounded to 100 yen: upwards unless less than 5 yen are left over.
            long long s = truncated(amount * share / 10000 + 0.95L) * 100;
            s = std::max(s, kMinStake);
            PutInt(t.grid.row(r)[static_cast<std::size_t>(t.c.stake)], s, 6);
            stake[static_cast<std::size_t>(r)] = s;
            total += s;
        }
    }
    labels.count = strprintf("%3lld", n);
    labels.total = strprintf("%6lld", total);
    if (total < 1)
        return;
    long long sum = 0;
    for (int r = 0; r < rows; ++r) {
        if (stake[static_cast<std::size_t>(r)] > 0)
            sum += t.writePayout(r, stake[static_cast<std::size_t>(r)], static_cast<long double>(total));
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
        const long double o = t.eligible(r) ? t.odds(r) : 0;
        if (!(o > 0))
            continue;
        // Rounded up to 100 yen unless less than 1 yen is missing.
        const long long k = truncated(amount / o / 100 + 0.99L);
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
    long long sum = 0;
    for (int r = 0; r < rows; ++r) {
        if (stake[static_cast<std::size_t>(r)] > 0)
            sum += t.writePayout(r, stake[static_cast<std::size_t>(r)], static_cast<long double>(total));
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
    if (!BakenTypeOfName(typeName) || amount < kMinStake || table.rowCount() < 1 ||
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
