// solvane-cli's words: first byte 0 a DAY, 1 a RACE (also looked up in a day with no races), 2 a mark
// list.
#include "FuzzSupport.h"

#include "DayArgs.h"
#include "MarkArgs.h"

#include <memory>
#include <string>

using namespace solvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in(data, size);
    const int what = in.byte() % 3;
    const std::string text(in.rest());
    if (what == 0) {
        (void)cli::ParseDayArg(text);
    } else if (what == 1) {
        if (const auto race = cli::ParseRaceArg(text)) {
            static const auto day = std::make_unique<RaceDay>();
            (void)cli::FindRaceSlot(*day, *race);
        }
    } else {
        (void)cli::IsMarkWord(text);
        Marks marks;
        (void)cli::ParseMarks(text, 18, marks);
        Marks few;
        (void)cli::ParseMarks(text, 5, few);
    }
    return 0;
}
