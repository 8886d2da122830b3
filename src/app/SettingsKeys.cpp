#include "app/SettingsKeys.h"

#include "app/AppFolder.h"
#include "util/Files.h"
#include "util/Text.h"

#include <algorithm>
#include <array>

namespace solvane {

std::string DefaultText(const TextKey& key, const SettingsDefaults& defaults)
{
    switch (key.kind) {
    case TextDefault::AppFolder:
        return FolderText(defaults.appFolder);
    case TextDefault::WindowsMedia:
        if (defaults.windowsFolder.empty())
            return {};
        return pathToUtf8(defaults.windowsFolder / "Media" / "Ring08.wav");
    case TextDefault::Fixed:
        break;
    }
    return std::string(key.def);
}

std::string DefaultValueText(const AnyKey& key, const SettingsDefaults& defaults)
{
    if (const auto* t = std::get_if<TextKey>(&key))
        return DefaultText(*t, defaults);
    if (const auto* i = std::get_if<IntKey>(&key))
        return std::to_string(i->def);
    return std::get<FlagKey>(key).def ? "1" : "0";
}

std::string ResolveSettingsPath(const std::string& value, const std::filesystem::path& appFolder)
{
    const std::string_view text = trim(value);
    if (text.empty() || appFolder.empty())
        return value;
    const bool rooted = text[0] == '/' || text[0] == '\\' || (text.size() >= 2 && text[1] == ':');
    if (rooted)
        return value;
    return pathToUtf8((appFolder / pathFromUtf8(text)).make_preferred());
}

namespace {
using namespace keys;
const std::array kAllKeys = {
    AnyKey{Harunire},
    AnyKey{Jikeiretu},
    AnyKey{KelvoTohyo2},
    AnyKey{LocateTop},
    AnyKey{LocateLeft},
    AnyKey{LocateWidth},
    AnyKey{LocateHeight},
    AnyKey{LocateDETop},
    AnyKey{LocateDELeft},
    AnyKey{LocateDEWidth},
    AnyKey{LocateDEHeight},
    AnyKey{KaimelocateTop},
    AnyKey{KaimelocateLeft},
    AnyKey{KaimelocateWidth},
    AnyKey{KaimelocateHeight},
    AnyKey{KaimeSettinglocateTop},
    AnyKey{KaimeSettinglocateLeft},
    AnyKey{KaimeSettinglocateWidth},
    AnyKey{KaimeSettinglocateHeight},
    AnyKey{KensholocateTop},
    AnyKey{KensholocateLeft},
    AnyKey{KensholocateWidth},
    AnyKey{KensholocateHeight},
    AnyKey{LocateCompiFormTop},
    AnyKey{LocateCompiFormLeft},
    AnyKey{LastTime},
    AnyKey{KakuteiOzGet},
    AnyKey{HaibunSet},
    AnyKey{DefaultAmountTan},
    AnyKey{DefaultAmountFuk},
    AnyKey{DefaultAmountWR},
    AnyKey{DefaultAmountUR},
    AnyKey{DefaultAmountWD},
    AnyKey{DefaultAmountUT},
    AnyKey{DefaultAmountSRF},
    AnyKey{DefaultAmountSRT},
    AnyKey{CheckMulti},
    AnyKey{CheckMulti12},
    AnyKey{CheckMulti23},
    AnyKey{CheckMulti13},
    AnyKey{Bakenshu},
    AnyKey{NotRefresh},
    AnyKey{OverWriteOK},
    AnyKey{Sound1},
    AnyKey{AutoOzGet},
    AnyKey{AutoOzGetSec},
    AnyKey{AutoTohyoInterval},
    AnyKey{AutoRdataGet},
    AnyKey{AutoBataijuGet},
    AnyKey{OzAlarm},
    AnyKey{KenshoPeriod},
    AnyKey{JVLinkFeed},
};
} // namespace

std::span<const AnyKey> AllSettingsKeys()
{
    return kAllKeys;
}

std::optional<AnyKey> FindSettingsKey(std::string_view section, std::string_view key)
{
    for (const AnyKey& k : kAllKeys) {
        const auto [s, n] = std::visit([](const auto& v) { return std::pair{v.section, v.key}; }, k);
        if (equalsIgnoreCase(s, section) && equalsIgnoreCase(n, key))
            return k;
    }
    return std::nullopt;
}

namespace {

std::string rangeText(const IntKey& key)
{
    return std::to_string(key.min) + "～" + std::to_string(key.max);
}

bool hasRange(const IntKey& key)
{
    return key.min != std::numeric_limits<int>::min() || key.max != std::numeric_limits<int>::max();
}

} // namespace

std::string SettingValueProblem(std::string_view section, std::string_view key, std::string_view value)
{
    const auto known = FindSettingsKey(section, key);
    if (!known || std::holds_alternative<TextKey>(*known))
        return {};
    const std::string where = "[" + std::string(section) + "] " + std::string(key);
    constexpr long long kNotANumber = 1LL << 40;
    const long long v = toIntDef(value, kNotANumber);
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return "整数を指定してください：" + where;
    const auto* i = std::get_if<IntKey>(&*known);
    if (i && (v < i->min || v > i->max))
        return where + " は " + rangeText(*i) + " の範囲で指定してください：" + std::string(trim(value));
    return {};
}

int SettingInRange(const IntKey& key, int stored)
{
    return std::clamp(stored, key.min, key.max);
}

std::string OutOfRangeMessage(const IntKey& key, int stored)
{
    if (!hasRange(key))
        return {};
    return "設定 [" + std::string(key.section) + "] " + std::string(key.key) + "=" + std::to_string(stored) +
           " は範囲（" + rangeText(key) + "）の外なので、" + std::to_string(SettingInRange(key, stored)) +
           " として使います。";
}

} // namespace solvane
