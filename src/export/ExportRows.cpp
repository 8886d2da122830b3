#include "export/ExportRows.h"

#include "jvdata/CodeTables.h"
#include "jvdata/Combo.h"
#include "jvdata/RecordFields.h"
#include "kaime/BakenType.h"
#include "raceday/OddsReader.h"
#include "raceday/RaceCard.h"
#include "raceday/RaceRecords.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <array>
#include <span>

namespace solvane {
namespace {

std::size_t at(int i)
{
    return static_cast<std::size_t>(i);
}

// Half-width blanks and full-width spaces removed at both ends of a UTF-8 text: record fields are
// padded with either.
std::string_view trimWide(std::string_view s)
{
    constexpr std::string_view kWide = "\u3000";
    for (;;) {
        const std::string_view t = trim(s);
        if (t.starts_with(kWide))
            s = t.substr(kWide.size());
        else if (t.ends_with(kWide))
            s = t.substr(0, t.size() - kWide.size());
        else
            return t;
    }
}

std::optional<std::string> textOf(std::string_view utf8)
{
    const std::string_view t = trimWide(utf8);
    if (t.empty())
        return std::nullopt;
    return std::string(t);
}

std::optional<std::string> sjisText(std::string_view sjis)
{
    return textOf(fromSjis(sjis));
}

std::optional<int> positive(int v)
{
    return v > 0 ? std::optional<int>(v) : std::nullopt;
}

// Tenths in a record field as a value; nothing for blanks, zeros or a garbled field.
std::optional<double> tenths(std::string_view text)
{
    const std::string_view t = trim(text);
    if (t.empty() || t.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    const long long v = toIntDef(t, 0);
    return v > 0 ? std::optional<double>(static_cast<double>(v) / 10.0) : std::nullopt;
}

// Track codes 10-22 are turf courses, 23-29 dirt (and sand), 51-59 jump courses.
std::optional<std::string> surfaceOf(int trackCode)
{
    if (trackCode >= 10 && trackCode <= 22)
        return "芝";
    if (trackCode >= 23 && trackCode <= 29)
        return "ダート";
    if (trackCode >= 51 && trackCode <= 59)
        return "障害";
    return std::nullopt;
}

std::string_view betName(BakenType type)
{
    return InfoOf(type).name;
}

// The export's combination texts of one bet type by ordinal (index 0 unused), made once.
struct ComboTexts {
    std::vector<std::string> byOrdinal;
    ComboTexts(int count, std::string (*labelOf)(int))
    {
        byOrdinal.resize(at(count) + 1);
        for (int k = 1; k <= count; ++k)
            byOrdinal[at(k)] = CompactCombination(labelOf(k));
    }
};

std::string horseLabel(int h)
{
    return ComboLabel(h);
}

const ComboTexts& textsOf(BakenType type)
{
    static const ComboTexts horses(kMaxHorses, horseLabel);
    static const ComboTexts wr(kWRCount, WRLabelOf);
    static const ComboTexts pair(kPairCount, PairLabelOf);
    static const ComboTexts ut(kUTCount, UTLabelOf);
    static const ComboTexts srf(kSRFCount, SRFLabelOf);
    static const ComboTexts srt(kSRTCount, SRTLabelOf);
    switch (type) {
    case BakenType::Tan:
    case BakenType::Fuk:
        return horses;
    case BakenType::WR:
        return wr;
    case BakenType::UR:
    case BakenType::WD:
        return pair;
    case BakenType::UT:
        return ut;
    case BakenType::SRF:
        return srf;
    case BakenType::SRT:
        break;
    }
    return srt;
}

// Every ordinal of a block whose odds are a price.
template <class Odds, class Ninki>
void eachPriced(BakenType type, const Odds& odds, const Ninki& ninki, int count,
                const std::function<void(const OddsRow&)>& f,
                const std::function<std::optional<double>(int)>& high = {})
{
    const ComboTexts& texts = textsOf(type);
    for (int k = 1; k <= count; ++k) {
        const double v = odds[at(k)];
        if (v <= 0)
            continue;
        OddsRow row;
        row.betType = betName(type);
        row.combination = texts.byOrdinal[at(k)];
        row.odds = v;
        if (high)
            row.oddsHigh = high(k);
        row.popularity = positive(ninki[at(k)]);
        f(row);
    }
}

} // namespace

std::string CompactCombination(std::string_view label)
{
    std::string out;
    for (const char c : label)
        if (c != ' ')
            out += c;
    return out;
}

RaceRow RaceRowOf(const RaceDay& day, int slot)
{
    const std::string& ra = day.RaRecs[at(slot)];
    const TOutData& r = day.RaceRecs[at(slot)];
    RaceRow row;
    row.raceKey = std::string(RaceKey(ra));
    row.date = std::string(RaceYear(ra)) + "-" + std::string(RaceMonth(ra)) + "-" + std::string(RaceDayOfMonth(ra));
    row.venueCode = std::string(VenueCode(ra));
    row.venue = sjisText(TrackName(row.venueCode)).value_or("");
    row.raceNo = RaceNumber(ra);

    const RaceHeader header = BuildRaceHeader(day, slot);
    row.name = textOf(header.Label2);
    row.grade = sjisText(GradeLabel(field(ra, 615, 1), 1));
    row.surface = surfaceOf(FieldInt(ra, 706, 2));
    row.distance = positive(FieldInt(ra, 698, 4));
    row.runners = RunnerCount(ra);
    const std::string_view post = PostTime(ra);
    if (post.size() == 4 && post.find_first_not_of("0123456789") == std::string_view::npos)
        row.postTime = std::string(post.substr(0, 2)) + ":" + std::string(post.substr(2));

    // The weather and going the card shows: as reports left them in the derived record, else as the
    // race record announced them.
    auto code = [](const std::string& reported, std::string_view announced) {
        return trim(reported).empty() ? announced : std::string_view(reported);
    };
    row.weather = sjisText(WeatherLabel(code(r.Tenko, field(ra, 888, 1))));
    // Jump courses are turf courses: their going is the turf going.
    const bool dirt = row.surface == "ダート";
    row.going =
        sjisText(GoingLabel(dirt ? code(r.DirtBaba, field(ra, 890, 1)) : code(r.ShibaBaba, field(ra, 889, 1)), 0));
    return row;
}

std::vector<RunnerRow> RunnerRowsOf(const RaceDay& day, int slot)
{
    std::vector<RunnerRow> rows;
    const int n = RunnerCount(day.RaRecs[at(slot)]);
    for (int j = 0; j < n; ++j) {
        const std::string& se = day.SeRecs[at(slot)][at(j)];
        RunnerRow row;
        row.horseNo = HorseNumber(se);
        if (row.horseNo < 1 || row.horseNo > kMaxHorses)
            continue;
        row.bracket = positive(FieldInt(se, 28, 1));
        row.horseName = sjisText(HorseName(se));
        const std::optional<std::string> sex = sjisText(SexLabel(field(se, 79, 1)));
        const int age = static_cast<int>(toIntDef(HorseAgeText(se), 0));
        if (sex || age > 0)
            row.sexAge = sex.value_or("") + (age > 0 ? std::to_string(age) : "");
        row.jockey = sjisText(field(se, 307, 8));
        row.weight = tenths(field(se, 289, 3));
        row.trainer = sjisText(field(se, 91, 8));
        row.placing = positive(static_cast<int>(toIntDef(PlacingText(se), 0)));
        row.winOdds = tenths(field(se, 360, 4));
        row.winPopularity = positive(FieldInt(se, 364, 2));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<PayoutRow> PayoutRowsOf(const RaceDay& day, int slot)
{
    std::vector<PayoutRow> rows;
    const HrRaceTable& t = day.HrTable[at(slot)];
    auto horses = [&](BakenType type, std::span<const HrEntry> entries) {
        for (const HrEntry& e : entries)
            if (e.Uma != 0)
                rows.push_back({betName(type), std::to_string(e.Uma), e.Pay, positive(e.Ninki)});
    };
    auto combos = [&](BakenType type, std::span<const HrEntry> entries) {
        for (const HrEntry& e : entries)
            if (!trim(e.Label).empty())
                rows.push_back({betName(type), CompactCombination(e.Label), e.Pay, positive(e.Ninki)});
    };
    horses(BakenType::Tan, t.Tan);
    horses(BakenType::Fuk, t.Fuk);
    combos(BakenType::WR, t.WR);
    combos(BakenType::UR, t.UR);
    combos(BakenType::WD, t.WD);
    combos(BakenType::UT, t.UT);
    combos(BakenType::SRF, t.SRF);
    combos(BakenType::SRT, t.SRT);
    return rows;
}

void ForEachOddsRow(const RaceDay& day, int slot, const std::function<void(const OddsRow&)>& f)
{
    const auto s = at(slot);
    const TOutData& r = day.RaceRecs[s];
    const int n = RunnerCount(day.RaRecs[s]);
    EnsureTripleOdds(day, slot);
    eachPriced(BakenType::Tan, r.TanOz, r.TanNinki, n, f);
    eachPriced(BakenType::Fuk, r.FukOzLow, r.FukNinki, n, f, [&](int h) {
        const double high = r.FukOzHigh[at(h)];
        return high > 0 ? std::optional<double>(high) : std::nullopt;
    });
    eachPriced(BakenType::WR, r.WROz, r.WRNinki, kWRCount, f);
    eachPriced(BakenType::UR, r.UROz, r.URNinki, kPairCount, f);
    // The model keeps the lower end of a wide range; the upper end is read from the same record.
    const std::string_view o3 = day.O3Recs[s];
    eachPriced(BakenType::WD, r.WDOz, r.WDNinki, kPairCount, f, [&](int k) {
        const double high = DecodeOdds(field(o3, 50 + 17 * at(k - 1), 5));
        return high > 0 ? std::optional<double>(high) : std::nullopt;
    });
    eachPriced(BakenType::UT, r.UTOz, r.UTNinki, kUTCount, f);
    eachPriced(BakenType::SRF, r.SRFOz, r.SRFNinki, kSRFCount, f);
    eachPriced(BakenType::SRT, r.SRTOz, r.SRTNinki, kSRTCount, f);
}

} // namespace solvane
