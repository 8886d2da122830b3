// The bet table's stored choices: the allocation (資金配分) and the multi boxes (マルチ). The bet
// window starts from them, and a backtest and solvane-cli kaime/vote use them as they are stored.
#pragma once

#include "app/SettingsFile.h"
#include "kaime/Haibun.h"
#include "kaime/KaimeBuild.h"

namespace solvane {

// [KaimeSet] HaibunSet; a value outside 0..3 counts as the nearest mode.
HaibunMode HaibunModeFrom(SettingsFile& settings);
MultiOptions MultiOptionsFrom(SettingsFile& settings);

} // namespace solvane
