#include "feedgen/Check.h"

#include "feedgen/ComboTables.h"
#include "feedgen/Records.h"
#include "jvdata/Combo.h"
#include "util/Clock.h"
#include "util/Files.h"
#include "util/Text.h"

#include <algorithm>
#include <cstring>

namespace solvane::feedgen {

namespace {

namespace fs = std::filesystem;

bool AllDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool AllOf(std::string_view s, char c)
{
    return std::all_of(s.begin(), s.end(), [c](char x) { return x == c; });
}

bool ValidDate(std::string_view ymd)
{
    if (ymd.size() != 8 || !AllDigits(ymd))
        return false;
    return isValidDate(static_cast<int>(toIntDef(ymd.substr(0, 4), 0)), static_cast<int>(toIntDef(ymd.substr(4, 2), 0)),
                       static_cast<int>(toIntDef(ymd.substr(6, 2), 0)));
}

// An odds or popularity text: digits, a cancel marker, or blanks.
bool ValidOddsText(std::string_view s)
{
    return AllDigits(s) || AllOf(s, '-') || AllOf(s, '*') || AllOf(s, ' ');
}

std::string Two(int v)
{
    return {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
}

// Combination texts of every slot, built once: the checker compares millions of them.
struct KumiTexts {
    std::vector<std::string> win, wr, pair, ut, srf, srt;
    KumiTexts()
    {
        const ComboTables& T = Combos();
        win.resize(29);
        for (int h = 1; h <= 28; ++h)
            win[U(h)] = Two(h);
        wr.resize(kWrSlots + 1);
        for (int s = 1; s <= kWrSlots; ++s)
            wr[U(s)] = std::string{char('0' + T.wr[U(s)][0]), char('0' + T.wr[U(s)][1])};
        pair.resize(kPairSlots + 1);
        for (int s = 1; s <= kPairSlots; ++s)
            pair[U(s)] = Two(T.pair[U(s)][0]) + Two(T.pair[U(s)][1]);
        ut.resize(kUtSlots + 1);
        for (int s = 1; s <= kUtSlots; ++s)
            ut[U(s)] = Two(T.ut[U(s)][0]) + Two(T.ut[U(s)][1]);
        srf.resize(kSrfSlots + 1);
        for (int s = 1; s <= kSrfSlots; ++s)
            srf[U(s)] = Two(T.srf[U(s)][0]) + Two(T.srf[U(s)][1]) + Two(T.srf[U(s)][2]);
        srt.resize(kSrtSlots + 1);
        for (int s = 1; s <= kSrtSlots; ++s)
            srt[U(s)] = Two(T.srt[U(s)][0]) + Two(T.srt[U(s)][1]) + Two(T.srt[U(s)][2]);
    }
};

const KumiTexts& Kumi()
{
    static const KumiTexts texts;
    return texts;
}

class Checker {
public:
    Checker(const std::string& name, CheckReport& report, std::size_t max) : name_(name), r_(report), max_(max) {}

    void problem(long long index, const std::string& what)
    {
        ++r_.problemCount;
        if (r_.problems.size() < max_)
            r_.problems.push_back(name_ + ": record " + std::to_string(index) + ": " + what);
    }

    void record(long long index, std::string_view rec)
    {
        const std::string type(rec.substr(0, 2));
        const std::size_t len = RecordLength(type);
        ++r_.records;
        ++r_.perType[type];
        if (len == 0)
            return problem(index, "unknown record type \"" + type + "\"");
        if (rec.size() != len)
            return problem(index,
                           type + " is " + std::to_string(rec.size()) + " bytes, expected " + std::to_string(len));
        if (rec.substr(len - 2) != "\r\n")
            return problem(index, "no CR LF at the end");
        if (rec.find_first_of("\r\n") != len - 2)
            return problem(index, "line end inside the record");
        const char kind = rec[2];
        static const std::map<std::string, std::string> kKinds = {
            {"RA", "1234567AB90"}, {"SE", "1234567AB90"}, {"HR", "1290"},    {"O1", "1234590"}, {"O2", "1234590"},
            {"O3", "1234590"},     {"O4", "1234590"},     {"O5", "1234590"}, {"O6", "1234590"}, {"WF", "123790"},
            {"TM", "12370"},       {"DM", "12370"},       {"WE", "1"},       {"TC", "1"}};
        if (kKinds.at(type).find(kind) == std::string::npos)
            problem(index, type + " data kind '" + std::string(1, kind) + "' is not valid");
        if (!ValidDate(rec.substr(3, 8)))
            problem(index, "creation date is not a date");
        if (type == "WF") {
            if (!ValidDate(rec.substr(11, 8)))
                problem(index, "WF meeting date is not a date");
        } else {
            const std::size_t keyLen = type == "WE" ? 14 : 16;
            const std::string_view key = rec.substr(11, keyLen);
            if (!AllDigits(key) || !ValidDate(key.substr(0, 8)))
                problem(index, "race key is not digits with a date");
            const int venue = static_cast<int>(toIntDef(key.substr(8, 2), 0));
            if (venue < 1 || venue > 10)
                problem(index, "venue code " + std::string(key.substr(8, 2)) + " is not a JRA venue");
            if (keyLen == 16) {
                const int race = static_cast<int>(toIntDef(key.substr(14, 2), 0));
                if (race < 1 || race > 12)
                    problem(index, "race number out of range");
            }
        }
        if (type[0] == 'O')
            odds(index, rec, type[1] - '0');
        else if (type == "HR")
            payouts(index, rec);
        else if (type == "SE") {
            const int h = static_cast<int>(toIntDef(rec.substr(28, 2), 0));
            const int b = rec[27] - '0';
            if (h < 1 || h > 18 || b < 1 || b > 8)
                problem(index, "SE bracket or horse number out of range");
        }
    }

private:
    // Slot k holds the k-th combination of the 18-horse enumeration, or blanks throughout.
    void slot(long long index, std::string_view rec, std::size_t pos, std::size_t kumiLen, std::string_view expected,
              std::initializer_list<std::size_t> widths, bool possible, const char* what, int k)
    {
        const std::string_view kumi = rec.substr(pos - 1, kumiLen);
        std::size_t at = pos - 1 + kumiLen;
        if (AllOf(kumi, ' ')) {
            for (std::size_t w : widths) {
                if (!AllOf(rec.substr(at, w), ' '))
                    return problem(index, std::string(what) + " slot " + std::to_string(k) +
                                              " has odds without a combination");
                at += w;
            }
            if (possible)
                problem(index,
                        std::string(what) + " slot " + std::to_string(k) + " is blank for a possible combination");
            return;
        }
        if (kumi != expected)
            return problem(index, std::string(what) + " slot " + std::to_string(k) + " holds \"" + std::string(kumi) +
                                      "\", expected \"" + std::string(expected) + "\"");
        if (!possible)
            problem(index, std::string(what) + " slot " + std::to_string(k) + " filled beyond the runners");
        for (std::size_t w : widths) {
            if (!ValidOddsText(rec.substr(at, w)))
                return problem(index, std::string(what) + " slot " + std::to_string(k) + " has a bad odds text");
            at += w;
        }
    }

    void odds(long long index, std::string_view rec, int which)
    {
        const ComboTables& T = Combos();
        const KumiTexts& K = Kumi();
        const std::string_view happyo = rec.substr(27, 8);
        if (!AllDigits(happyo))
            problem(index, "announcement time is not digits");
        const int n = static_cast<int>(toIntDef(rec.substr(35, 2), -1));
        const int starters = static_cast<int>(toIntDef(rec.substr(37, 2), -1));
        if (n < 1 || n > 18 || starters < 0 || starters > n)
            return problem(index, "runner counts out of range");
        switch (which) {
        case 1: {
            const bool placeSold = rec[40] != '0', wrSold = rec[41] != '0';
            for (int h = 1; h <= 28; ++h) {
                slot(index, rec, 44 + 8 * U(h - 1), 2, K.win[U(h)], {4, 2}, h <= n, "win", h);
                slot(index, rec, 268 + 12 * U(h - 1), 2, K.win[U(h)], {4, 4, 2}, placeSold && h <= n, "place", h);
            }
            std::array<int, 9> regs{};
            for (int h = 1; h <= n; ++h)
                ++regs[U(BracketOf(n, h))];
            for (int s = 1; s <= kWrSlots; ++s) {
                const int a = T.wr[U(s)][0], b = T.wr[U(s)][1];
                const bool exists = a == b ? regs[U(a)] >= 2 : regs[U(a)] >= 1 && regs[U(b)] >= 1;
                slot(index, rec, 604 + 9 * U(s - 1), 2, K.wr[U(s)], {5, 2}, wrSold && exists, "bracket quinella", s);
            }
            break;
        }
        case 2:
        case 3:
            for (int s = 1; s <= kPairSlots; ++s) {
                const int b = T.pair[U(s)][1];
                if (which == 2)
                    slot(index, rec, 41 + 13 * U(s - 1), 4, K.pair[U(s)], {6, 3}, b <= n, "quinella", s);
                else
                    slot(index, rec, 41 + 17 * U(s - 1), 4, K.pair[U(s)], {5, 5, 3}, b <= n, "wide", s);
            }
            break;
        case 4:
            for (int s = 1; s <= kUtSlots; ++s) {
                const int a = T.ut[U(s)][0], b = T.ut[U(s)][1];
                slot(index, rec, 41 + 13 * U(s - 1), 4, K.ut[U(s)], {6, 3}, a <= n && b <= n, "exacta", s);
            }
            break;
        case 5:
            for (int s = 1; s <= kSrfSlots; ++s) {
                const auto& c = T.srf[U(s)];
                slot(index, rec, 41 + 15 * U(s - 1), 6, K.srf[U(s)], {6, 3}, c[2] <= n, "trio", s);
            }
            break;
        case 6:
            for (int s = 1; s <= kSrtSlots; ++s) {
                const auto& c = T.srt[U(s)];
                slot(index, rec, 41 + 17 * U(s - 1), 6, K.srt[U(s)], {7, 4}, c[0] <= n && c[1] <= n && c[2] <= n,
                     "trifecta", s);
            }
            break;
        default:
            problem(index, "unknown odds record");
        }
    }

    void payouts(long long index, std::string_view rec)
    {
        const int n = static_cast<int>(toIntDef(rec.substr(27, 2), -1));
        if (n < 1 || n > 18)
            return problem(index, "HR runner count out of range");
        auto horse = [&](std::string_view s) {
            const int h = static_cast<int>(toIntDef(s, -1));
            return AllDigits(s) && h >= 1 && h <= n;
        };
        auto block = [&](std::size_t start, std::size_t stride, int count, int numbers, std::size_t popLen,
                         bool ordered, bool brackets, const char* what) {
            for (int i = 0; i < count; ++i) {
                const std::size_t p = start + stride * U(i) - 1;
                const std::size_t comboLen = brackets ? 2 : 2 * U(numbers);
                const std::string_view combo = rec.substr(p, comboLen);
                const std::string_view pay = rec.substr(p + comboLen, 9), pop = rec.substr(p + comboLen + 9, popLen);
                if (AllOf(combo, '0'))
                    continue;
                bool ok =
                    AllDigits(combo) && (AllDigits(pay) || AllOf(pay, ' ')) && (AllDigits(pop) || AllOf(pop, ' '));
                if (ok && brackets)
                    ok = combo[0] >= '1' && combo[0] <= '8' && combo[1] >= combo[0] && combo[1] <= '8';
                else if (ok) {
                    int prev = 0;
                    for (int k = 0; k < numbers && ok; ++k) {
                        const std::string_view hs = combo.substr(2 * U(k), 2);
                        const int h = static_cast<int>(toIntDef(hs, 0));
                        ok = horse(hs) && (ordered ? h != prev : h > prev);
                        if (ordered && k == 2)
                            ok = ok && h != static_cast<int>(toIntDef(combo.substr(0, 2), 0));
                        prev = h;
                    }
                }
                if (ok && toIntDef(pay, 0) < 10)
                    ok = false;
                if (!ok)
                    problem(index, std::string(what) + " payout entry " + std::to_string(i + 1) + " \"" +
                                       std::string(rec.substr(p, comboLen + 9 + popLen)) + "\" is not valid");
            }
        };
        block(103, 13, 3, 1, 2, false, false, "win");
        block(142, 13, 5, 1, 2, false, false, "place");
        block(207, 13, 3, 2, 2, false, true, "bracket quinella");
        block(246, 16, 3, 2, 3, false, false, "quinella");
        block(294, 16, 7, 2, 3, false, false, "wide");
        block(454, 16, 6, 2, 3, true, false, "exacta");
        block(550, 18, 3, 3, 3, false, false, "trio");
        block(604, 19, 6, 3, 4, true, false, "trifecta");
        if (toIntDef(rec.substr(102, 2), 0) == 0 && rec.substr(31, 1) == "0")
            problem(index, "no win payout");
    }

    std::string name_;
    CheckReport& r_;
    std::size_t max_;
};

bool ValidStampedName(const std::string& name)
{
    if (name.size() < 16 || name[14] != '_')
        return false;
    const std::string ts = name.substr(0, 14);
    return AllDigits(ts) && ValidDate(ts.substr(0, 8)) && DateTime::parse(ts).has_value();
}

} // namespace

void CheckRecords(const std::string& name, const std::string& bytes, CheckReport& report, std::size_t max)
{
    Checker c(name, report, max);
    std::size_t at = 0;
    long long index = 0;
    while (at < bytes.size()) {
        ++index;
        const std::size_t len = RecordLength(std::string_view(bytes).substr(at, 2));
        std::size_t end = bytes.find("\r\n", at);
        end = end == std::string::npos ? bytes.size() : end + 2;
        // A record of a known type is taken at its length when its CR LF is there, so a misplaced
        // line end inside it is reported rather than splitting it.
        if (len && at + len <= bytes.size() && bytes.compare(at + len - 2, 2, "\r\n") == 0)
            end = at + len;
        c.record(index, std::string_view(bytes).substr(at, end - at));
        at = end;
    }
}

CheckReport CheckFeed(const fs::path& feed, std::size_t max)
{
    CheckReport report;
    std::error_code ec;
    if (!fs::is_directory(feed, ec)) {
        report.problems.push_back(pathToUtf8(feed) + ": not a folder");
        report.problemCount = 1;
        return report;
    }
    std::vector<fs::path> files;
    for (const char* sub : {"RACE", "MING", "RT"}) {
        if (!fs::is_directory(feed / sub, ec))
            continue;
        for (auto it = fs::recursive_directory_iterator(feed / sub, ec); it != fs::recursive_directory_iterator();
             it.increment(ec))
            if (it->is_regular_file(ec))
                files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& p : files) {
        const fs::path relPath = fs::relative(p, feed, ec);
        const std::string rel = pathToUtf8(relPath);
        const std::string top = relPath.empty() ? std::string() : pathToUtf8(*relPath.begin()); // "/" or "\"
        const std::string name = pathToUtf8(p.filename());
        if (top != "RT" && !ValidStampedName(name)) {
            ++report.problemCount;
            if (report.problems.size() < max)
                report.problems.push_back(rel + ": file name is not <yyyymmddhhnnss>_<name>");
        }
        if (top == "RT") {
            const std::string stem = pathToUtf8(p.stem());
            if (!(p.extension() == ".txt" && (stem.size() == 6 ? AllDigits(stem) : true))) {
                ++report.problemCount;
                if (report.problems.size() < max)
                    report.problems.push_back(rel + ": snapshot name is not <hhmmss>.txt");
            }
        }
        const auto bytes = readFile(p);
        if (!bytes) {
            ++report.problemCount;
            if (report.problems.size() < max)
                report.problems.push_back(rel + ": cannot be read");
            continue;
        }
        ++report.files;
        report.bytes += static_cast<long long>(bytes->size());
        CheckRecords(rel, *bytes, report, max);
    }
    if (report.files == 0) {
        ++report.problemCount;
        report.problems.push_back(pathToUtf8(feed) + ": no RACE, MING or RT files");
    }
    return report;
}

std::string FormatReport(const CheckReport& r)
{
    std::string t =
        strprintf("%lld files, %lld records, %.1f MB:", r.files, r.records, static_cast<double>(r.bytes) / 1e6);
    for (const auto& [type, count] : r.perType)
        t += strprintf(" %s %lld", type.c_str(), count);
    t += "\n";
    if (r.ok()) {
        t += "feed OK\n";
        return t;
    }
    t += strprintf("%lld problems; the first:\n", r.problemCount);
    for (const auto& p : r.problems)
        t += "  " + p + "\n";
    return t;
}

} // namespace solvane::feedgen
