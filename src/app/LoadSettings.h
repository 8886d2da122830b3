// The day loader's settings read from the settings file: the application layer reads its settings into
// the race-day library's options, which never include the application layer themselves.
#pragma once

#include "app/AppFolder.h"
#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "raceday/DayLoader.h"
#include "raceday/TimeSeries.h"
#include "util/Files.h"
#include "util/Text.h"

#include <optional>
#include <system_error>
#include <vector>

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

// The time-series viewer's folder ([Dir] jikeiretu), or nothing while it is not set (TimeSeriesFolderSet).
inline std::optional<std::filesystem::path> TimeSeriesFolderFrom(SettingsFile& settings,
                                                                 const std::filesystem::path& appFolder)
{
    const std::string folder = settings.get(keys::Jikeiretu);
    if (!TimeSeriesFolderSet(folder, FolderText(appFolder)))
        return std::nullopt;
    return pathFromUtf8(std::string(trim(folder)));
}

// Where bet-time backtests find snapshots: the viewer's folder when it is set, and the folder of our own
// fetches when it is there. Empty when there is neither.
inline std::vector<std::filesystem::path> TimeSeriesFoldersFrom(SettingsFile& settings,
                                                                const std::filesystem::path& appFolder)
{
    std::vector<std::filesystem::path> folders;
    if (auto viewer = TimeSeriesFolderFrom(settings, appFolder))
        folders.push_back(std::move(*viewer));
    std::error_code ec;
    if (std::filesystem::is_directory(OwnSnapshotFolder(appFolder), ec))
        folders.push_back(OwnSnapshotFolder(appFolder));
    return folders;
}

} // namespace solvane
