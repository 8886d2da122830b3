#include "feedgen/Names.h"

#include "feedgen/Calendar.h"
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
    std::vector<std::string> raceWords = Convert(
        {"睦月", "如月", "弥生",     "卯月",     "皐月",     "水無月", "文月",   "葉月",     "長月",     "神無月",
         "霜月", "師走", "ひまわり", "すずらん", "あじさい", "さくら", "もみじ", "りんどう", "コスモス", "白梅",
         "若葉", "青葉", "紅葉",     "初雪",     "星雲",     "銀河",   "飛鳥",   "鳳凰",     "潮騒",     "朝霧",
         "夕月", "清流", "若駒",     "早春",     "晩秋",     "桂川",   "天城"});
    std::vector<std::string> specialTails = Convert({"特別", "ステークス", "Ｓ", "賞", "カップ", "ハンデキャップ"});
    std::vector<std::string> gradedTails = Convert({"記念", "ステークス", "カップ", "大賞典", "杯", "優駿"});
    std::vector<std::string> venues;
    std::string wide = toSjis("　");
    std::string owners = toSjis("ホールディングス");
    Pools()
    {
        for (int v = 1; v <= 10; ++v)
            venues.push_back(toSjis(Venue(v).name));
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

std::string RaceName(Rng& rng, int venue, int month, char grade)
{
    const auto& p = P();
    const bool graded = grade == 'A' || grade == 'B' || grade == 'C' || grade == 'F' || grade == 'G' || grade == 'H';
    std::string head = rng.chance(0.35) ? p.venues[static_cast<std::size_t>(venue - 1)]
                                        : (rng.chance(0.3) ? p.raceWords[static_cast<std::size_t>(month - 1)]
                                                           : Pick(rng, p.raceWords));
    return head + (graded ? Pick(rng, p.gradedTails) : Pick(rng, p.specialTails));
}

std::string VenueNameSjis(int venue)
{
    return P().venues[static_cast<std::size_t>((venue >= 1 && venue <= 10 ? venue : 5) - 1)];
}

} // namespace solvane::feedgen
