// Real-time snapshots of one race day: what JVRTOpen returns at each moment of the day.
#include "feedgen/DayBuild.h"
#include "feedgen/Records.h"
#include "feedgen/Rng.h"
#include "util/Text.h"

#include <algorithm>
#include <map>

namespace solvane::feedgen {

namespace {

namespace fs = std::filesystem;

// Minutes before the post at which intermediate odds are announced.
constexpr int kOddsTimes[] = {180, 120, 90, 60, 45, 30, 20, 10, 5, 2};
// The announcements kept for the time-series files of run days without real-time data: what a bettor
// looks at in the last half hour, at half the bytes of every announcement.
constexpr int kSeriesTimes[] = {30, 10, 5, 2};
constexpr int kFinalAfter = 1;   // sales close: final odds
constexpr int kResultAfter = 12; // result confirmed: confirmed odds, results, payouts

std::string Mmddhhmm(const DateTime& d, int minute)
{
    return strprintf("%02d%02d", d.month, d.day) + Hhmmss(minute).substr(0, 4);
}

// The six odds records announced `before` minutes before the post, appended to buf.
void AppendAnnounced(std::string& buf, const Race& r, int before, const DateTime& date, OddsTable& table)
{
    const Market m = BuildMarket(r, MarketChances(r, before));
    // The pools grow toward the post.
    FillOdds(m, r.poolScale * (1.0 - before / 200.0), table);
    AppendOdds(buf, r, table, '1', date, Mmddhhmm(date, r.postActual - before));
}

using Series = std::array<std::string, 6>; // a race's announcements per odds type, one record a line

// Adds one snapshot (the six records of AppendOdds) to the series of each odds type.
void AddToSeries(Series& series, const std::string& snapshot)
{
    static constexpr std::size_t kLens[6] = {kLenO1, kLenO2, kLenO3, kLenO4, kLenO5, kLenO6};
    std::size_t at = 0;
    for (int k = 0; k < 6; ++k) {
        series[U(k)].append(snapshot, at, kLens[k]);
        at += kLens[k];
    }
}

// jikeiretu/<yyyymmdd>/<JJKKHHRR>.jvO1 .. .jvO6, as the time-series viewer keeps them.
bool WriteSeriesFiles(const DateTime& date, const Race& r, const Series& series, Sink& sink)
{
    static constexpr const char* kExt[6] = {".jvO1", ".jvO2", ".jvO3", ".jvO4", ".jvO5", ".jvO6"};
    for (int k = 0; k < 6; ++k)
        if (!series[U(k)].empty() &&
            !sink.write(fs::path("jikeiretu") / date.yyyymmdd() / (r.key.substr(8, 8) + kExt[k]), series[U(k)]))
            return false;
    return true;
}

bool WriteOdds(const BuiltDay& d, const FeedOptions& o, Sink& sink)
{
    const DateTime& date = d.day.plan.date;
    const int earliest = d.day.live ? 0 : 8 * 60;
    std::string buf;
    for (std::size_t i = 0; i < d.day.races.size(); ++i) {
        const Race& r = d.day.races[i];
        const fs::path dir = fs::path("RT") / "0B30" / r.key;
        Series series;
        OddsTable table;
        for (int before : kOddsTimes) {
            const int t = r.postActual - before;
            if (t < earliest)
                continue;
            buf.clear();
            buf.reserve(kLenO1 + kLenO2 + kLenO3 + kLenO4 + kLenO5 + kLenO6);
            AppendAnnounced(buf, r, before, date, table);
            if (!sink.write(dir / (Hhmmss(t) + ".txt"), buf))
                return false;
            if (o.siblings)
                AddToSeries(series, buf);
        }
        buf.clear();
        AppendOdds(buf, r, *d.finals[i], '3', date, "00000000");
        if (!sink.write(dir / (Hhmmss(r.postActual + kFinalAfter) + ".txt"), buf))
            return false;
        buf.clear();
        AppendOdds(buf, r, *d.finals[i], '4', date, "00000000");
        if (!sink.write(dir / (Hhmmss(r.postActual + kResultAfter) + ".txt"), buf))
            return false;
        if (o.siblings && !WriteSeriesFiles(date, r, series, sink))
            return false;
    }
    return true;
}

// 0B12: at each result, the race details, runners and payouts of every race run so far.
bool WriteResults(const BuiltDay& d, Sink& sink)
{
    const DateTime& date = d.day.plan.date;
    std::vector<std::string> blocks(d.day.races.size());
    std::vector<std::pair<int, std::size_t>> byTime;
    for (std::size_t i = 0; i < d.day.races.size(); ++i) {
        const Race& r = d.day.races[i];
        AppendRA(blocks[i], r, '5', date, true);
        for (int h = 1; h <= r.registered; ++h)
            AppendSE(blocks[i], r, h, '5', date, true, d.finals[i].get());
        AppendHR(blocks[i], r, d.markets[i], d.pays[i], '1', date);
        byTime.push_back({r.postActual + kResultAfter, i});
    }
    std::sort(byTime.begin(), byTime.end());
    std::vector<bool> done(d.day.races.size());
    std::string buf;
    for (std::size_t k = 0; k < byTime.size(); ++k) {
        done[byTime[k].second] = true;
        if (k + 1 < byTime.size() && byTime[k + 1].first == byTime[k].first)
            continue; // one snapshot for results confirmed at the same minute
        buf.clear();
        for (std::size_t i = 0; i < blocks.size(); ++i)
            if (done[i])
                buf += blocks[i];
        if (!sink.write(std::filesystem::path("RT") / "0B12" / date.yyyymmdd() / (Hhmmss(byTime[k].first) + ".txt"),
                        buf))
            return false;
    }
    return true;
}

// 0B13 and 0B17: the day's forecasts in the morning, each race's last forecast shortly before it.
bool WriteMining(const BuiltDay& d, Sink& sink)
{
    const DateTime& date = d.day.plan.date;
    const int morning = d.day.live ? 0 : 8 * 60 + 45;
    std::vector<int> times = {morning};
    for (const Race& r : d.day.races)
        times.push_back(std::max(morning, r.postActual - 15));
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    std::string dm, tm;
    for (int t : times) {
        dm.clear();
        tm.clear();
        for (const Race& r : d.day.races) {
            const bool late = r.postActual - 15 <= t;
            AppendDM(dm, r, late ? '3' : '2', date, late ? r.postActual - 15 : morning);
            AppendTM(tm, r, late ? '3' : '2', date, late ? r.postActual - 15 : morning);
        }
        if (!sink.write(std::filesystem::path("RT") / "0B13" / date.yyyymmdd() / (Hhmmss(t) + ".txt"), dm) ||
            !sink.write(std::filesystem::path("RT") / "0B17" / date.yyyymmdd() / (Hhmmss(t) + ".txt"), tm))
            return false;
    }
    return true;
}

struct ChangeEvent {
    int minute;
    bool tc;
    std::string record;
};

// 0B14: every meeting change of the day so far, starting with each venue's first report.
bool WriteChanges(const BuiltDay& d, Sink& sink)
{
    const DateTime& date = d.day.plan.date;
    std::vector<ChangeEvent> events;
    const int first = d.day.live ? 0 : 8 * 60;
    for (std::size_t v = 0; v < d.day.plan.venues.size(); ++v) {
        const VenueDay& vd = d.day.plan.venues[v];
        const VenueWeather& w = d.weather[v];
        const std::string id = date.yyyymmdd() + strprintf("%02d%02d%02d", vd.venue, vd.kai, vd.nichi);
        auto we = [&](int minute, int kind, int wx, int tf, int dt, int bwx, int btf, int bdt) {
            std::string rec;
            RecordWriter r(rec, kLenWE);
            r.header("WE", '1', date, id);
            r.text(26, Mmddhhmm(date, minute));
            r.num(34, 1, kind);
            r.num(35, 1, wx);
            r.num(36, 1, tf);
            r.num(37, 1, dt);
            r.num(38, 1, bwx);
            r.num(39, 1, btf);
            r.num(40, 1, bdt);
            events.push_back({minute, false, rec});
        };
        we(first, 1, w.weather, w.turf, w.dirt, 0, 0, 0);
        if (w.changeAt >= first) {
            if (w.kind == 2)
                we(w.changeAt, 2, w.weather2, 0, 0, w.weather, 0, 0);
            else
                we(w.changeAt, 3, 0, w.turf2, w.dirt2, 0, w.turf, w.dirt);
        }
    }
    for (const TcChange& c : d.changes) {
        const Race& r = d.day.races[c.race];
        std::string rec;
        RecordWriter w(rec, kLenTC);
        w.header("TC", '1', date, r.key);
        w.text(28, Mmddhhmm(date, c.announced));
        w.text(36, Hhmmss(c.after).substr(0, 4));
        w.text(40, Hhmmss(c.before).substr(0, 4));
        events.push_back({c.announced, true, rec});
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const ChangeEvent& a, const ChangeEvent& b) { return a.minute < b.minute; });
    std::string buf;
    for (std::size_t k = 0; k < events.size(); ++k) {
        if (k + 1 < events.size() && events[k + 1].minute == events[k].minute)
            continue;
        // Some days list the post-time changes newest first, as the service sometimes does.
        buf.clear();
        std::vector<const ChangeEvent*> list;
        for (std::size_t i = 0; i <= k; ++i)
            list.push_back(&events[i]);
        if (d.shuffleChanges)
            std::stable_sort(list.begin(), list.end(), [](const ChangeEvent* a, const ChangeEvent* b) {
                return a->tc && b->tc ? a->minute > b->minute : (a->tc != b->tc ? !a->tc : false);
            });
        for (const ChangeEvent* e : list)
            buf += e->record;
        if (!sink.write(std::filesystem::path("RT") / "0B14" / date.yyyymmdd() / (Hhmmss(events[k].minute) + ".txt"),
                        buf))
            return false;
    }
    return true;
}

} // namespace

bool WriteRealtime(const BuiltDay& d, const FeedOptions& o, Sink& sink)
{
    return WriteOdds(d, o, sink) && WriteResults(d, sink) && WriteMining(d, sink) && WriteChanges(d, sink);
}

bool WriteSeries(const BuiltDay& d, Sink& sink)
{
    const DateTime& date = d.day.plan.date;
    std::string buf;
    OddsTable table;
    for (std::size_t i = 0; i < d.day.races.size(); ++i) {
        const Race& r = d.day.races[i];
        Series series;
        for (int before : kSeriesTimes) {
            buf.clear();
            AppendAnnounced(buf, r, before, date, table);
            AddToSeries(series, buf);
        }
        // The final odds close the file, announced as JV-Link announces them ("00000000"): a reader going by
        // the announcement time passes over them, one replaying the race finds them last.
        buf.clear();
        AppendOdds(buf, r, *d.finals[i], '3', date, "00000000");
        AddToSeries(series, buf);
        if (!WriteSeriesFiles(date, r, series, sink))
            return false;
    }
    return true;
}

} // namespace solvane::feedgen
