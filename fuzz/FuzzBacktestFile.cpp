// The backtest file reader: the bytes are the whole backtest file, read with every list filter off and
// then with the first item of each list selected; each record is also parsed on its own.
#include "FuzzSupport.h"

#include "raceday/DayFiles.h"
#include "verify/Kensho.h"

#include <string>

namespace fs = std::filesystem;
using namespace solvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ForEachLine(bytes, [](std::string_view line) {
        (void)KenshoRowOf(ParseBacktestRecord(line));
        return true;
    });
    const fs::path file = fuzz::ScratchFolder() / "backtest.txt";
    fuzz::WriteBytes(file, bytes);
    KenshoFilter all;
    const KenshoResult result = ReadDataBtnClick(file, all);
    (void)CumulativeRecovery(result.rows);
    (void)KenshoCsv(result.grid);
    KenshoFilter some;
    for (int l = 0; l < kKenshoLists; ++l)
        some.select(static_cast<KenshoList>(l), 0, true);
    some.distanceLow = 1200;
    some.distanceHigh = 2000;
    (void)ReadDataBtnClick(file, some);
    return 0;
}
