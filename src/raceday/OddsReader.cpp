#include "raceday/OddsReader.h"

#include "jvdata/RecordFields.h"
#include "raceday/RaceRecords.h"
#include "util/NumberText.h"
#include "util/Text.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace solvane {

namespace {

enum class OddsKind { Value, Cancelled, Absent };

struct OddsText {
    OddsKind kind = OddsKind::Absent;
    double value = kOddsAbsent;
};

// The day loader decodes about 230,000 odds texts, so this stays a plain loop over the bytes.
inline OddsText parseOdds(std::string_view raw)
{
    std::size_t b = 0, e = raw.size();
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (b < e && blank(raw[b]))
        ++b;
    while (e > b && blank(raw[e - 1]))
        --e;
    if (b == e)
        return {};
    const char first = raw[b];
    if (first == '-' || first == '*') {
        for (std::size_t i = b + 1; i < e; ++i) {
            if (raw[i] != first)
                return {};
        }
        return {OddsKind::Cancelled, kOddsCancelled};
    }
    long long v = 0;
    for (std::size_t i = b; i < e; ++i) {
        const char c = raw[i];
        if (c < '0' || c > '9')
            return {};
        v = v * 10 + (c - '0');
    }
    return {OddsKind::Value, static_cast<double>(v) / 10.0};
}

// field() without leaving this unit: len bytes from the 1-based pos, cut at the end of rec.
inline std::string_view at(std::string_view rec, std::size_t pos, std::size_t len)
{
    return pos - 1 < rec.size() ? rec.substr(pos - 1, len) : std::string_view();
}

// Popularity digits, blanks around them allowed; anything else reads as 0.
inline int popularity(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return 0;
        v = v * 10 + (c - '0');
    }
    return v;
}

template <std::size_t N, std::size_t M>
void decodeBlock(std::string_view rec, int count, std::size_t oddsPos, std::size_t stride, std::size_t oddsWidth,
                 std::size_t popPos, std::size_t popWidth, std::array<double, N>& odds, std::array<int, M>& ninki)
{
    ninki.fill(0);
    for (int k = 1; k <= count; ++k) {
        const std::size_t step = stride * static_cast<std::size_t>(k - 1);
        const OddsText o = parseOdds(at(rec, oddsPos + step, oddsWidth));
        odds[static_cast<std::size_t>(k)] = o.value;
        if (o.kind == OddsKind::Value)
            ninki[static_cast<std::size_t>(k)] = popularity(at(rec, popPos + step, popWidth));
    }
}

// The ranking text of a runner: "%6.1f%6.1f%2d".
std::string rankText(double first, double second, int horse)
{
    std::string text;
    text.reserve(14);
    AppendFixed(text, first, 6, 1);
    AppendFixed(text, second, 6, 1);
    AppendInt(text, horse, 2);
    return text;
}

// A runner of a ranking list: its ranking text "%6.1f%6.1f%2d" and the popularity its odds record
// gives it (0 when the record gives none).
struct RankItem {
    std::string text;
    int recordNinki = 0;
};

// Fills popularity and next-to-own ratios from a ranking list. JRA's popularity follows the votes, which
// the odds show only to a tenth: of two runners at the same odds the record knows which one the public
// backed more, and its order is the official one. So a list whose runners all carry a popularity in
// the record is ranked by it; otherwise (a snapshot without popularity) the list is ranked by its
// texts, odds first, then the second value, then the horse number.
void rankList(std::vector<RankItem>& list, PerHorse<int>& ninki, PerHorse<double>& ratio)
{
    const bool byRecord =
        !list.empty() && std::all_of(list.begin(), list.end(), [](const RankItem& i) { return i.recordNinki > 0; });
    std::sort(list.begin(), list.end(), [byRecord](const RankItem& a, const RankItem& b) {
        if (byRecord && a.recordNinki != b.recordNinki)
            return a.recordNinki < b.recordNinki;
        return a.text < b.text;
    });
    auto horseOf = [&](std::size_t p) { return static_cast<int>(toIntDef(field(list[p].text, 13, 2), 0)); };
    for (std::size_t p = 0; p < list.size(); ++p) {
        const int h = horseOf(p);
        if (h >= 1 && h <= kMaxHorses)
            ninki[static_cast<std::size_t>(h)] = byRecord ? list[p].recordNinki : static_cast<int>(p) + 1;
    }
    for (std::size_t p = 0; p + 1 < list.size(); ++p) {
        const double own = std::strtod(std::string(field(list[p].text, 1, 6)).c_str(), nullptr);
        const double next = std::strtod(std::string(field(list[p + 1].text, 1, 6)).c_str(), nullptr);
        const int h = horseOf(p);
        if (own > 0 && next > 0 && h >= 1 && h <= kMaxHorses)
            ratio[static_cast<std::size_t>(h)] = next / own;
    }
}

void resetOdds(TOutData& r)
{
    r.TanOz.fill(0);
    r.FukOzLow.fill(0);
    r.FukOzHigh.fill(0);
    r.WROz.fill(0);
    r.UROz.fill(0);
    r.WDOz.fill(0);
    r.UTOz.fill(0);
    r.TanNinki.fill(0);
    r.FukNinki.fill(0);
    r.WRNinki.fill(0);
    r.URNinki.fill(0);
    r.WDNinki.fill(0);
    r.UTNinki.fill(0);
    r.TanOzRatio.fill(0);
    r.FukOzRatio.fill(0);
}

std::string venueRaceKey(std::string_view rec)
{
    std::string key(VenueCode(rec));
    key += RaceNumberText(rec);
    return key;
}

} // namespace

double DecodeOdds(std::string_view text)
{
    return parseOdds(text).value;
}

void ReadOddsRecords(RaceDay& day, std::span<const int> slots, ReadNotes* notes, FolderIndex* folder, int kinds)
{
    struct Wanted {
        std::string key;
        int slot;
    };
    std::vector<Wanted> wanted;
    for (int s : slots) {
        if (s < 0 || s >= kRaceSlots)
            continue;
        const std::string_view ra = day.RaRecs[static_cast<std::size_t>(s)];
        std::string key = venueRaceKey(ra);
        if (RaceNumber(ra) >= 1 && !trim(key).empty())
            wanted.push_back({std::move(key), s});
    }
    if (wanted.empty())
        return;

    FolderIndex own(day.DataDir);
    FolderIndex& dir = folder ? *folder : own;
    for (int t = 1; t <= std::min(kinds, 6); ++t) {
        std::vector<std::string>& copies = day.OzRecs(t);
        std::vector<bool> found(wanted.size(), false);
        std::size_t left = wanted.size();
        const std::string name = day.DayKey + ".jvO" + std::to_string(t);
        const FileRead read =
            StreamRecords(dir.find(name), kOzLength[static_cast<std::size_t>(t - 1)], static_cast<std::size_t>(-1),
                          name, notes, [&](std::string_view line) {
                              const std::string_view venue = at(line, 20, 2), race = at(line, 26, 2);
                              for (std::size_t w = 0; w < wanted.size(); ++w) {
                                  const std::string_view key = wanted[w].key;
                                  if (found[w] || key.substr(0, 2) != venue || key.substr(2) != race)
                                      continue;
                                  AssignRecord(copies[static_cast<std::size_t>(wanted[w].slot)], line);
                                  found[w] = true;
                                  --left;
                              }
                              return left > 0;
                          });
        if (read == FileRead::Failed)
            return;
    }
}

namespace {

void decodeTriples(const RaceDay& day, std::size_t s)
{
    const TOutData& r = day.RaceRecs[s];
    decodeBlock(day.O5Recs[s], 816, 47, 15, 6, 53, 3, r.SRFOz, r.SRFNinki);
    decodeBlock(day.O6Recs[s], 4896, 47, 17, 7, 54, 4, r.SRTOz, r.SRTNinki);
    r.TriplesPending = false;
}

} // namespace

void EnsureTripleOdds(const RaceDay& day, int slot)
{
    if (slot < 0 || slot >= static_cast<int>(day.RaceRecs.size()))
        return;
    const auto s = static_cast<std::size_t>(slot);
    if (day.RaceRecs[s].TriplesPending)
        decodeTriples(day, s);
}

OddsEntry TripleOddsEntry(const RaceDay& day, int slot, int record, int ordinal)
{
    if (slot < 0 || slot >= static_cast<int>(day.RaceRecs.size()) || (record != 5 && record != 6))
        return {};
    const auto s = static_cast<std::size_t>(slot);
    const TOutData& r = day.RaceRecs[s];
    const int count = record == 5 ? 816 : 4896;
    if (ordinal < 1 || ordinal > count)
        return {};
    const auto k = static_cast<std::size_t>(ordinal);
    if (!r.TriplesPending)
        return record == 5 ? OddsEntry{r.SRFOz[k], r.SRFNinki[k]} : OddsEntry{r.SRTOz[k], r.SRTNinki[k]};
    // The same fields decodeBlock reads for this ordinal.
    const std::string_view rec = record == 5 ? day.O5Recs[s] : day.O6Recs[s];
    const std::size_t stride = record == 5 ? 15 : 17;
    const std::size_t oddsWidth = record == 5 ? 6 : 7;
    const std::size_t popPos = record == 5 ? 53 : 54;
    const std::size_t popWidth = record == 5 ? 3 : 4;
    const std::size_t step = stride * (k - 1);
    const OddsText o = parseOdds(at(rec, 47 + step, oddsWidth));
    return {o.value, o.kind == OddsKind::Value ? popularity(at(rec, popPos + step, popWidth)) : 0};
}

void DecodeRaceOdds(RaceDay& day, int slot, bool deferTriples)
{
    if (slot < 0 || slot >= kRaceSlots)
        return;
    const auto s = static_cast<std::size_t>(slot);
    TOutData& r = day.RaceRecs[s];
    resetOdds(r);
    const std::string_view ra = day.RaRecs[s];

    const int n = RunnerCount(ra);
    const std::string_view o1 = day.O1Recs[s];
    std::vector<RankItem> winList, placeList;
    for (int k = 1; k <= n; ++k) {
        const auto h = static_cast<std::size_t>(k);
        const std::size_t step = static_cast<std::size_t>(k - 1);
        r.TanOz[h] = DecodeOdds(field(o1, 46 + 8 * step, 4));
        const OddsText low = parseOdds(field(o1, 270 + 12 * step, 4));
        if (low.kind != OddsKind::Value) {
            r.FukOzLow[h] = low.value;
            r.FukOzHigh[h] = low.value;
            continue;
        }
        r.FukOzLow[h] = low.value;
        r.FukOzHigh[h] = parseOdds(field(o1, 274 + 12 * step, 4)).value;
        if (r.FukOzHigh[h] < 0) // an upper text that is no number reads as nothing
            r.FukOzHigh[h] = 0;
        if (r.TanOz[h] > 0)
            winList.push_back({rankText(r.TanOz[h], r.FukOzLow[h], k), popularity(field(o1, 50 + 8 * step, 2))});
        if (r.FukOzLow[h] > 0)
            placeList.push_back(
                {rankText(r.FukOzLow[h], r.FukOzHigh[h], k), popularity(field(o1, 278 + 12 * step, 2))});
    }

    decodeBlock(o1, 36, 606, 9, 5, 611, 2, r.WROz, r.WRNinki);
    decodeBlock(day.O2Recs[s], 153, 45, 13, 6, 51, 3, r.UROz, r.URNinki);
    decodeBlock(day.O3Recs[s], 153, 45, 17, 5, 55, 3, r.WDOz, r.WDNinki);
    decodeBlock(day.O4Recs[s], 306, 45, 13, 6, 51, 3, r.UTOz, r.UTNinki);
    if (deferTriples)
        r.TriplesPending = true;
    else
        decodeTriples(day, s);

    rankList(winList, r.TanNinki, r.TanOzRatio);
    rankList(placeList, r.FukNinki, r.FukOzRatio);
}

void OzReadBtnClick(RaceDay& day, ReadNotes* notes)
{
    const int slot = day.OzRace;
    ReadOddsRecords(day, std::span<const int>(&slot, 1), notes);
    DecodeRaceOdds(day, slot);
}

} // namespace solvane
