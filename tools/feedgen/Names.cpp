#include "feedgen/Names.h"

#include "feedgen/Calendar.h"
#include "feedgen/GradedRaces.h"
#include "util/ShiftJis.h"

#include <array>
#include <vector>

namespace solvane::feedgen {

namespace {

std::vector<std::string> Convert(std::initializer_list<std::string_view> utf8)
{
    std::vector<std::string> out;
    out.reserve(utf8.size());
    for (auto s : utf8)
        out.push_back(toSjis(s));
    return out;
}

struct Pools {
    std::vector<std::string> prefixes =
        Convert({"サクラ",   "ゴールド",   "シルバー", "メイショウ",   "エイシン", "マイネル",   "トウカイ", "ダイワ",
                 "キタサン", "アドマイヤ", "ウイン",   "タガノ",       "ナムラ",   "スマート",   "レッド",   "ブルー",
                 "グラン",   "ロード",     "ミッキー", "ヴィクトリー", "ジャスタ", "サンライズ", "オメガ",   "ニシノ",
                 "セイウン", "カフェ",     "ワンダー", "テイエム",     "ビッグ",   "ライト",     "クリノ",   "シゲル",
                 "ヤマニン", "ハギノ",     "コスモ",   "モズ",         "ドゥ",     "エア"});
    std::vector<std::string> suffixes = Convert(
        {"ブレイブ", "スター",   "ローズ",   "テイオー", "ボーイ",     "ガール",   "キング",   "クイーン", "フラッシュ",
         "ストーム", "ドリーム", "ロード",   "ウインド", "ハート",     "ソング",   "ダンサー", "ヒーロー", "アロー",
         "シャトル", "ノヴァ",   "リーフ",   "ベル",     "ムーン",     "サン",     "レイ",     "クロス",   "ジェット",
         "ルビー",   "オーラ",   "ヴォイス", "ランナー", "フェアリー", "ミラクル", "エース",   "カイザー", "ノーブル"});
    std::vector<std::string> surnames = Convert(
        {"佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤", "吉田", "山田", "山口",
         "松本", "井上", "木村", "清水", "山崎", "池田", "橋本", "阿部", "石川", "山下", "中島", "石井", "小川",
         "前田", "岡田", "藤田", "後藤", "近藤", "村上", "遠藤", "青木", "坂本", "福田", "太田", "西村", "藤井",
         "金子", "岡本", "藤原", "三浦", "中野", "中川", "原田", "松田", "竹内", "小野", "田村", "和田", "石田"});
    std::vector<std::string> initials =
        Convert({"一", "健", "翔", "大", "勇", "拓", "誠", "和", "隆", "光", "悠", "蓮"});
    // Places around each venue, which JRA names its special races after.
    std::array<std::vector<std::string>, 10> places = {
        Convert({"藻岩山", "羊ヶ丘", "大通", "積丹", "支笏湖", "定山渓", "富良野", "知床", "十勝", "小樽", "洞爺湖",
                 "美瑛"}),
        Convert({"駒ヶ岳", "湯の川", "大沼", "恵山", "奥尻", "松前", "函館山", "北斗", "立待岬", "八雲"}),
        Convert({"吾妻小富士", "猪苗代", "磐梯山", "安達太良", "阿武隈", "信夫山", "飯坂温泉", "会津", "土湯温泉",
                 "喜多方", "郡山", "いわき"}),
        Convert(
            {"弥彦", "佐渡", "越後", "信濃川", "瀬波温泉", "村上", "阿賀野川", "妙高", "魚沼", "長岡", "燕", "三条"}),
        Convert(
            {"府中", "多摩川", "秩父", "奥多摩", "八王子", "調布", "国立", "立川", "高尾山", "武蔵野", "稲城", "清澄"}),
        Convert({"習志野", "船橋", "市川", "館山", "九十九里", "鴨川", "香取", "銚子", "房総", "犬吠埼", "鋸山", "浦安",
                 "佐倉", "成田"}),
        Convert(
            {"熱田", "木曽川", "犬山", "岡崎", "豊田", "知多", "三河湾", "伊良湖", "浜名湖", "長良川", "鈴鹿", "渥美"}),
        Convert({"鴨川", "嵐山", "比叡", "宇治川", "大原", "鞍馬", "桂川", "丹波", "嵯峨野", "清水", "山科", "伏見"}),
        Convert({"六甲", "須磨", "明石", "舞子", "武庫川", "仁川", "夙川", "御影", "芦屋", "淡路", "姫路", "西宮"}),
        Convert({"門司", "若松", "玄海", "関門橋", "筑後川", "由布院", "別府", "英彦山", "皿倉山", "宗像", "響灘",
                 "壇之浦"}),
    };
    // Open races: the months in English (the ones no graded race is named after), the old month names,
    // stars and stones.
    std::vector<std::string> monthsEnglish =
        Convert({"ジャニュアリー", "", "", "エイプリル", "メイ", "ジューン", "ジュライ", "オーガスト", "セプテンバー",
                 "オクトーバー", "ノベンバー", "ディセンバー"});
    std::vector<std::string> monthsOld =
        Convert({"睦月", "如月", "弥生", "卯月", "皐月", "水無月", "文月", "葉月", "長月", "神無月", "霜月", "師走"});
    std::vector<std::string> openWords =
        Convert({"ベテルギウス", "リゲル", "アンドロメダ", "カノープス", "ポルックス", "アルデバラン", "ペルセウス",
                 "オリオン", "カシオペア", "スピカ", "ガーネット", "アメジスト", "アクアマリン", "エメラルド",
                 "オパール", "サファイア", "ラピスラズリ", "トパーズ"});
    std::string special = toSjis("特別"), stakes = toSjis("ステークス"), stakesShort = toSjis("Ｓ"),
                jumpStakes = toSjis("ジャンプステークス"), cup = toSjis("カップ"), cupShort = toSjis("Ｃ");
    std::vector<std::string> gradedNames, gradedAbbrs;
    std::vector<std::string> venues;
    std::string wide = toSjis("　");
    std::string owners = toSjis("ホールディングス");
    Pools()
    {
        for (int v = 1; v <= 10; ++v)
            venues.push_back(toSjis(Venue(v).name));
        for (const GradedRace& g : GradedRaces()) {
            gradedNames.push_back(toSjis(g.name));
            gradedAbbrs.push_back(toSjis(g.abbr.empty() ? g.name : g.abbr));
        }
    }
};

const Pools& P()
{
    static const Pools pools;
    return pools;
}

template <typename T> const std::string& Pick(Rng& rng, const std::vector<T>& v)
{
    return v[static_cast<std::size_t>(rng.below(static_cast<int>(v.size())))];
}

} // namespace

std::string_view WideSpace()
{
    return P().wide;
}

std::string PadWide(std::string_view sjis, std::size_t bytes)
{
    std::string out;
    out.reserve(bytes);
    std::size_t i = 0;
    while (i < sjis.size()) {
        const std::size_t w = isSjisLeadByte(static_cast<unsigned char>(sjis[i])) ? 2 : 1;
        if (out.size() + w > bytes)
            break;
        out.append(sjis.substr(i, w));
        i += w;
    }
    while (out.size() + 2 <= bytes)
        out += P().wide;
    if (out.size() < bytes)
        out += ' ';
    return out;
}

std::string HorseName(Rng& rng)
{
    const auto& p = P();
    for (;;) {
        std::string name = Pick(rng, p.prefixes) + Pick(rng, p.suffixes);
        if (name.size() <= 18)
            return name;
    }
}

std::string PersonShortName(int id)
{
    const auto& p = P();
    const auto& s = p.surnames[static_cast<std::size_t>(id) % p.surnames.size()];
    const auto& i = p.initials[static_cast<std::size_t>(id / 7) % p.initials.size()];
    return PadWide(s + i, 8);
}

std::string OwnerName(int id)
{
    const auto& p = P();
    return p.surnames[static_cast<std::size_t>(id * 7 + 3) % p.surnames.size()] + p.owners;
}

std::string SpecialRaceName(Rng& rng, int venue, int month, int jyoken, bool jump)
{
    const auto& p = P();
    const auto& places = p.places[static_cast<std::size_t>((venue >= 1 && venue <= 10 ? venue : 5) - 1)];
    if (jump)
        return Pick(rng, places) + p.jumpStakes;
    if (jyoken != 999)
        return Pick(rng, places) + (jyoken == 16 && rng.chance(0.6) ? p.stakes : p.special);
    const auto& english = p.monthsEnglish[static_cast<std::size_t>(month - 1)];
    const double r = rng.uniform();
    if (r < 0.2 && !english.empty())
        return english + p.stakes;
    if (r < 0.35)
        return p.monthsOld[static_cast<std::size_t>(month - 1)] + p.stakes;
    if (r < 0.7)
        return Pick(rng, p.openWords) + p.stakes;
    return Pick(rng, places) + p.stakes;
}

std::string AbbreviateRaceName(std::string_view sjis)
{
    const auto& p = P();
    std::string s(sjis);
    auto shorten = [&](const std::string& tail, const std::string& mark) {
        if (s.size() > 12 && s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0)
            s = s.substr(0, s.size() - tail.size()) + mark;
    };
    shorten(p.special, "");
    shorten(p.stakes, p.stakesShort);
    shorten(p.cup, p.cupShort);
    if (s.size() > 12) // keep the mark at the end, cut the stem
        s = PadWide(s, 10).substr(0, 10) + s.substr(s.size() - 2);
    return s;
}

const std::string& GradedRaceName(std::size_t index)
{
    return P().gradedNames.at(index);
}

const std::string& GradedRaceAbbr(std::size_t index)
{
    return P().gradedAbbrs.at(index);
}

std::string VenueNameSjis(int venue)
{
    return P().venues[static_cast<std::size_t>((venue >= 1 && venue <= 10 ? venue : 5) - 1)];
}

} // namespace solvane::feedgen
