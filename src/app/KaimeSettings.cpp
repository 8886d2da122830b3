#include "app/KaimeSettings.h"

#include "app/SettingsKeys.h"

#include <algorithm>

namespace solvane {

HaibunMode HaibunModeFrom(SettingsFile& settings)
{
    return static_cast<HaibunMode>(std::clamp(settings.get(keys::HaibunSet), 0, 3));
}

MultiOptions MultiOptionsFrom(SettingsFile& settings)
{
    return MultiOptions{settings.get(keys::CheckMulti), settings.get(keys::CheckMulti12),
                        settings.get(keys::CheckMulti23), settings.get(keys::CheckMulti13)};
}

} // namespace solvane
