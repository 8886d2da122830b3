// One race day as the feed writers see it: its races with their final markets, odds and payouts,
// its meeting changes, and the sink the files go to.
#pragma once

#include "feedgen/Feed.h"
#include "feedgen/Model.h"
#include "feedgen/Odds.h"
#include "feedgen/RaceModel.h"
#include "util/Files.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace solvane::feedgen {

struct TcChange {
    std::size_t race = 0; // index into races
    int announced = 0;    // minute of the day
    int before = 0, after = 0;
};

struct BuiltDay {
    RaceDay day;
    std::vector<VenueWeather> weather; // parallel to day.plan.venues
    std::vector<Market> markets;       // final markets, parallel to day.races
    std::vector<std::unique_ptr<OddsTable>> finals;
    std::vector<Payouts> pays;
    std::vector<TcChange> changes;
    bool realtime = false; // snapshots are written for this day
    bool series = false;   // a run day without real-time data that gets the time-series files
    bool shuffleChanges = false;
};

// Writes files below the feed folder and counts them. The files of a day get their names together at
// commit(), after one wait for the disk: waited for one by one (twice a file), they took three quarters
// of the time a season takes to generate.
class Sink {
public:
    Sink(std::filesystem::path root, FeedStats* stats) : root_(std::move(root)), stats_(stats) {}
    bool write(const std::filesystem::path& relative, const std::string& bytes);
    // The files written since the last commit, given their names.
    bool commit();
    const std::string& error() const { return error_; }
    const std::filesystem::path& root() const { return root_; }

private:
    std::filesystem::path root_;
    FeedStats* stats_;
    ReplaceBatch batch_;
    std::string error_;
};

BuiltDay BuildDay(const RaceDayPlan& plan, const FeedOptions& options);
bool WriteStored(const BuiltDay& d, Sink& sink);
bool WriteRealtime(const BuiltDay& d, const FeedOptions& options, Sink& sink);
// The time-series files alone: each race's odds 30, 10, 5 and 2 minutes before the post, then the final odds.
bool WriteSeries(const BuiltDay& d, Sink& sink);
bool WriteSiblings(const BuiltDay& d, Sink& sink);
void AddStats(const BuiltDay& d, FeedStats& stats);

// Records shared by the stored and the real-time writers.
void AppendDM(std::string& out, const Race& r, char kind, const DateTime& made, int minute);
void AppendTM(std::string& out, const Race& r, char kind, const DateTime& made, int minute);
void AppendWF(std::string& out, const BuiltDay& d, char kind, const DateTime& made);

inline std::string Hhmmss(int minute)
{
    // Times never pass midnight: a live day that runs late keeps its last snapshots at 23:59.
    const int m = minute < 0 ? 0 : (minute > 23 * 60 + 59 ? 23 * 60 + 59 : minute);
    std::string s(6, '0');
    s[0] = static_cast<char>('0' + m / 600 % 10);
    s[1] = static_cast<char>('0' + m / 60 % 10);
    s[2] = static_cast<char>('0' + m % 60 / 10);
    s[3] = static_cast<char>('0' + m % 10);
    return s;
}

} // namespace solvane::feedgen
