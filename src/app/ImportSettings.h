// Where a bulk import starts when nobody says otherwise, read from the settings. The import window
// shows these as its starting choices and solvane-cli import uses them for the options not given.
#pragma once

#include "app/SettingsFile.h"
#include "util/Clock.h"

namespace solvane {

struct ImportDefaults {
    DateTime start;         // the end of the last import ([JvDataGet] LastTime), or a year before now
    bool setupData = false; // set-up data while nothing was imported yet (LastTime unset or unreadable)
    bool finalOdds = true;  // [JvDataGet] KakuteiOzGet
};

ImportDefaults ImportDefaultsFrom(SettingsFile& settings, const DateTime& now);

} // namespace solvane
