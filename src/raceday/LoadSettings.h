// The day loader's settings read from the settings file. Header only, so that the race-day library
// itself does not depend on the application layer: whoever includes this links solvane_appcore.
#pragma once

#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "raceday/DayLoader.h"
#include "util/Files.h"

namespace solvane {

inline FetchTimeSettings FetchTimeSettingsFrom(SettingsFile& settings)
{
    return FetchTimeSettings{settings.get(keys::AutoOzGet), settings.get(keys::AutoOzGetSec),
                             settings.get(keys::AutoTohyoInterval)};
}

inline LoadOptions LoadOptionsFrom(SettingsFile& settings, const std::filesystem::path& appFolder)
{
    LoadOptions o;
    o.appFolder = appFolder;
    o.harunireFolder = pathFromUtf8(settings.get(keys::Harunire));
    o.fetchTimes = FetchTimeSettingsFrom(settings);
    o.autoRdataGet = settings.get(keys::AutoRdataGet);
    o.defaultStakes = {settings.get(keys::DefaultAmountTan), settings.get(keys::DefaultAmountFuk),
                       settings.get(keys::DefaultAmountWR),  settings.get(keys::DefaultAmountUR),
                       settings.get(keys::DefaultAmountWD),  settings.get(keys::DefaultAmountUT),
                       settings.get(keys::DefaultAmountSRF), settings.get(keys::DefaultAmountSRT)};
    return o;
}

} // namespace solvane
