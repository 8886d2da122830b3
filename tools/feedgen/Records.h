// JV-Data records of the generated season, each appended to an output buffer at its published
// length with its CR LF, fields at their published positions.
#pragma once

#include "feedgen/Model.h"
#include "feedgen/Odds.h"
#include "feedgen/RaceModel.h"

#include <string>
#include <string_view>

namespace solvane::feedgen {

inline constexpr std::size_t kLenRA = 1272, kLenSE = 555, kLenHR = 719, kLenO1 = 962, kLenO2 = 2042, kLenO3 = 2654,
                             kLenO4 = 4031, kLenO5 = 12293, kLenO6 = 83285, kLenWF = 7215, kLenTM = 141, kLenDM = 303,
                             kLenWE = 42, kLenTC = 45;

// Published length of a record type ("RA", "O6" ...), 0 for a type the generator does not know.
std::size_t RecordLength(std::string_view type);

// One record under construction inside an output buffer: blanks, then CR LF.
class RecordWriter {
public:
    RecordWriter(std::string& out, std::size_t length);
    void text(std::size_t pos, std::string_view s);
    void num(std::size_t pos, std::size_t len, long long value); // zero-padded, clamped to all 9s
    void fill(std::size_t pos, std::size_t len, char c);
    void header(std::string_view type, char kind, const DateTime& made, std::string_view key);

private:
    char* at(std::size_t pos) { return out_.data() + base_ + pos - 1; }
    std::string& out_;
    std::size_t base_;
    std::size_t length_;
};

// withResults: placings, times, final odds (the race has been run).
void AppendRA(std::string& out, const Race& r, char kind, const DateTime& made, bool withResults);
void AppendSE(std::string& out, const Race& r, int horse, char kind, const DateTime& made, bool withResults,
              const OddsTable* finalOdds);
void AppendHR(std::string& out, const Race& r, const Market& m, const Payouts& p, char kind, const DateTime& made);
// O1..O6; happyo is the announcement time MMDDhhmm, "00000000" for final odds.
void AppendOdds(std::string& out, const Race& r, const OddsTable& o, char kind, const DateTime& made,
                std::string_view happyo, int which = 0 /* 0 all, 1..6 one type */);

} // namespace solvane::feedgen
