#include "raceday/RaceDay.h"

#include <stdexcept>

namespace solvane {

void TOutData::reset()
{
    AutoOzTime.clear();
    AutoTohyoTime1.clear();
    Tenko.clear();
    ShibaBaba.clear();
    DirtBaba.clear();
    Tracked.fill(0);
    TanOz.fill(0);
    FukOzLow.fill(0);
    FukOzHigh.fill(0);
    WROz.fill(0);
    CompiIndex.fill(0);
    CompiRank.fill(0);
    WakuCompi.fill(0);
    WakuCompiRank.fill(0);
    UROz.fill(0);
    WDOz.fill(0);
    UTOz.fill(0);
    SRFOz.fill(0);
    SRTOz.fill(0);
    TanNinki.fill(0);
    FukNinki.fill(0);
    WRNinki.fill(0);
    URNinki.fill(0);
    WDNinki.fill(0);
    UTNinki.fill(0);
    TanOzRatio.fill(0);
    FukOzRatio.fill(0);
    CompiGap.fill(-1);
    CompiRatio.fill(0);
    SRFNinki.fill(0);
    SRTNinki.fill(0);
    TriplesPending = false;
    DmFlag = 0;
    DmTime.fill(0);
    DmErrPlus.fill(0);
    DmErrMinus.fill(0);
    DmRank.fill(0);
    TmScore.fill(0);
    TmRank.fill(0);
    for (auto& mark : FiMark)
        mark.clear();
    for (auto& factor : TfMark)
        for (auto& mark : factor)
            mark.clear();
}

RaceDay::RaceDay()
    : RaRecs(kRaceSlots), SeRecs(kRaceSlots), HrRecs(kRaceSlots), O1Recs(kRaceSlots), O2Recs(kRaceSlots),
      O3Recs(kRaceSlots), O4Recs(kRaceSlots), O5Recs(kRaceSlots), O6Recs(kRaceSlots), RaceRecs(kRaceSlots),
      HrTable(kRaceSlots)
{
    blankRecords();
}

std::vector<std::string>& RaceDay::OzRecs(int type)
{
    switch (type) {
    case 1:
        return O1Recs;
    case 2:
        return O2Recs;
    case 3:
        return O3Recs;
    case 4:
        return O4Recs;
    case 5:
        return O5Recs;
    case 6:
        return O6Recs;
    default:
        throw std::out_of_range("odds record type");
    }
}

const std::vector<std::string>& RaceDay::OzRecs(int type) const
{
    return const_cast<RaceDay*>(this)->OzRecs(type);
}

void RaceDay::blankRecords()
{
    for (int s = 0; s < kRaceSlots; ++s) {
        const auto i = static_cast<std::size_t>(s);
        RaRecs[i].assign(kRaLength, ' ');
        for (auto& se : SeRecs[i])
            se.assign(kSeLength, ' ');
        HrRecs[i].assign(kHrLength, ' ');
        for (int t = 1; t <= 6; ++t)
            OzRecs(t)[i].assign(kOzLength[static_cast<std::size_t>(t - 1)], ' ');
    }
}

void IniBtnClick(RaceDay& day)
{
    for (auto& race : day.RaceRecs)
        race.reset();
}

} // namespace solvane
