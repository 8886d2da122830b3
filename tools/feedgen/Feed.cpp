#include "feedgen/Feed.h"

#include "feedgen/Calendar.h"
#include "feedgen/DayBuild.h"
#include "feedgen/Records.h"
#include "feedgen/Rng.h"
#include "util/Files.h"
#include "util/Text.h"

#include <algorithm>
#include <cmath>

namespace solvane::feedgen {

namespace {

// Post times of the live day: from about twenty minutes from now, as far apart as the evening
// allows.
void SetLivePostTimes(RaceDay& day, int nowMinute)
{
    const int start = (nowMinute + 20 + 4) / 5 * 5;
    const int last = 23 * 60 + 50;
    int interval = std::clamp((last - start - 20) / 11, 3, 30);
    const int stagger = std::max(1, std::min(10, interval / 3));
    for (Race& r : day.races) {
        const int t = start + (r.raceNo - 1) * interval + r.vd.order * stagger;
        r.postPlanned = r.postActual = std::min(t, 23 * 60 + 59);
    }
}

std::string DayStamp(const DateTime& d, int hour, int minute, int second)
{
    return DateTime{d.year, d.month, d.day, hour, minute, second}.yyyymmddhhnnss();
}

} // namespace

bool Sink::write(const std::filesystem::path& relative, const std::string& bytes)
{
    const auto path = root_ / relative;
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (!batch_.add(path, bytes, &error_)) {
        error_ = pathToUtf8(relative) + ": " + error_;
        return false;
    }
    if (stats_) {
        if (relative.begin() != relative.end() && *relative.begin() == "RT")
            ++stats_->rtSnapshots;
        ++stats_->files;
        stats_->bytes += static_cast<long long>(bytes.size());
    }
    return true;
}

bool Sink::commit()
{
    return batch_.commit(&error_);
}

BuiltDay BuildDay(const RaceDayPlan& plan, const FeedOptions& o)
{
    BuiltDay d;
    d.day.plan = plan;
    std::sort(d.day.plan.venues.begin(), d.day.plan.venues.end(),
              [](const VenueDay& a, const VenueDay& b) { return a.venue < b.venue; });
    const long long today = o.now.toDays();
    const long long day = plan.date.toDays();
    d.day.run = day < today;
    d.day.live = o.liveToday && day == today;
    d.realtime = !d.day.run || day >= today - o.rtDays;
    d.series = !d.realtime && o.siblings && day >= today - static_cast<long long>(o.seriesDays);
    for (const VenueDay& vd : d.day.plan.venues) {
        d.weather.push_back(DrawVenueWeather(d.day.plan, vd, o.seed));
        for (int r = 1; r <= 12; ++r)
            d.day.races.push_back(GenerateRace(d.day.plan, vd, r, d.weather.back(), o.seed));
    }
    if (d.day.live)
        SetLivePostTimes(d.day, o.now.hour * 60 + o.now.minute);

    // Post-time changes: a few races a day start late.
    Rng rng(MixSeed(o.seed, static_cast<std::uint64_t>(day) * 7 + 3));
    const int changes = rng.weighted(std::array<double, 3>{55, 32, 13});
    for (int i = 0; i < changes; ++i) {
        const std::size_t idx = static_cast<std::size_t>(rng.below(static_cast<int>(d.day.races.size())));
        Race& r = d.day.races[idx];
        if (r.postActual != r.postPlanned)
            continue;
        TcChange c;
        c.race = idx;
        c.before = r.postPlanned;
        c.after = r.postPlanned + (rng.chance(0.7) ? 5 : 10);
        c.announced = std::max(0, r.postPlanned - rng.range(8, 40));
        r.postActual = c.after;
        d.changes.push_back(c);
    }
    d.shuffleChanges = rng.chance(0.4);

    d.markets.reserve(d.day.races.size());
    for (const Race& r : d.day.races) {
        d.markets.push_back(BuildMarket(r, MarketChances(r, 0)));
        d.finals.push_back(std::make_unique<OddsTable>());
        FillOdds(d.markets.back(), r.poolScale, *d.finals.back());
        d.pays.push_back(ComputePayouts(r, d.markets.back(), *d.finals.back()));
    }
    return d;
}

void AppendDM(std::string& out, const Race& r, char kind, const DateTime& made, int minute)
{
    RecordWriter w(out, kLenDM);
    w.header("DM", kind, made, r.key);
    w.text(28, Hhmmss(minute).substr(0, 4));
    for (int h = 1; h <= r.registered; ++h) {
        const Runner& u = r.runners[U(h)];
        if (u.scratched)
            continue;
        const std::size_t p = 32 + 15 * U(h - 1);
        w.num(p, 2, h);
        w.text(p + 2, strprintf("%d%04d", u.dmTime / 6000, u.dmTime % 6000));
        w.num(p + 7, 4, u.dmErr);
        w.num(p + 11, 4, u.dmErr + 20);
    }
}

void AppendTM(std::string& out, const Race& r, char kind, const DateTime& made, int minute)
{
    RecordWriter w(out, kLenTM);
    w.header("TM", kind, made, r.key);
    w.text(28, Hhmmss(minute).substr(0, 4));
    for (int h = 1; h <= r.registered; ++h) {
        const Runner& u = r.runners[U(h)];
        if (u.scratched)
            continue;
        const std::size_t p = 32 + 6 * U(h - 1);
        w.num(p, 2, h);
        w.num(p + 2, 4, u.tmScore);
    }
}

void AppendWF(std::string& out, const BuiltDay& d, char kind, const DateTime& made)
{
    RecordWriter w(out, kLenWF);
    w.header("WF", kind, made, d.day.plan.date.yyyymmdd());
    // The five legs: the last special races of the day in post-time order.
    std::vector<std::size_t> legs;
    for (std::size_t i = 0; i < d.day.races.size(); ++i)
        if (d.day.races[i].raceNo >= 9)
            legs.push_back(i);
    std::sort(legs.begin(), legs.end(),
              [&](std::size_t a, std::size_t b) { return d.day.races[a].postPlanned > d.day.races[b].postPlanned; });
    legs.resize(std::min<std::size_t>(5, legs.size()));
    std::sort(legs.begin(), legs.end(),
              [&](std::size_t a, std::size_t b) { return d.day.races[a].postPlanned < d.day.races[b].postPlanned; });
    w.text(20, "00");
    for (std::size_t i = 0; i < legs.size(); ++i) {
        const Race& r = d.day.races[legs[i]];
        w.text(22 + 8 * i, r.key.substr(8, 8));
    }
    w.fill(62, 6, '0');
    const long long sold = 4000000 + static_cast<long long>(d.day.plan.date.toDays() % 97) * 30000;
    const bool result = kind == '7' || kind == '3';
    w.num(68, 11, result ? sold : 0);
    for (int i = 0; i < 5; ++i)
        w.num(79 + 11 * U(i), 11, result ? sold / (1 + 3 * i * i) : 0);
    w.text(134, "000");
    w.fill(137, 30, '0');
    if (result && legs.size() == 5) {
        double p = 1;
        std::string kumi;
        for (std::size_t leg : legs) {
            const Race& r = d.day.races[leg];
            const int winner = r.order.empty() ? 0 : r.order.front();
            p *= std::max(1e-6, d.markets[leg].q[U(winner)]);
            kumi += strprintf("%02d", winner);
        }
        const long long pay = std::min<long long>(600000000, static_cast<long long>(0.7 / p) * 100 / 10 * 10);
        w.text(167, kumi);
        w.num(177, 9, pay);
        w.num(186, 10,
              std::max<long long>(1, static_cast<long long>(sold * 0.7 * 100 / std::max<long long>(pay, 100))));
    }
}

bool WriteStored(const BuiltDay& d, Sink& sink)
{
    const DateTime& date = d.day.plan.date;
    const std::string ymd = date.yyyymmdd();
    std::string ra, se, hr, wf, dm, tm;
    // The odds buffers are reused from day to day: a day of trifecta odds is a few megabytes.
    static thread_local std::array<std::string, 6> odds;
    static constexpr std::size_t kLens[6] = {kLenO1, kLenO2, kLenO3, kLenO4, kLenO5, kLenO6};
    for (int k = 0; k < 6; ++k) {
        odds[U(k)].clear();
        odds[U(k)].reserve(d.day.races.size() * kLens[k]);
    }
    se.reserve(d.day.races.size() * 18 * kLenSE);
    ra.reserve(d.day.races.size() * kLenRA);
    hr.reserve(d.day.races.size() * kLenHR);
    if (d.day.run) {
        // Confirmed results, published the evening of the race day.
        for (std::size_t i = 0; i < d.day.races.size(); ++i) {
            const Race& r = d.day.races[i];
            AppendRA(ra, r, '7', date, true);
            for (int h = 1; h <= r.registered; ++h)
                AppendSE(se, r, h, '7', date, true, d.finals[i].get());
            AppendHR(hr, r, d.markets[i], d.pays[i], '2', date);
            for (int k = 0; k < 6; ++k)
                AppendOdds(odds[U(k)], r, *d.finals[i], '4', date, "00000000", k + 1);
            AppendDM(dm, r, '7', date, r.postActual - 30);
            AppendTM(tm, r, '7', date, r.postActual - 30);
        }
        AppendWF(wf, d, '7', date);
        static constexpr const char* kOdds[6] = {"O1", "O2", "O3", "O4", "O5", "O6"};
        bool ok = sink.write(std::filesystem::path("RACE") / (DayStamp(date, 18, 0, 0) + "_RA" + ymd), ra) &&
                  sink.write(std::filesystem::path("RACE") / (DayStamp(date, 18, 0, 1) + "_SE" + ymd), se) &&
                  sink.write(std::filesystem::path("RACE") / (DayStamp(date, 18, 0, 2) + "_HR" + ymd), hr) &&
                  sink.write(std::filesystem::path("RACE") / (DayStamp(date, 18, 0, 3) + "_WF" + ymd), wf) &&
                  sink.write(std::filesystem::path("MING") / (DayStamp(date, 18, 30, 0) + "_DM" + ymd), dm) &&
                  sink.write(std::filesystem::path("MING") / (DayStamp(date, 18, 30, 1) + "_TM" + ymd), tm);
        for (int k = 0; ok && k < 6; ++k)
            ok = sink.write(std::filesystem::path("RACE") / (DayStamp(date, 18, 10, k) + "_" + kOdds[k] + ymd),
                            odds[U(k)]);
        return ok;
    }
    // Cards, published on the Friday before (or the day before when that is later); the mining
    // forecast of the eve.
    const int wd = date.weekday();
    const int back = std::max(1, (wd - 5 + 7) % 7);
    const DateTime cardDay = date.addDays(-back);
    const DateTime eve = date.addDays(-1);
    for (const Race& r : d.day.races) {
        AppendRA(ra, r, '2', cardDay, false);
        for (int h = 1; h <= r.registered; ++h)
            AppendSE(se, r, h, '2', cardDay, false, nullptr);
        AppendDM(dm, r, '1', eve, 18 * 60);
        AppendTM(tm, r, '1', eve, 18 * 60);
    }
    AppendWF(wf, d, '1', cardDay);
    return sink.write(std::filesystem::path("RACE") / (DayStamp(cardDay, 17, 0, 0) + "_RA" + ymd), ra) &&
           sink.write(std::filesystem::path("RACE") / (DayStamp(cardDay, 17, 0, 1) + "_SE" + ymd), se) &&
           sink.write(std::filesystem::path("RACE") / (DayStamp(cardDay, 17, 0, 2) + "_WF" + ymd), wf) &&
           sink.write(std::filesystem::path("MING") / (DayStamp(eve, 18, 0, 0) + "_DM" + ymd), dm) &&
           sink.write(std::filesystem::path("MING") / (DayStamp(eve, 18, 0, 1) + "_TM" + ymd), tm);
}

bool GenerateFeed(const FeedOptions& o, FeedStats* stats, std::string* error)
{
    FeedStats local;
    FeedStats& st = stats ? *stats : local;
    // The folders this generator owns are rewritten whole, so no stale file survives a rerun.
    std::error_code ec;
    for (const char* sub : {"RACE", "MING", "RT", "harunire", "paste", "jikeiretu"})
        std::filesystem::remove_all(o.out / sub, ec);
    std::filesystem::create_directories(o.out, ec);
    if (ec) {
        if (error)
            *error = "cannot create " + pathToUtf8(o.out) + ": " + ec.message();
        return false;
    }
    Sink sink(o.out, &st);
    DateTime to = o.to;
    if (o.liveToday && to.toDays() < o.now.toDays())
        to = o.now.date();
    auto plans = BuildCalendar(o.from, to);
    if (o.liveToday) {
        const long long today = o.now.toDays();
        const bool listed =
            std::any_of(plans.begin(), plans.end(), [&](const RaceDayPlan& p) { return p.date.toDays() == today; });
        if (!listed) {
            plans.push_back(ExtraDayPlan(o.now.date()));
            std::sort(plans.begin(), plans.end(),
                      [](const RaceDayPlan& a, const RaceDayPlan& b) { return a.date.toDays() < b.date.toDays(); });
        }
    }
    for (const RaceDayPlan& plan : plans) {
        const BuiltDay d = BuildDay(plan, o);
        AddStats(d, st);
        bool ok = WriteStored(d, sink);
        if (ok && d.realtime)
            ok = WriteRealtime(d, o, sink);
        if (ok && d.series)
            ok = WriteSeries(d, sink);
        if (ok && o.siblings)
            ok = WriteSiblings(d, sink);
        if (ok)
            ok = sink.commit();
        if (!ok) {
            if (error)
                *error = sink.error();
            return false;
        }
    }
    return true;
}

} // namespace solvane::feedgen
