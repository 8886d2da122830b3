// Every section and key of the settings file with its type and default, in one table. Code reads and
// writes settings only through these constants, so a name or a default is spelt in one place.
#pragma once

#include <filesystem>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace solvane {

// Defaults that are folders of this installation rather than fixed texts.
enum class TextDefault {
    Fixed,       // the text given in the table
    AppFolder,   // the application folder
    WindowsMedia // the Windows folder + "Media" + "Ring08.wav" (empty off Windows)
};

// What a text value is. A path that is relative is taken from the application folder (see
// ResolveSettingsPath), so a settings file that names files of its own folder keeps working when the
// application folder is copied or moved.
enum class TextValue { Text, Path };

struct TextKey {
    std::string_view section, key, def;
    TextDefault kind = TextDefault::Fixed;
    TextValue value = TextValue::Text;
};
// An integer with a documented range: a stored value outside it is never used (the program reads the
// nearest end of the range and says so, SettingsFile::outOfRange), and a typed one outside it is refused.
struct IntKey {
    std::string_view section, key;
    int def;
    int min = std::numeric_limits<int>::min();
    int max = std::numeric_limits<int>::max();
};
struct FlagKey {
    std::string_view section, key;
    bool def;
};
using AnyKey = std::variant<TextKey, IntKey, FlagKey>;

// What folder-valued defaults are made of.
struct SettingsDefaults {
    std::filesystem::path appFolder;
    std::filesystem::path windowsFolder;
};

// The default text of a key, folders resolved (UTF-8).
std::string DefaultText(const TextKey& key, const SettingsDefaults& defaults);
// The default of any key as the text the file would hold ("1"/"0" for flags).
std::string DefaultValueText(const AnyKey& key, const SettingsDefaults& defaults);

// A path value as the program uses it: a relative one is taken from the application folder, whatever
// the current folder of the process (solvane-cli keeps the caller's). Only a value that starts with
// neither a separator ("/", "\") nor a drive ("C:") counts as relative, on every platform, since the
// file may have been written on the other one; blank values, and every value when the application
// folder is unknown, come back as they are.
std::string ResolveSettingsPath(const std::string& value, const std::filesystem::path& appFolder);

// Every key of the table, in table order.
std::span<const AnyKey> AllSettingsKeys();

// Why a value typed for section/key cannot be stored: an integer key given something that is not an
// integer, or an integer outside the key's range. Empty when it can (and for keys not in the table).
std::string SettingValueProblem(std::string_view section, std::string_view key, std::string_view value);
// The value of an integer key as the program uses it: a stored value outside the range gives the nearest
// end of it, which is what the settings windows show for it too.
int SettingInRange(const IntKey& key, int stored);
// What the program says of a stored value outside its key's range (UTF-8).
std::string OutOfRangeMessage(const IntKey& key, int stored);
// The table entry of section/key (compared without regard to ASCII case).
std::optional<AnyKey> FindSettingsKey(std::string_view section, std::string_view key);

namespace keys {
// [Dir] folders of the sibling programs; filled at start-up from their installers when empty.
inline constexpr TextKey Harunire{"Dir", "harunire", "", TextDefault::AppFolder, TextValue::Path};
inline constexpr TextKey Jikeiretu{"Dir", "jikeiretu", "", TextDefault::AppFolder, TextValue::Path};
inline constexpr TextKey KelvoTohyo2{"Dir", "KelvoTohyo2", "", TextDefault::Fixed, TextValue::Path};

// Window geometry, written at close.
inline constexpr IntKey LocateTop{"locate", "top", 10};
inline constexpr IntKey LocateLeft{"locate", "left", 10};
inline constexpr IntKey LocateWidth{"locate", "width", 1100};
inline constexpr IntKey LocateHeight{"locate", "height", 750};
inline constexpr IntKey LocateDETop{"locateDE", "top", 10};
inline constexpr IntKey LocateDELeft{"locateDE", "left", 700};
inline constexpr IntKey LocateDEWidth{"locateDE", "width", 300};
inline constexpr IntKey LocateDEHeight{"locateDE", "height", 350};
inline constexpr IntKey KaimelocateTop{"Kaimelocate", "top", 10};
inline constexpr IntKey KaimelocateLeft{"Kaimelocate", "left", 10};
inline constexpr IntKey KaimelocateWidth{"Kaimelocate", "width", 800};
inline constexpr IntKey KaimelocateHeight{"Kaimelocate", "height", 450};
// The rule window and the verification window, written when they close (no keys: not placed yet).
inline constexpr IntKey KaimeSettinglocateTop{"KaimeSettinglocate", "top", 0};
inline constexpr IntKey KaimeSettinglocateLeft{"KaimeSettinglocate", "left", 0};
inline constexpr IntKey KaimeSettinglocateWidth{"KaimeSettinglocate", "width", 0};
inline constexpr IntKey KaimeSettinglocateHeight{"KaimeSettinglocate", "height", 0};
inline constexpr IntKey KensholocateTop{"Kensholocate", "top", 0};
inline constexpr IntKey KensholocateLeft{"Kensholocate", "left", 0};
inline constexpr IntKey KensholocateWidth{"Kensholocate", "width", 0};
inline constexpr IntKey KensholocateHeight{"Kensholocate", "height", 0};
inline constexpr IntKey LocateCompiFormTop{"locateCompiForm", "top", 50};
inline constexpr IntKey LocateCompiFormLeft{"locateCompiForm", "left", 100};

// Bulk import: end time of the last import ("yyyy/mm/dd hh:nn:ss"; empty shows now - 365 days).
inline constexpr TextKey LastTime{"JvDataGet", "LastTime", ""};
inline constexpr FlagKey KakuteiOzGet{"JvDataGet", "KakuteiOzGet", true};

// Combination input form and default stakes (yen).
inline constexpr IntKey HaibunSet{"KaimeSet", "HaibunSet", 0, 0, 3}; // 0 均等, 1 比例, 2 均一, 3 期配
inline constexpr IntKey DefaultAmountTan{"KaimeSet", "DefaultAmountTan", 3000};
inline constexpr IntKey DefaultAmountFuk{"KaimeSet", "DefaultAmountFuk", 3000};
inline constexpr IntKey DefaultAmountWR{"KaimeSet", "DefaultAmountWR", 3000};
inline constexpr IntKey DefaultAmountUR{"KaimeSet", "DefaultAmountUR", 3000};
inline constexpr IntKey DefaultAmountWD{"KaimeSet", "DefaultAmountWD", 3000};
inline constexpr IntKey DefaultAmountUT{"KaimeSet", "DefaultAmountUT", 3000};
inline constexpr IntKey DefaultAmountSRF{"KaimeSet", "DefaultAmountSRF", 3000};
inline constexpr IntKey DefaultAmountSRT{"KaimeSet", "DefaultAmountSRT", 3000};
inline constexpr FlagKey CheckMulti{"KaimeSet", "CheckMulti", true};
inline constexpr FlagKey CheckMulti12{"KaimeSet", "CheckMulti12", false};
inline constexpr FlagKey CheckMulti23{"KaimeSet", "CheckMulti23", false};
inline constexpr FlagKey CheckMulti13{"KaimeSet", "CheckMulti13", false};
inline constexpr IntKey Bakenshu{"KaimeSet", "Bakenshu", 0};

// Hidden choice: an odds fetch does not redisplay the race. Only an edited file sets it.
inline constexpr FlagKey NotRefresh{"Disp", "NotRefresh", false};
inline constexpr FlagKey OverWriteOK{"OzGet", "OverWriteOK", false};
inline constexpr FlagKey Sound1{"Play", "Sound1", true};

// Automatic schedule.
inline constexpr IntKey AutoOzGet{"Time", "AutoOzGet", 10, 1, 59}; // minutes before post time
inline constexpr IntKey AutoOzGetSec{"Time", "AutoOzGetSec", 0, 0, 59};
inline constexpr IntKey AutoTohyoInterval{"Time", "AutoTohyoInterval", 5};
inline constexpr IntKey AutoRdataGet{"Time", "AutoRdataGet", 10, 5, 59};
inline constexpr IntKey AutoBataijuGet{"Time", "AutoBataijuGet", 0}; // written by the fetch-time window, never read
inline constexpr TextKey OzAlarm{"InfoSettings", "OzAlarm", "", TextDefault::WindowsMedia, TextValue::Path};

// Backtest period in years (1-20).
inline constexpr IntKey KenshoPeriod{"Kensho", "period", 1, 1, 20};

// The local JV-Link component's feed folder; empty means the application folder + "/feed".
inline constexpr TextKey JVLinkFeed{"JVLink", "Feed", "", TextDefault::Fixed, TextValue::Path};
} // namespace keys

} // namespace solvane
