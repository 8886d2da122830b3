// The race-day model: everything one loaded day holds in memory. A day has up to 36 race slots; slot s
// is the position of the race's RA record in the day's ".jvRA" file (venue, meeting, race order).
//
// The model is a plain value owned by the application object and passed by reference to every reader;
// nothing here is global. Raw records are Shift-JIS byte strings of their full JV-Data length, the
// final CR LF included, exactly as the readers found them (or blanks when nothing was found).
//
// Per-horse and per-combination arrays are indexed from 1, as horse numbers and combination ordinals
// are: an array over horses has 19 elements and element 0 is never used; an array over the
// combinations of a bet type has count + 1 elements (ordinal 1..count).
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace solvane {

inline constexpr int kRaceSlots = 36;
inline constexpr int kMaxHorses = 18;
inline constexpr int kBrackets = 8;

// JV-Data record lengths, final CR LF included. A stored line is two bytes shorter.
inline constexpr std::size_t kRaLength = 1272;
inline constexpr std::size_t kSeLength = 555;
inline constexpr std::size_t kHrLength = 719;
inline constexpr std::size_t kDmLength = 303;
inline constexpr std::size_t kTmLength = 141;
inline constexpr std::size_t kTcLength = 45;
inline constexpr std::array<std::size_t, 6> kOzLength{962, 2042, 2654, 4031, 12293, 83285}; // O1..O6

// Odds coding shared by every odds array: only values above 0 are prices.
inline constexpr double kOddsCancelled = -1.0;
inline constexpr double kOddsAbsent = -2.0;

template <class T> using PerHorse = std::array<T, kMaxHorses + 1>;  // [1..18]
template <class T> using PerBracket = std::array<T, kBrackets + 1>; // [1..8]

// Derived values of one race.
struct TOutData {
    std::string AutoOzTime;     // "hhmmss", first automatic odds fetch
    std::string AutoTohyoTime1; // "hhmmss", second automatic odds fetch
    std::string Tenko;          // weather code
    std::string ShibaBaba;      // turf going code
    std::string DirtBaba;       // dirt going code
    PerHorse<std::uint8_t> Tracked{};

    PerHorse<double> TanOz{};
    PerHorse<double> FukOzLow{};
    PerHorse<double> FukOzHigh{};
    std::array<double, 36 + 1> WROz{};

    PerHorse<int> CompiIndex{};
    PerHorse<int> CompiRank{};
    PerBracket<int> WakuCompi{};
    PerBracket<int> WakuCompiRank{};

    std::array<double, 153 + 1> UROz{};
    std::array<double, 153 + 1> WDOz{};
    std::array<double, 306 + 1> UTOz{};
    // The trio and trifecta blocks are the bulk of a day's odds (5,712 entries a race) and most races of
    // a loaded day are never shown, so the day loader leaves them to be decoded on first use:
    // EnsureTripleOdds (raceday/OddsReader.h) fills them from the race's O5/O6 records while
    // TriplesPending is set. They are a cache of those records, hence mutable.
    mutable std::array<double, 816 + 1> SRFOz{};
    mutable std::array<double, 4896 + 1> SRTOz{};

    PerHorse<int> TanNinki{};
    PerHorse<int> FukNinki{};
    std::array<int, 36 + 1> WRNinki{};
    std::array<int, 153 + 1> URNinki{};
    std::array<int, 153 + 1> WDNinki{};
    std::array<int, 306 + 1> UTNinki{};

    PerHorse<double> TanOzRatio{};
    PerHorse<double> FukOzRatio{};
    PerHorse<int> CompiGap{};
    PerHorse<double> CompiRatio{};

    mutable std::array<int, 816 + 1> SRFNinki{};
    mutable std::array<int, 4896 + 1> SRTNinki{};
    mutable bool TriplesPending = false;

    std::uint8_t DmFlag = 0;
    PerHorse<int> DmTime{};
    PerHorse<int> DmErrPlus{};
    PerHorse<int> DmErrMinus{};
    PerHorse<int> DmRank{};
    PerHorse<int> TmScore{};
    PerHorse<int> TmRank{};

    PerHorse<std::string> FiMark;                  // Shift-JIS, normally one full-width mark
    std::array<PerHorse<std::string>, 4> TfMark{}; // [factor 1..3][horse 1..18]

    TOutData() { reset(); }
    // Everything 0 or empty, except CompiGap, which is -1 ("no higher index").
    void reset();
};

// One payout entry of the results table. Win and place use Uma; the other sections use Label.
struct HrEntry {
    int Uma = 0;
    std::string Label; // " 3- 7", " 1- 5-12"; empty when the record names no full combination
    int Ninki = 0;
    int Pay = 0;
};

struct HrRaceTable {
    std::array<HrEntry, 3> Tan;
    std::array<HrEntry, 5> Fuk;
    std::array<HrEntry, 3> WR;
    std::array<HrEntry, 3> UR;
    std::array<HrEntry, 7> WD;
    std::array<HrEntry, 6> UT;
    std::array<HrEntry, 3> SRF;
    std::array<HrEntry, 6> SRT;
};

// One line of the race list: the slot it selects and its shown text ("東京 1R", UTF-8).
struct RaceListItem {
    int slot = 0;
    std::string text;
};

// Per-race stake lists, one per bet type in the usual order: win, place, bracket quinella, quinella,
// wide, exacta, trio, trifecta.
inline constexpr int kRaceStakeLists = 8;

struct RaceDay {
    RaceDay();

    // Where the loaded day lives; set by the loader, read by every reader.
    std::string DayKey;                          // "2024年01月06日" (UTF-8); empty before the first load
    std::filesystem::path DataDir;               // application folder + "Data"
    std::filesystem::path ChgDir;                // application folder + "CHG"
    std::filesystem::path RaPath;                // DataDir / (DayKey + ".jvRA")
    std::filesystem::path HrPath;                // ".jvHR"
    std::filesystem::path DmPath;                // ".jvDM"
    std::filesystem::path TmPath;                // ".jvTM"
    std::array<std::filesystem::path, 6> OzPath; // [0] ".jvO1" .. [5] ".jvO6"

    int CurRace = 0;
    int PrevRace = 0;
    int OzRace = 0;
    bool ResultsRecorded = false; // every runner record of the day carries final results

    std::vector<std::string> RaRecs;                                         // [36]
    std::vector<std::array<std::string, 18>> SeRecs;                         // [36][18]; [s][j] is horse j + 1
    std::vector<std::string> HrRecs;                                         // [36]
    std::vector<std::string> O1Recs, O2Recs, O3Recs, O4Recs, O5Recs, O6Recs; // [36] each

    std::vector<TOutData> RaceRecs;   // [36]
    std::vector<HrRaceTable> HrTable; // [36]
    std::vector<RaceListItem> RaceList;
    std::array<std::array<std::string, kRaceSlots>, kRaceStakeLists> RaceStakeList;

    // O1Recs .. O6Recs by number 1..6.
    std::vector<std::string>& OzRecs(int type);
    const std::vector<std::string>& OzRecs(int type) const;

    // Fills every raw record table with blanks of the record's length.
    void blankRecords();
};

// Resets every race's derived record.
void IniBtnClick(RaceDay& day);

} // namespace solvane
