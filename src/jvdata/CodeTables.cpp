#include "jvdata/CodeTables.h"

#include "util/ShiftJis.h"
#include "util/Text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

namespace solvane {
namespace {

// ---------------------------------------------------------------------------------------------------------
// The tables in readable UTF-8. They are converted to Shift-JIS once, on first use.

struct TextRow {
    std::string_view code;
    std::string_view label;
};

struct NumberRow {
    int code;
    std::string_view label;
};

// clang-format off
constexpr TextRow kTracks[] = {
    // JRA (TrackCode reverses these ten)
    {"01", "札幌"}, {"02", "函館"}, {"03", "福島"}, {"04", "新潟"}, {"05", "東京"},
    {"06", "中山"}, {"07", "中京"}, {"08", "京都"}, {"09", "阪神"}, {"10", "小倉"},
    // local
    {"30", "門別"}, {"31", "北見"}, {"32", "岩見"}, {"33", "帯広"}, {"34", "旭川"}, {"35", "盛岡"}, {"36", "水沢"},
    {"37", "上山"}, {"38", "三条"}, {"39", "足利"}, {"40", "宇都"}, {"41", "高崎"}, {"42", "浦和"}, {"43", "船橋"},
    {"44", "大井"}, {"45", "川崎"}, {"46", "金沢"}, {"47", "笠松"}, {"48", "名古"}, {"49", "紀三"}, {"50", "園田"},
    {"51", "姫路"}, {"52", "益田"}, {"53", "福山"}, {"54", "高知"}, {"55", "佐賀"}, {"56", "荒尾"}, {"57", "中津"},
    {"58", "札幌"}, {"59", "函館"}, {"60", "新潟"}, {"61", "中京"},
    // overseas
    {"A0", "他外"}, {"A2", "日本"}, {"A4", "アメ"}, {"A6", "イギ"}, {"A8", "フラ"}, {"B0", "イン"}, {"B2", "アイ"},
    {"B4", "ニュ"}, {"B6", "オー"}, {"B8", "カナ"}, {"C0", "イタ"}, {"C2", "ドイ"}, {"C5", "オマ"}, {"C6", "イラ"},
    {"C7", "ア首"}, {"C8", "シリ"}, {"D0", "スウ"}, {"D2", "ハン"}, {"D4", "ポル"}, {"D6", "ロシ"}, {"D8", "ウル"},
    {"E0", "ペル"}, {"E2", "アル"}, {"E4", "ブラ"}, {"E6", "ベル"}, {"E8", "トル"}, {"F0", "韓国"}, {"F1", "中国"},
    {"F2", "チリ"}, {"F8", "パナ"}, {"G0", "香港"}, {"G2", "スペ"}, {"H0", "西独"}, {"H2", "南ア"}, {"H4", "スイ"},
    {"H6", "モナ"}, {"H8", "フィ"}, {"I0", "プエ"}, {"I2", "コロ"}, {"I4", "チェ"}, {"I6", "チェ"}, {"I8", "スロ"},
    {"J0", "エク"}, {"J2", "ギリ"}, {"J4", "マレ"}, {"J6", "メキ"}, {"J8", "モロ"}, {"K0", "パキ"}, {"K2", "ポー"},
    {"K4", "パラ"}, {"K6", "サウ"}, {"K8", "キプ"}, {"L0", "タイ"}, {"L2", "ウク"}, {"L4", "ベネ"}, {"L6", "ユー"},
    {"L8", "デン"}, {"M0", "シン"}, {"M2", "澳門"}, {"M4", "墺国"}, {"M6", "約"},   {"M8", "華"},   {"N0", "東ド"},
    {"N2", "バレ"},
    // C4, F4, F6, G4, G6 and G8 are known codes without a name: like any unlisted code, four blanks.
};
constexpr std::size_t kJraTrackCount = 10;

constexpr TextRow kRaceTypes[] = {
    {"11", "サラ２歳"}, {"12", "サラ３歳"}, {"13", "サラ３上"}, {"14", "サラ４上"}, {"18", "障害３上"},
    {"19", "障害４上"}, {"21", "アラ２歳"}, {"22", "アラ３歳"}, {"23", "アラ３上"}, {"24", "アラ４上"},
};

// RaceClassLabel: age part (race type code) and class part (race condition code), race card form.
constexpr NumberRow kAgeParts[] = {
    {11, "2歳"}, {12, "3歳"}, {13, "3歳上"}, {14, "4歳上"}, {18, "障3歳上"}, {19, "障4歳上"},
};
constexpr NumberRow kClassParts[] = {
    {5, "1勝ｸﾗｽ"}, {10, "2勝ｸﾗｽ"}, {16, "3勝ｸﾗｽ"}, {100, "10000"},
    {701, "新馬"}, {702, "未出走"}, {703, "未勝利"}, {999, "ｵｰﾌﾟﾝ"},
};

// ConditionLabel: backtest collection form.
constexpr NumberRow kConditions[] = {
    {5, "1勝ｸﾗｽ"}, {10, "2勝ｸﾗｽ"}, {16, "3勝ｸﾗｽ"}, {100, "1億下"},
    {701, "新馬"}, {702, "未出走"}, {703, "未勝利"}, {999, "オープン"},
};

// RaceSymbolLabel: the label is built from the three characters of the code.
constexpr TextRow kSymbolFirst[] = {
    {"0", ""},
    {"A", "(混合)"},
    {"B", "(父)"},
    {"C", "(市)"},
    {"D", "(抽)"},
    {"E", "[抽]"},
    {"F", "(市)(抽)"},
    {"G", "(抽)関西配布馬"},
    {"H", "(抽)関東配布馬"},
    {"I", "[抽]関西配布馬"},
    {"J", "[抽]関東配布馬"},
    {"K", "(市)(抽)関西配布馬"},
    {"L", "(市)(抽)関東配布馬"},
    {"M", "九州産馬"},
    {"N", "(国際)"},
};
constexpr TextRow kSymbolSecond[] = {
    {"0", ""}, {"1", "牡"}, {"2", "牝"}, {"3", "牡・ｾﾝ"}, {"4", "牡・牝"},
};
constexpr TextRow kSymbolThird[] = {
    {"0", ""}, {"1", "(指定)"}, {"3", "[指定]"}, {"4", "(特指)"}, {"2", "若手騎手"},
};
constexpr std::string_view kSymbolYoungJockeyAfterFirst = "・若手騎手";
// The recognised codes: 86 of them.
constexpr std::string_view kSymbolCodes[] = {
    "001", "002", "003", "004", "020", "021", "023", "024", "030", "031", "033", "034", "040", "041", "043",
    "044", "A00", "A01", "A02", "A03", "A04", "A10", "A11", "A13", "A14", "A20", "A21", "A23", "A24", "A30",
    "A31", "A33", "A34", "A40", "A41", "B00", "B01", "B03", "B04", "C00", "C01", "C03", "C04", "D00", "D01",
    "D03", "E00", "E01", "E03", "F00", "F01", "F03", "F04", "G00", "G01", "G03", "H00", "H01", "I00", "I01",
    "I03", "J00", "J01", "K00", "K01", "K03", "L00", "L01", "L03", "M00", "M01", "M03", "M04", "N00", "N01",
    "N03", "N04", "N20", "N21", "N23", "N24", "N30", "N31", "N40", "N41", "N44",
};

// GradeLabel, written at their full width.
constexpr TextRow kGradeForm1[] = {
    {"A", "G1   "}, {"B", "G2   "}, {"C", "G3   "}, {"D", "重賞 "}, {"E", "特別 "},
    {"F", "JG1  "}, {"G", "JG2  "}, {"H", "JG3  "}, {"L", "List "},
};
constexpr std::string_view kGradeForm1Blank = "　　 ";
constexpr TextRow kGradeForm8[] = {
    {"A", "G1 "}, {"B", "G2 "}, {"C", "G3 "}, {"D", "重 "}, {"E", "特 "},
    {"F", "JG1"}, {"G", "JG2"}, {"H", "JG3"}, {"L", "LST"},
};
constexpr std::string_view kGradeForm8Blank = "　 ";

constexpr NumberRow kWeekdays[] = {
    {0, "　"}, {1, "土"}, {2, "日"}, {3, "祝"}, {4, "月"}, {5, "火"}, {6, "水"}, {7, "木"}, {8, "金"},
};

constexpr TextRow kWeightTypes[] = {{"1", "ﾊﾝﾃﾞ"}, {"2", "別定"}, {"3", "馬齢"}, {"4", "定量"}};

constexpr NumberRow kHorseMarks[] = {
    {1, "(抽)"},      {2, "[抽]"},          {3, "(父)"},          {4, "(市)"},      {5, "(地)"},
    {6, "(外)"},      {7, "(父)(抽)"},      {8, "(父)(市)"},      {9, "(父)(地)"},  {10, "(市)(地)"},
    {11, "(外)(地)"}, {12, "(父)(市)(地)"}, {15, "(招)"},         {16, "(招)(外)"}, {17, "(招)(父)"},
    {18, "(招)(市)"}, {19, "(招)(父)(市)"}, {20, "(父)(外)"},     {21, "[地]"},     {22, "(外)[地]"},
    {23, "(父)[地]"}, {24, "(市)[地]"},     {25, "(父)(市)[地]"}, {26, "[外]"},     {27, "(父)[外]"},
    {31, "(特)"},     {40, "(父)(外)(地)"}, {41, "(父)(外)[地]"},
};
constexpr std::string_view kHorseMarkBlank = "　";

struct CourseRow {
    int code;
    std::string_view label;
    std::string_view shortLabel;
};
constexpr CourseRow kCourses[] = {
    {10, "芝 直線",              "芝直"},
    {11, "芝 左回り",            "芝左"},
    {12, "芝 左回り 外回り",     "芝左"},
    {13, "芝 左回り 内→外回り", "芝左"},
    {14, "芝 左回り 外→内回り", "芝左"},
    {15, "芝 左回り 内２周",     "芝左"},
    {16, "芝 左回り 外２周",     "芝左"},
    {17, "芝 右回り",            "芝右"},
    {18, "芝 右回り 外回り",     "芝右"},
    {19, "芝 右回り 内→外回り", "芝右"},
    {20, "芝 右回り 外→内回り", "芝右"},
    {21, "芝 右回り 内２周",     "芝右"},
    {22, "芝 右回り 外２周",     "芝右"},
    {23, "ﾀﾞｰﾄ 左回り",          "ダ左"},
    {24, "ﾀﾞｰﾄ 右回り",          "ダ右"},
    {25, "ﾀﾞｰﾄ 左回り 内回り",   ""},
    {26, "ﾀﾞｰﾄ 右回り 外回り",   ""},
    {27, "ｻﾝﾄﾞ 左回り",          ""},
    {28, "ｻﾝﾄﾞ 右回り",          ""},
    {29, "ﾀﾞｰﾄ 直線",            "ダ直"},
    {51, "障害 芝　襷",          "障害"},
    {52, "障害 芝→ﾀﾞｰﾄ",        "障害"},
    {53, "障害 芝　左",          "障害"},
    {54, "障害 芝",              "障害"},
    {55, "障害 芝 外回り",       "障害"},
    {56, "障害 芝 外→内回り",   "障害"},
    {57, "障害 芝 内→外回り",   "障害"},
    {58, "障害 内２周",          "障害"},
    {59, "障害 外２周",          "障害"},
};

constexpr TextRow kWeathers[] = {{"1", "晴"}, {"2", "曇"}, {"3", "雨"}, {"4", "小雨"}, {"5", "雪"}, {"6", "小雪"}};

constexpr TextRow kGoings[] = {{"1", "良"}, {"2", "稍重"}, {"3", "重"}, {"4", "不良"}};
constexpr std::string_view kGoingPrefixes[] = {"", "芝:", "ダ:"}; // forms 0, 1, 2

constexpr TextRow kSexes[] = {{"1", "牡"}, {"2", "牝"}, {"3", "ｾﾝ"}};

constexpr TextRow kRecordFlags[] = {{"1", "(ｺｰｽﾚｺｰﾄﾞ)"}, {"2", "(GIﾚｺｰﾄﾞ)"}};

constexpr TextRow kTimeKinds[] = {{"1", "(基準ﾀｲﾑ)"}, {"2", "(ﾚｺｰﾄﾞﾀｲﾑ)"}, {"3", "(参考ﾀｲﾑ)"}, {"4", "(備考ﾀｲﾑ)"}};

constexpr NumberRow kCircled[] = {
    {1, "①"},  {2, "②"},  {3, "③"},  {4, "④"},  {5, "⑤"},  {6, "⑥"},  {7, "⑦"},  {8, "⑧"},  {9, "⑨"},
    {10, "⑩"}, {11, "⑪"}, {12, "⑫"}, {13, "⑬"}, {14, "⑭"}, {15, "⑮"}, {16, "⑯"}, {17, "⑰"}, {18, "⑱"},
};
constexpr std::string_view kCircledNone = "－";
// clang-format on

// ---------------------------------------------------------------------------------------------------------
// Converted tables.

// Fills a Shift-JIS label at its end with the blank, and a half-width blank for an odd last byte, to
// width bytes (width 0: as it is).
std::string fit(std::string label, std::size_t width, std::string_view blank)
{
    if (width == 0 || blank.empty())
        return label;
    while (label.size() + blank.size() <= width)
        label += blank;
    while (label.size() < width)
        label += ' ';
    return label;
}

// An exact-text code of up to 7 bytes packed with its length into one integer, so that a lookup is a
// binary search over integers. Longer text gets a key no code has.
constexpr std::uint64_t kNoKey = ~std::uint64_t{0};
std::uint64_t textKey(std::string_view code)
{
    if (code.size() > 7)
        return kNoKey;
    std::uint64_t key = code.size();
    for (char c : code)
        key = (key << 8) | static_cast<unsigned char>(c);
    return key;
}

// Code (exact text or integer) to Shift-JIS label, with the label for codes the table does not hold.
template <class Key> class Table {
public:
    Table() = default;
    Table(std::vector<std::pair<Key, std::string>> rows, std::string fallback)
        : rows_(std::move(rows)), fallback_(std::move(fallback))
    {
        std::sort(rows_.begin(), rows_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    }

    // The row index of the key, or -1.
    int indexOf(Key key) const
    {
        const auto it =
            std::lower_bound(rows_.begin(), rows_.end(), key, [](const auto& row, Key k) { return row.first < k; });
        return it != rows_.end() && it->first == key ? static_cast<int>(it - rows_.begin()) : -1;
    }
    std::string_view find(Key key) const
    {
        const int i = indexOf(key);
        return i < 0 ? std::string_view(fallback_) : std::string_view(rows_[static_cast<std::size_t>(i)].second);
    }
    std::size_t size() const { return rows_.size(); }

private:
    std::vector<std::pair<Key, std::string>> rows_;
    std::string fallback_;
};
using TextTable = Table<std::uint64_t>;
using NumberTable = Table<long long>;

template <std::size_t N>
TextTable textTable(const TextRow (&rows)[N], std::string_view fallback, std::size_t width = 0,
                    std::string_view blank = kSjisWideSpace, std::string_view prefix = {})
{
    std::vector<std::pair<std::uint64_t, std::string>> out;
    for (const auto& row : rows)
        out.emplace_back(textKey(row.code), fit(toSjis(std::string(prefix) + std::string(row.label)), width, blank));
    return TextTable(std::move(out), toSjis(fallback));
}

template <class Row, std::size_t N, class Label>
NumberTable numberTable(const Row (&rows)[N], std::string_view fallback, Label label)
{
    std::vector<std::pair<long long, std::string>> out;
    for (const auto& row : rows)
        out.emplace_back(row.code, toSjis(label(row)));
    return NumberTable(std::move(out), toSjis(fallback));
}

template <std::size_t N> NumberTable numberTable(const NumberRow (&rows)[N], std::string_view fallback)
{
    return numberTable(rows, fallback, [](const NumberRow& row) { return row.label; });
}

std::string_view utf8Label(std::string_view code, const TextRow* rows, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        if (rows[i].code == code)
            return rows[i].label;
    return {};
}

struct Tables {
    TextTable tracks = textTable(kTracks, "    ", 4, " ");
    TextTable trackCodes;
    TextTable raceTypes = textTable(kRaceTypes, "　　　　", 8);
    NumberTable ageParts = numberTable(kAgeParts, "");
    NumberTable classParts = numberTable(kClassParts, "");
    std::vector<std::string> raceClasses; // [age row + 1][class row + 1]; row 0 = no part
    NumberTable conditions = numberTable(kConditions, "");
    TextTable raceSymbols;
    TextTable grades1 = textTable(kGradeForm1, kGradeForm1Blank);
    TextTable grades8 = textTable(kGradeForm8, kGradeForm8Blank);
    NumberTable weekdays = numberTable(kWeekdays, "");
    TextTable weightTypes = textTable(kWeightTypes, "");
    NumberTable horseMarks = numberTable(kHorseMarks, kHorseMarkBlank);
    NumberTable courses = numberTable(kCourses, "", [](const CourseRow& row) { return row.label; });
    NumberTable courseShorts = numberTable(kCourses, "", [](const CourseRow& row) { return row.shortLabel; });
    TextTable weathers = textTable(kWeathers, "");
    std::array<TextTable, 3> goings;
    TextTable sexes = textTable(kSexes, "");
    TextTable recordFlags = textTable(kRecordFlags, "");
    TextTable timeKinds = textTable(kTimeKinds, "");
    NumberTable circled = numberTable(kCircled, kCircledNone);

    Tables()
    {
        std::vector<std::pair<std::uint64_t, std::string>> codes;
        for (std::size_t i = 0; i < kJraTrackCount; ++i)
            codes.emplace_back(textKey(toSjis(kTracks[i].label)), std::string(kTracks[i].code));
        trackCodes = TextTable(std::move(codes), "  ");

        // Rows of ageParts and classParts are sorted by code, so walk the tables by index.
        raceClasses.resize((ageParts.size() + 1) * (classParts.size() + 1));
        for (const auto& age : kAgeParts)
            for (const auto& cls : kClassParts) {
                raceClasses[raceClassIndex(ageParts.indexOf(age.code), classParts.indexOf(cls.code))] =
                    toSjis(std::string(age.label) + std::string(cls.label));
            }
        for (const auto& age : kAgeParts)
            raceClasses[raceClassIndex(ageParts.indexOf(age.code), -1)] = toSjis(age.label);
        for (const auto& cls : kClassParts)
            raceClasses[raceClassIndex(-1, classParts.indexOf(cls.code))] = toSjis(cls.label);

        std::vector<std::pair<std::uint64_t, std::string>> symbols;
        for (std::string_view code : kSymbolCodes) {
            const std::string_view first = utf8Label(code.substr(0, 1), kSymbolFirst, std::size(kSymbolFirst));
            std::string label(first);
            label += utf8Label(code.substr(1, 1), kSymbolSecond, std::size(kSymbolSecond));
            if (code[2] == '2' && !first.empty())
                label += kSymbolYoungJockeyAfterFirst;
            else
                label += utf8Label(code.substr(2, 1), kSymbolThird, std::size(kSymbolThird));
            symbols.emplace_back(textKey(code), fit(toSjis(label), 24, kSjisWideSpace));
        }
        raceSymbols = TextTable(std::move(symbols), fit({}, 24, kSjisWideSpace));

        for (std::size_t form = 0; form < goings.size(); ++form)
            goings[form] = textTable(kGoings, "", 0, {}, kGoingPrefixes[form]);
    }

    std::size_t raceClassIndex(int ageRow, int classRow) const
    {
        return static_cast<std::size_t>(ageRow + 1) * (classParts.size() + 1) + static_cast<std::size_t>(classRow + 1);
    }
};

const Tables& tables()
{
    static const Tables t; // built once, thread-safe
    return t;
}

long long number(std::string_view text)
{
    return toIntDef(text, 0);
}

// "00" pattern: at least two digits, a sign before them.
void appendTwoDigits(std::string& out, long long v)
{
    char buf[24];
    std::snprintf(buf, sizeof buf, v < 0 ? "-%02lld" : "%02lld", v < 0 ? -v : v);
    out += buf;
}

long long digitsAt(std::string_view text, std::size_t pos)
{
    return number(field(text, pos, 2));
}

} // namespace

std::string_view TrackName(std::string_view code)
{
    return tables().tracks.find(textKey(code));
}

std::string_view TrackCode(std::string_view name)
{
    return tables().trackCodes.find(textKey(name));
}

std::string_view RaceTypeLabel(std::string_view code)
{
    return tables().raceTypes.find(textKey(code));
}

std::string_view RaceClassLabel(std::string_view raceTypeCode, std::string_view conditionCode)
{
    return RaceClassLabel(number(raceTypeCode), number(conditionCode));
}

std::string_view RaceClassLabel(long long raceTypeCode, long long conditionCode)
{
    const Tables& t = tables();
    return t.raceClasses[t.raceClassIndex(t.ageParts.indexOf(raceTypeCode), t.classParts.indexOf(conditionCode))];
}

std::string_view ConditionLabel(std::string_view code)
{
    return ConditionLabel(number(code));
}

std::string_view ConditionLabel(long long code)
{
    return tables().conditions.find(code);
}

std::string_view RaceSymbolLabel(std::string_view code)
{
    return tables().raceSymbols.find(textKey(code));
}

std::string_view GradeLabel(std::string_view code, int form)
{
    if (form == 1)
        return tables().grades1.find(textKey(code));
    if (form == 8)
        return tables().grades8.find(textKey(code));
    return {};
}

std::string_view WeekdayLabel(std::string_view code)
{
    return WeekdayLabel(number(code));
}

std::string_view WeekdayLabel(long long code)
{
    return tables().weekdays.find(code);
}

std::string_view WeightTypeLabel(std::string_view code)
{
    return tables().weightTypes.find(textKey(code));
}

std::string_view HorseMarkLabel(std::string_view code)
{
    return HorseMarkLabel(number(code));
}

std::string_view HorseMarkLabel(long long code)
{
    return tables().horseMarks.find(code);
}

std::string_view CourseLabel(std::string_view code)
{
    return CourseLabel(number(code));
}

std::string_view CourseLabel(long long code)
{
    return tables().courses.find(code);
}

std::string_view CourseShortLabel(std::string_view code)
{
    return CourseShortLabel(number(code));
}

std::string_view CourseShortLabel(long long code)
{
    return tables().courseShorts.find(code);
}

std::string_view WeatherLabel(std::string_view code)
{
    return tables().weathers.find(textKey(code));
}

std::string_view GoingLabel(std::string_view code, int form)
{
    if (form < 0 || form > 2)
        return {};
    return tables().goings[static_cast<std::size_t>(form)].find(textKey(code));
}

std::string_view SexLabel(std::string_view code)
{
    return tables().sexes.find(textKey(code));
}

std::string_view RecordFlagLabel(std::string_view code)
{
    return tables().recordFlags.find(textKey(code));
}

std::string_view TimeKindLabel(std::string_view code)
{
    return tables().timeKinds.find(textKey(code));
}

std::string_view CircledNumber(std::string_view number)
{
    return CircledNumber(toIntDef(number, 0));
}

std::string_view CircledNumber(long long number)
{
    return tables().circled.find(number);
}

std::string PadNumber(std::string_view text)
{
    const long long v = number(text);
    if (v == 0)
        return std::string(text.size(), ' ');
    char buf[32];
    std::snprintf(buf, sizeof buf, "%*lld", static_cast<int>(std::min<std::size_t>(text.size(), 30)), v);
    return buf;
}

std::string StripWideSpaces(std::string_view sjis)
{
    std::string out;
    out.reserve(sjis.size());
    for (std::size_t i = 0; i < sjis.size();) {
        const bool twoBytes = isSjisLeadByte(static_cast<unsigned char>(sjis[i])) && i + 1 < sjis.size();
        const std::size_t len = twoBytes ? 2 : 1;
        if (!(twoBytes && sjis.substr(i, 2) == kSjisWideSpace))
            out.append(sjis, i, len);
        i += len;
    }
    return out;
}

std::string AddMinutes(std::string_view hhmm, int minutes)
{
    if (trim(hhmm).empty())
        return {};
    const long long total = digitsAt(hhmm, 1) * 60 + digitsAt(hhmm, 3) + minutes;
    std::string out;
    appendTwoDigits(out, total / 60);
    appendTwoDigits(out, total % 60);
    return out;
}

std::string AddSeconds(std::string_view hhmmss, int seconds)
{
    if (trim(hhmmss).empty())
        return {};
    const long long total = digitsAt(hhmmss, 1) * 3600 + digitsAt(hhmmss, 3) * 60 + digitsAt(hhmmss, 5) + seconds;
    const long long rest = total % 3600;
    std::string out;
    appendTwoDigits(out, total / 3600);
    appendTwoDigits(out, rest / 60);
    appendTwoDigits(out, rest % 60);
    return out;
}

std::string OverwriteAt(std::string_view text, std::string_view replacement, int position)
{
    std::string out(text);
    if (position >= 1 && static_cast<std::size_t>(position) <= out.size())
        out.erase(static_cast<std::size_t>(position) - 1, replacement.size());
    const std::size_t at = position < 1 ? 0 : std::min(static_cast<std::size_t>(position) - 1, out.size());
    out.insert(at, replacement);
    return out;
}

} // namespace solvane
