// Files of the sibling programs: the compi-index box's day files, the forecast texts a user would
// paste, and the time-series odds folder (written with the real-time odds).
#include "feedgen/Calendar.h"
#include "feedgen/DayBuild.h"
#include "feedgen/Names.h"
#include "feedgen/Rng.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <algorithm>
#include <cmath>

namespace solvane::feedgen {

namespace {

namespace fs = std::filesystem;

struct SjisTexts {
    std::string year = toSjis("年"), month = toSjis("月"), day = toSjis("日");
    std::string fiOpen = toSjis("【"), fiClose = toSjis("】"), rule = toSjis("━━━━━━━━");
    std::string tfMark = toSjis("■"), none = toSjis("□"), wideR = toSjis("Ｒ");
    std::array<std::string, 5> marks = {toSjis("◎"), toSjis("○"), toSjis("▲"), toSjis("△"), toSjis("△")};
    std::array<std::string, 10> digits = {toSjis("０"), toSjis("１"), toSjis("２"), toSjis("３"), toSjis("４"),
                                          toSjis("５"), toSjis("６"), toSjis("７"), toSjis("８"), toSjis("９")};
    std::string fiTitle = toSjis("ＦＩ予想"), tfTitle = toSjis("トリプルファクター予想");
    std::string header1 = toSjis("馬番 Ｐ　 Ｖ　 Ｆ"), header2 = toSjis("─────────");
};

const SjisTexts& S()
{
    static const SjisTexts texts;
    return texts;
}

std::string DayKey(const DateTime& d)
{
    return strprintf("%04d", d.year) + S().year + strprintf("%02d", d.month) + S().month + strprintf("%02d", d.day) +
           S().day;
}

// Compi indices: the public's view squeezed into the box's familiar 40-90 range.
std::vector<std::pair<int, int>> CompiOrder(const Race& r)
{
    double top = 0;
    for (int h = 1; h <= r.registered; ++h)
        top = std::max(top, r.runners[U(h)].marketProb);
    std::vector<std::pair<int, int>> v; // (index, horse)
    for (int h = 1; h <= r.registered; ++h) {
        const double q = r.runners[U(h)].marketProb;
        const int idx = top > 0 ? 40 + static_cast<int>(std::lround(48.0 * std::sqrt(q / top))) : 40;
        v.push_back({idx, h});
    }
    std::sort(v.begin(), v.end(),
              [](auto a, auto b) { return a.first != b.first ? a.first > b.first : a.second < b.second; });
    return v;
}

// Forecast marks: the strongest few of a noisy reading of the abilities.
std::vector<int> MarkOrder(const Race& r, std::uint64_t salt)
{
    Rng rng(MixSeed(r.seed, salt));
    std::vector<std::pair<double, int>> v;
    for (int h = 1; h <= r.registered; ++h)
        if (!r.runners[U(h)].scratched)
            v.push_back({r.runners[U(h)].ability + 0.6 * rng.normal(), h});
    std::sort(v.begin(), v.end(), [](auto a, auto b) { return a.first > b.first; });
    std::vector<int> out;
    for (const auto& x : v)
        out.push_back(x.second);
    return out;
}

std::array<std::string, 19> Marks(const Race& r, std::uint64_t salt)
{
    std::array<std::string, 19> m;
    for (int h = 1; h <= 18; ++h)
        m[U(h)] = h <= r.registered ? S().none : "  ";
    const auto order = MarkOrder(r, salt);
    for (std::size_t k = 0; k < order.size() && k < 5; ++k)
        m[U(order[k])] = S().marks[k];
    return m;
}

std::string RaceLabel(int raceNo)
{
    // Races 1-9 with a full-width digit, 10-12 with two ASCII digits; then R.
    return raceNo < 10 ? S().digits[U(raceNo)] + "R" : std::to_string(raceNo) + "R";
}

} // namespace

bool WriteSiblings(const BuiltDay& d, Sink& sink)
{
    const DateTime& date = d.day.plan.date;
    const std::string key = DayKey(date);
    // Compi files, one per venue: line r for race r.
    for (const VenueDay& vd : d.day.plan.venues) {
        std::string text;
        const std::string venueName = VenueNameSjis(vd.venue);
        for (int raceNo = 1; raceNo <= 12; ++raceNo) {
            const auto it = std::find_if(d.day.races.begin(), d.day.races.end(),
                                         [&](const Race& r) { return r.vd.venue == vd.venue && r.raceNo == raceNo; });
            std::string line = date.yyyymmdd() + venueName + strprintf("%2d", raceNo);
            const auto order = CompiOrder(*it);
            for (int k = 0; k < 18; ++k)
                line += U(k) < order.size() ? strprintf("%2d%2d", order[U(k)].second, order[U(k)].first) : "    ";
            line += "  ";
            std::array<int, 9> bracketIdx{};
            for (const auto& [idx, h] : order)
                bracketIdx[U(it->runners[U(h)].bracket)] = std::max(bracketIdx[U(it->runners[U(h)].bracket)], idx);
            std::vector<std::pair<int, int>> brackets;
            for (int b = 1; b <= 8; ++b)
                if (bracketIdx[U(b)] > 0)
                    brackets.push_back({bracketIdx[U(b)], b});
            std::sort(brackets.begin(), brackets.end(),
                      [](auto a, auto b) { return a.first != b.first ? a.first > b.first : a.second < b.second; });
            for (int k = 0; k < 8; ++k)
                line +=
                    U(k) < brackets.size() ? strprintf("%2d%2d", brackets[U(k)].second, brackets[U(k)].first) : "    ";
            line += "  ";
            text += line + "\r\n";
        }
        const fs::path name = pathFromUtf8(fromSjis(key + venueName) + ".comp");
        if (!sink.write(fs::path("harunire") / "DATA" / name, text))
            return false;
    }
    // Paste texts: FI marks and triple-factor marks as a forecast page shows them.
    std::string fi = S().fiTitle + "\r\n" + S().fiOpen + key + S().fiClose + "\r\n";
    std::string tf = S().tfTitle + "\r\n";
    for (const VenueDay& vd : d.day.plan.venues) {
        const std::string venueName = VenueNameSjis(vd.venue);
        fi += S().rule + S().fiOpen + venueName + S().fiClose + S().rule + "\r\n";
        tf += S().tfMark + key + " " + venueName + "\r\n";
        for (const Race& r : d.day.races) {
            if (r.vd.venue != vd.venue)
                continue;
            const auto marks = Marks(r, 71);
            std::string line = RaceLabel(r.raceNo);
            line += std::string(7 - line.size(), ' ');
            for (int h = 1; h <= 18; ++h)
                line += marks[U(h)] + " ";
            fi += line + "\r\n";
            const auto p = Marks(r, 72), v = Marks(r, 73), f = Marks(r, 74);
            tf += RaceLabel(r.raceNo) + "\r\n" + S().header1 + "\r\n" + S().header2 + "\r\n";
            for (int h = 1; h <= r.registered; ++h)
                tf += strprintf("%2d  ", h) + p[U(h)] + "   " + v[U(h)] + "   " + f[U(h)] + "\r\n";
            tf += "-----\r\n";
        }
    }
    return sink.write(fs::path("paste") / (date.yyyymmdd() + ".fi.txt"), fi) &&
           sink.write(fs::path("paste") / (date.yyyymmdd() + ".tf.txt"), tf);
}

} // namespace solvane::feedgen
