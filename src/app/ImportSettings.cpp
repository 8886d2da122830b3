#include "app/ImportSettings.h"

#include "app/SettingsKeys.h"

namespace solvane {

ImportDefaults ImportDefaultsFrom(SettingsFile& settings, const DateTime& now)
{
    ImportDefaults d;
    const auto last = DateTime::parse(settings.get(keys::LastTime));
    d.start = last ? *last : now.addDays(-365);
    d.setupData = !last;
    d.finalOdds = settings.get(keys::KakuteiOzGet);
    return d;
}

} // namespace solvane
