// Odds tables: the stored odds records of a race turned into the odds and popularity arrays of its
// TOutData.
//
// Odds coding, every odds array: the trimmed text made of '-' only (cancelled before the sale opened)
// or of '*' only (cancelled after sale) gives -1.0, an empty text -2.0 (no such runner or combination),
// digits their value / 10 ("0000" gives 0.0: no votes). Only values above 0 are prices. A text that is
// none of these (a garbled file) counts as absent, -2.0.
#pragma once

#include "raceday/DayFiles.h"
#include "raceday/RaceDay.h"

#include <span>
#include <string_view>

namespace solvane {

double DecodeOdds(std::string_view text);

// Replaces the odds record copies (O1Recs .. O6Recs) of the given slots by the first record of each
// slot's race (venue code 20-21 + race number 26-27) in file order of the day's ".jvO1" .. ".jvO6".
// Each file is read once, however many slots are asked for, and only up to the last record wanted.
// A slot whose race number is below 1 or whose key is blank is not searched; a copy whose race has no
// record (or whose file is missing) keeps what it held. A line of the wrong length is skipped and noted.
// folder: the day's Data folder listing, when the caller has one. Only the files up to ".jvO<kinds>" are read.
void ReadOddsRecords(RaceDay& day, std::span<const int> slots, ReadNotes* notes, FolderIndex* folder = nullptr,
                     int kinds = 6);

// Recomputes every odds, popularity and ratio array of the slot's race from its record copies. Every
// popularity is the record's own; win and place popularity are ranked from the odds only for a record
// that does not give one to each ranked runner. With deferTriples the trio and trifecta arrays are only
// marked pending, for EnsureTripleOdds.
void DecodeRaceOdds(RaceDay& day, int slot, bool deferTriples = false);

// Decodes the slot's trio and trifecta arrays from its O5/O6 record copies when they are pending. Every
// reader of SRFOz, SRFNinki, SRTOz or SRTNinki of a loaded day calls this first.
void EnsureTripleOdds(const RaceDay& day, int slot);

// One combination's odds and popularity of the slot's trio (record 5) or trifecta (record 6) block:
// from the arrays once decoded, straight from the record while the block is pending. A table of a few
// dozen combinations (the backtest builds thousands) needs no decoding of the other 4,896.
struct OddsEntry {
    double odds = kOddsAbsent;
    int ninki = 0;
};
OddsEntry TripleOddsEntry(const RaceDay& day, int slot, int record, int ordinal);

// The odds reader for the slot in day.OzRace: ReadOddsRecords for that slot, then DecodeRaceOdds.
void OzReadBtnClick(RaceDay& day, ReadNotes* notes = nullptr);

} // namespace solvane
