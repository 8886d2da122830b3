#include "feedgen/Records.h"

#include "feedgen/Names.h"
#include "util/Text.h"

#include <algorithm>
#include <cstring>

namespace solvane::feedgen {

namespace {

// Digits without printf: odds records hold tens of thousands of numbers per race.
inline void PutDigits(char* p, std::size_t len, long long v)
{
    if (v < 0)
        v = 0;
    for (std::size_t i = len; i-- > 0;) {
        p[i] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
}

inline long long Cap(std::size_t len)
{
    long long c = 1;
    for (std::size_t i = 0; i < len; ++i)
        c *= 10;
    return c - 1;
}

// An odds or popularity value with its markers: blanks for no entry, '-' and '*' for cancels.
inline void PutOdds(char* p, std::size_t len, int v)
{
    if (v == kNoEntry)
        return;
    if (v == kCancelPre || v == kCancelPost) {
        std::memset(p, v == kCancelPre ? '-' : '*', len);
        return;
    }
    PutDigits(p, len, std::min<long long>(v, Cap(len)));
}

inline void Put2(char* p, int v)
{
    p[0] = static_cast<char>('0' + v / 10);
    p[1] = static_cast<char>('0' + v % 10);
}

std::string Hhmm(int minutes)
{
    return strprintf("%02d%02d", minutes / 60, minutes % 60);
}

} // namespace

std::size_t RecordLength(std::string_view type)
{
    static constexpr std::pair<std::string_view, std::size_t> kLengths[] = {
        {"RA", kLenRA}, {"SE", kLenSE}, {"HR", kLenHR}, {"O1", kLenO1}, {"O2", kLenO2}, {"O3", kLenO3}, {"O4", kLenO4},
        {"O5", kLenO5}, {"O6", kLenO6}, {"WF", kLenWF}, {"TM", kLenTM}, {"DM", kLenDM}, {"WE", kLenWE}, {"TC", kLenTC}};
    for (const auto& [t, len] : kLengths)
        if (t == type)
            return len;
    return 0;
}

RecordWriter::RecordWriter(std::string& out, std::size_t length) : out_(out), base_(out.size()), length_(length)
{
    out.append(length - 2, ' ');
    out.append("\r\n");
}

void RecordWriter::text(std::size_t pos, std::string_view s)
{
    const std::size_t n = std::min(s.size(), length_ - 2 - (pos - 1));
    std::memcpy(at(pos), s.data(), n);
}

void RecordWriter::num(std::size_t pos, std::size_t len, long long value)
{
    PutDigits(at(pos), len, std::min(value, Cap(len)));
}

void RecordWriter::fill(std::size_t pos, std::size_t len, char c)
{
    std::memset(at(pos), c, len);
}

void RecordWriter::header(std::string_view type, char kind, const DateTime& made, std::string_view key)
{
    text(1, type);
    at(3)[0] = kind;
    text(4, made.yyyymmdd());
    text(12, key);
}

void AppendRA(std::string& out, const Race& r, char kind, const DateTime& made, bool withResults)
{
    RecordWriter w(out, kLenRA);
    w.header("RA", kind, made, r.key);
    w.num(28, 1, r.weekdayCode);
    w.num(29, 4, r.grade != ' ' && r.grade != 'E' ? 100 + r.raceNo * 7 + r.vd.venue : 0);
    const std::string blank60 = PadWide("", 60);
    w.text(33, PadWide(r.name, 60));
    w.text(93, blank60);
    w.text(153, blank60);
    // Short names: the name itself when it fits, else its abbreviation.
    w.text(573, PadWide(r.name.size() <= 20 ? r.name : r.abbr, 20));
    w.text(593, PadWide(r.name.size() <= 12 ? r.name : r.abbr, 12));
    w.text(605, PadWide(r.name.size() <= 12 ? r.name : r.abbr, 6));
    w.num(611, 1, r.name.empty() ? 0 : 1);
    const bool graded = std::string_view("ABCFGH").find(r.grade) != std::string_view::npos;
    w.num(612, 3, graded ? 10 + r.vd.venue * 3 : 0);
    w.text(615, std::string(1, r.grade));
    w.num(617, 2, r.syubetu);
    w.text(619, r.kigo);
    w.num(622, 1, r.jyuryo);
    // Condition per age group, then the condition of the youngest runners.
    const bool two = r.syubetu == 11, three = r.syubetu == 12 || r.syubetu == 13 || r.syubetu == 18;
    const bool olderToo = r.syubetu == 13 || r.syubetu == 14 || r.syubetu == 18 || r.syubetu == 19;
    w.num(623, 3, two ? r.jyoken : 0);
    w.num(626, 3, three ? r.jyoken : 0);
    w.num(629, 3, olderToo ? r.jyoken : 0);
    w.num(632, 3, olderToo ? r.jyoken : 0);
    w.num(635, 3, r.jyoken);
    w.text(638, blank60);
    w.num(698, 4, r.distance);
    w.num(702, 4, 0);
    w.num(706, 2, r.track);
    w.num(708, 2, 0);
    static constexpr long long kShare[5] = {100, 40, 25, 15, 10};
    for (int i = 0; i < 7; ++i)
        w.num(714 + 8 * U(i), 8, i < 5 ? r.prize1 * kShare[i] / 100 : 0);
    w.fill(770, 40, '0');
    w.fill(810, 64, '0');
    const bool changed = withResults && r.postActual != r.postPlanned;
    w.text(874, Hhmm(withResults ? r.postActual : r.postPlanned));
    w.text(878, changed ? Hhmm(r.postPlanned) : "0000");
    w.num(882, 2, r.registered);
    w.num(884, 2, withResults ? r.starters : r.registered);
    w.num(886, 2, withResults ? r.starters : 0);
    w.num(888, 1, withResults ? r.weather : 0);
    w.num(889, 1, withResults ? r.turfGoing : 0);
    w.num(890, 1, withResults ? r.dirtGoing : 0);
    w.fill(891, 75, '0');
    w.fill(966, 16, '0');
    if (withResults && !r.order.empty()) {
        const Runner& win = r.runners[U(r.order.front())];
        if (!r.jump) {
            // Furlong laps of the winner's time: a quick first furlong, an even middle, a fast finish.
            const int laps = (r.distance + 199) / 200;
            int left = win.timeTenths;
            for (int i = 0; i < laps && i < 25; ++i) {
                int lap = i == laps - 1 ? left : left / (laps - i) + (i == 0 ? 5 : 0);
                left -= lap;
                w.num(891 + 3 * U(i), 3, lap);
            }
        } else {
            const int mile = win.timeTenths * 1609 / r.distance;
            w.text(966, strprintf("%d%03d", mile / 600, mile % 600));
        }
        w.num(970, 3, 340 + (win.timeTenths % 20));
        w.num(973, 3, 460 + (win.timeTenths % 20));
        w.num(976, 3, win.last3f);
        w.num(979, 3, win.last3f + 120);
        // Passing order at the third and fourth corners: the finishing order, roughly.
        std::string order;
        for (std::size_t i = 0; i < r.order.size(); ++i) {
            std::string item = std::to_string(r.order[i]);
            if (i)
                item.insert(item.begin(), ',');
            if (order.size() + item.size() > 70)
                break;
            order += item;
        }
        for (int c = 0; c < 4; ++c) {
            w.num(982 + 72 * U(c), 1, c + 1);
            w.num(983 + 72 * U(c), 1, 0);
            if (c >= 2)
                w.text(984 + 72 * U(c), order);
        }
    }
    w.num(1270, 1, 0);
}

void AppendSE(std::string& out, const Race& r, int h, char kind, const DateTime& made, bool withResults,
              const OddsTable* finalOdds)
{
    const Runner& u = r.runners[U(h)];
    RecordWriter w(out, kLenSE);
    w.header("SE", kind, made, r.key);
    w.num(28, 1, u.bracket);
    w.num(29, 2, u.number);
    w.text(31, u.pedigreeNo);
    w.text(41, u.name);
    w.text(77, "00");
    w.num(79, 1, u.sex);
    w.num(80, 1, 1);
    w.num(81, 2, 1 + (u.trainer + u.number) % 8);
    w.num(83, 2, u.age);
    w.num(85, 1, u.east);
    w.num(86, 5, 1000 + u.trainer);
    w.text(91, PersonShortName(u.trainer + 17));
    w.num(99, 6, 100000 + u.trainer * 13 % 900);
    w.text(105, PadWide(OwnerName(u.trainer), 64));
    w.text(169, PadWide("", 60));
    w.num(289, 3, u.futan);
    w.num(292, 3, 0);
    w.num(295, 1, (u.trainer + u.jockey) % 9 == 0 ? 1 : 0);
    w.num(297, 5, 1000 + u.jockey);
    w.num(302, 5, 0);
    w.text(307, PersonShortName(u.jockey));
    w.text(315, PadWide("", 8));
    w.num(323, 2, 0);
    if (withResults) {
        if (u.scratched) {
            w.text(325, "000");
        } else {
            w.num(325, 3, u.bodyWeight);
            w.text(328, u.weightDiff > 0 ? "+" : (u.weightDiff < 0 ? "-" : " "));
            w.num(329, 3, u.weightDiff < 0 ? -u.weightDiff : u.weightDiff);
        }
    }
    w.num(332, 1, u.scratched ? 1 : 0);
    const bool placed = withResults && !u.scratched;
    w.num(333, 2, placed ? u.placing : 0);
    w.num(335, 2, placed ? u.placing : 0);
    w.num(337, 1, placed && u.deadHeat ? 1 : 0);
    w.num(338, 1, placed && u.deadHeat ? 1 : 0);
    if (placed)
        w.text(339, strprintf("%d%03d", u.timeTenths / 600, u.timeTenths % 600));
    else
        w.text(339, "0000");
    w.fill(352, 8, '0');
    if (placed) {
        const int p = std::min(u.placing, 18);
        w.num(356, 2, std::clamp(p + (u.style - 2), 1, r.starters));
        w.num(358, 2, p);
    }
    if (withResults && finalOdds && !u.scratched) {
        w.num(360, 4, std::max(0, finalOdds->tan[U(h)]));
        w.num(364, 2, std::max(0, finalOdds->tanPop[U(h)]));
    } else {
        w.text(360, "000000");
    }
    static constexpr long long kShare[5] = {100, 40, 25, 15, 10};
    w.num(366, 8, placed && u.placing <= 5 ? r.prize1 * kShare[u.placing - 1] / 100 : 0);
    w.num(374, 8, 0);
    if (placed) {
        w.num(388, 3, u.last3f + 120);
        w.num(391, 3, u.last3f);
    } else {
        w.text(388, withResults ? "999999" : "000000");
    }
    for (int i = 0; i < 3; ++i) {
        w.fill(394 + 46 * U(i), 10, '0');
        w.text(404 + 46 * U(i), PadWide("", 36));
    }
    if (placed && r.order.size() >= 2) {
        // The winner, or for the winner the runner-up.
        const Runner& other = r.runners[U(u.placing == 1 ? r.order[1] : r.order[0])];
        w.text(394, other.pedigreeNo);
        w.text(404, other.name);
        const int gap = u.placing == 1 ? other.timeTenths - u.timeTenths : u.timeTenths - other.timeTenths;
        w.text(532, u.placing == 1 ? "-" : "+");
        w.num(533, 3, gap);
    } else if (withResults) {
        w.text(532, "9999");
    }
    w.num(536, 1, 0);
    w.num(537, 1, withResults ? 3 : (kind == '1' ? 1 : 2));
    if (!u.scratched) {
        w.text(538, strprintf("%d%04d", u.dmTime / 6000, u.dmTime % 6000));
        w.num(543, 4, u.dmErr);
        w.num(547, 4, u.dmErr + 20);
        w.num(551, 2, u.dmRank);
    } else {
        w.fill(538, 15, '0');
    }
    w.num(553, 1, placed ? u.style : 0);
}

void AppendHR(std::string& out, const Race& r, const Market& m, const Payouts& p, char kind, const DateTime& made)
{
    RecordWriter w(out, kLenHR);
    w.header("HR", kind, made, r.key);
    w.num(28, 2, r.registered);
    w.num(30, 2, r.starters);
    w.fill(32, 27, '0');
    w.fill(59, 44, '0');
    bool anyOut = false;
    std::array<int, 9> regs{}, lives{};
    for (int h = 1; h <= r.registered; ++h) {
        const Runner& u = r.runners[U(h)];
        ++regs[U(u.bracket)];
        lives[U(u.bracket)] += u.scratched ? 0 : 1;
        if (u.scratched) {
            anyOut = true;
            w.num(59 + U(h) - 1, 1, 1);
        }
    }
    if (anyOut) {
        // Refunds for every pool a scratched runner was part of.
        for (int i = 0; i < 9; ++i)
            if (i != 5 && (i != 2 || m.wrSold))
                w.num(50 + U(i), 1, 1);
        for (int b = 1; b <= 8; ++b) {
            if (regs[U(b)] >= 1 && lives[U(b)] == 0)
                w.num(87 + U(b) - 1, 1, 1);
            if (regs[U(b)] >= 2 && lives[U(b)] < 2)
                w.num(95 + U(b) - 1, 1, 1);
        }
    }
    auto block = [&](std::size_t start, std::size_t stride, int count, std::size_t comboLen, std::size_t popLen,
                     const std::vector<PayEntry>& entries, int numbers, bool brackets) {
        for (int i = 0; i < count; ++i) {
            const std::size_t pos = start + stride * U(i);
            if (U(i) >= entries.size()) {
                w.fill(pos, comboLen, '0');
                continue;
            }
            const PayEntry& e = entries[U(i)];
            if (brackets) {
                w.num(pos, 1, e.a);
                w.num(pos + 1, 1, e.b);
            } else {
                const int v[3] = {e.a, e.b, e.c};
                for (int k = 0; k < numbers; ++k)
                    w.num(pos + 2 * U(k), 2, v[k]);
            }
            w.num(pos + comboLen, 9, e.pay);
            w.num(pos + comboLen + 9, popLen, e.pop);
        }
    };
    block(103, 13, 3, 2, 2, p.tan, 1, false);
    block(142, 13, 5, 2, 2, p.fuk, 1, false);
    block(207, 13, 3, 2, 2, p.wr, 2, true);
    block(246, 16, 3, 4, 3, p.ur, 2, false);
    block(294, 16, 7, 4, 3, p.wide, 2, false);
    block(406, 16, 3, 4, 3, {}, 2, false);
    block(454, 16, 6, 4, 3, p.ut, 2, false);
    block(550, 18, 3, 6, 3, p.srf, 3, false);
    block(604, 19, 6, 6, 4, p.srt, 3, false);
}

void AppendOdds(std::string& out, const Race& r, const OddsTable& o, char kind, const DateTime& made,
                std::string_view happyo, int which)
{
    const ComboTables& T = Combos();
    auto head = [&](RecordWriter& w, const char* type) {
        w.header(type, kind, made, r.key);
        w.text(28, happyo);
        w.num(36, 2, o.registered);
        w.num(38, 2, o.starters);
    };
    char* base = nullptr;
    auto start = [&](std::size_t len, const char* type) {
        const std::size_t at = out.size();
        RecordWriter w(out, len);
        head(w, type);
        base = out.data() + at - 1; // base[pos] is the byte at 1-based pos
        return at;
    };
    if (which == 0 || which == 1) {
        start(kLenO1, "O1");
        base[40] = '7';
        base[41] = o.placeKey ? '7' : '0';
        base[42] = o.wrSold ? '7' : '0';
        base[43] = static_cast<char>('0' + o.placeKey);
        for (int h = 1; h <= 28; ++h) {
            if (o.tan[U(h)] == kNoEntry)
                continue;
            char* p = base + 44 + 8 * (h - 1);
            Put2(p, h);
            PutOdds(p + 2, 4, o.tan[U(h)]);
            PutOdds(p + 6, 2, o.tanPop[U(h)]);
            if (o.placeKey) {
                char* f = base + 268 + 12 * (h - 1);
                Put2(f, h);
                PutOdds(f + 2, 4, o.fukLow[U(h)]);
                PutOdds(f + 6, 4, o.fukHigh[U(h)]);
                PutOdds(f + 10, 2, o.fukPop[U(h)]);
            }
        }
        for (int s = 1; s <= kWrSlots; ++s) {
            if (o.wr[U(s)] == kNoEntry)
                continue;
            char* p = base + 604 + 9 * (s - 1);
            p[0] = static_cast<char>('0' + T.wr[U(s)][0]);
            p[1] = static_cast<char>('0' + T.wr[U(s)][1]);
            PutOdds(p + 2, 5, o.wr[U(s)]);
            PutOdds(p + 7, 2, o.wrPop[U(s)]);
        }
        PutDigits(base + 928, 11, o.totals[0]);
        PutDigits(base + 939, 11, o.placeKey ? o.totals[1] : 0);
        PutDigits(base + 950, 11, o.totals[2]);
    }
    auto pairs = [&](std::size_t len, const char* type, std::size_t stride, const std::array<int, kPairSlots + 1>& a,
                     const std::array<int, kPairSlots + 1>* hi, const std::array<int, kPairSlots + 1>& pop,
                     std::size_t oddsLen, std::size_t totalPos, long long total) {
        start(len, type);
        base[40] = '7';
        for (int s = 1; s <= kPairSlots; ++s) {
            if (a[U(s)] == kNoEntry)
                continue;
            char* p = base + 41 + stride * U(s - 1);
            Put2(p, T.pair[U(s)][0]);
            Put2(p + 2, T.pair[U(s)][1]);
            PutOdds(p + 4, oddsLen, a[U(s)]);
            std::size_t next = 4 + oddsLen;
            if (hi) {
                PutOdds(p + next, oddsLen, (*hi)[U(s)]);
                next += oddsLen;
            }
            PutOdds(p + next, 3, pop[U(s)]);
        }
        PutDigits(base + totalPos, 11, total);
    };
    if (which == 0 || which == 2)
        pairs(kLenO2, "O2", 13, o.ur, nullptr, o.urPop, 6, 2030, o.totals[3]);
    if (which == 0 || which == 3)
        pairs(kLenO3, "O3", 17, o.wdLow, &o.wdHigh, o.wdPop, 5, 2642, o.totals[4]);
    if (which == 0 || which == 4) {
        start(kLenO4, "O4");
        base[40] = '7';
        for (int s = 1; s <= kUtSlots; ++s) {
            if (o.ut[U(s)] == kNoEntry)
                continue;
            char* p = base + 41 + 13 * (s - 1);
            Put2(p, T.ut[U(s)][0]);
            Put2(p + 2, T.ut[U(s)][1]);
            PutOdds(p + 4, 6, o.ut[U(s)]);
            PutOdds(p + 10, 3, o.utPop[U(s)]);
        }
        PutDigits(base + 4019, 11, o.totals[5]);
    }
    if (which == 0 || which == 5) {
        start(kLenO5, "O5");
        base[40] = '7';
        for (int s = 1; s <= kSrfSlots; ++s) {
            if (o.srf[U(s)] == kNoEntry)
                continue;
            char* p = base + 41 + 15 * (s - 1);
            Put2(p, T.srf[U(s)][0]);
            Put2(p + 2, T.srf[U(s)][1]);
            Put2(p + 4, T.srf[U(s)][2]);
            PutOdds(p + 6, 6, o.srf[U(s)]);
            PutOdds(p + 12, 3, o.srfPop[U(s)]);
        }
        PutDigits(base + 12281, 11, o.totals[6]);
    }
    if (which == 0 || which == 6) {
        start(kLenO6, "O6");
        base[40] = '7';
        for (int s = 1; s <= kSrtSlots; ++s) {
            if (o.srt[U(s)] == kNoEntry)
                continue;
            char* p = base + 41 + 17 * (s - 1);
            Put2(p, T.srt[U(s)][0]);
            Put2(p + 2, T.srt[U(s)][1]);
            Put2(p + 4, T.srt[U(s)][2]);
            PutOdds(p + 6, 7, o.srt[U(s)]);
            PutOdds(p + 13, 4, o.srtPop[U(s)]);
        }
        PutDigits(base + 83273, 11, o.totals[7]);
    }
}

} // namespace solvane::feedgen
