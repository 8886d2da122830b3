// The forecast paste grammars. First byte: 0 the FI grammar, 1 the triple-factor grammar, each on
// Shift-JIS bytes; 2 and 3 the same on a text as a file or a window gives it (UTF-8 or Shift-JIS). A
// text that reads is saved as the window would save it.
#include "FuzzSupport.h"

#include "raceday/Forecast.h"

#include <string>

using namespace solvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in(data, size);
    const int what = in.byte() % 4;
    const ForecastKind kind = what % 2 == 0 ? ForecastKind::FI : ForecastKind::TF;
    const std::string text = what < 2 ? std::string(in.rest()) : ForecastTextToSjis(in.rest());
    if (what >= 2)
        (void)ForecastTextFromUtf8(in.rest());
    (void)RaceNumberOf(text.substr(0, 4));
    const ForecastPlan plan = ReadForecast(kind, text);
    if (plan.ready())
        (void)SaveForecast(plan, fuzz::ScratchFolder());
    return 0;
}
