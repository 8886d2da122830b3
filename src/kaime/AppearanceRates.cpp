#include "kaime/AppearanceRates.h"

#include "kaime/CellText.h"
#include "raceday/RaceRecords.h"
#include "store/Store.h"
#include "util/Files.h"
#include "util/ShiftJis.h"
#include "util/Text.h"

#include <algorithm>
#include <cstdio>

namespace solvane {
namespace {

constexpr std::size_t kPlacePos = 335;   // official place, 2 digits
constexpr std::size_t kWinRankPos = 364; // win popularity, 2 digits

std::size_t at(int i)
{
    return static_cast<std::size_t>(i);
}

// Places 1..last counted for a position of a bet type.
std::pair<int, int> placesOf(BakenType type, int position, int n)
{
    switch (type) {
    case BakenType::Tan:
        return {1, 1};
    case BakenType::Fuk:
        return {1, n <= 7 ? 2 : 3};
    case BakenType::WR:
    case BakenType::UR:
        return {1, 2};
    case BakenType::WD:
    case BakenType::SRF:
        return {1, 3};
    case BakenType::UT:
    case BakenType::SRT:
        break;
    }
    return {position, position};
}

} // namespace

void AppearanceCounts::addRunner(int n, int rank, int place)
{
    if (n < 1 || n > kMaxHorses || rank < 1 || rank > kMaxHorses)
        return;
    ++runners[at(n)][at(rank)];
    if (place >= 1 && place <= 3)
        ++finishes[at(n)][at(rank)][at(place - 1)];
}

std::optional<double> AppearanceRate(const AppearanceCounts& counts, BakenType type, int position, int rank, int n)
{
    if (n < 1 || n > kMaxHorses || rank < 1 || rank > kMaxHorses || position < 1 || position > InfoOf(type).numbers)
        return std::nullopt;
    const long long base = counts.runners[at(n)][at(rank)];
    if (base == 0)
        return std::nullopt;
    const auto [first, last] = placesOf(type, position, n);
    long long hits = 0;
    for (int p = first; p <= last; ++p)
        hits += counts.finishes[at(n)][at(rank)][at(p - 1)];
    return 100.0 * static_cast<double>(hits) / static_cast<double>(base);
}

std::string AppearanceRateText(const AppearanceCounts& counts, BakenType type, int position, int rank, int n)
{
    const auto rate = AppearanceRate(counts, type, position, rank, n);
    return rate ? kaime::FixedCell(*rate, 5, 1) : std::string();
}

AppearanceCounts CountStoredRaces(const std::filesystem::path& dataFolder)
{
    AppearanceCounts counts;
    std::vector<std::string> raLines, seLines;
    for (const std::string& day : ListStoredDays(dataFolder)) {
        bool existed = false;
        if (!LoadStoreLines(StoreFilePath(dataFolder, day + ".jvRA"), raLines, existed, nullptr))
            continue;
        std::string loadedRunners;
        for (const std::string& ra : raLines) {
            const int n = RunnerCount(ra);
            const int race = RaceNumber(ra);
            if (n < 1 || !hasDayDate(ra))
                continue;
            // A day's runner file holds every race of its venue: read it once per venue.
            const std::string runnerFile = StoreFileName(StoreKind::SE, ra);
            if (runnerFile != loadedRunners) {
                seLines.clear();
                if (!LoadStoreLines(StoreFilePath(dataFolder, runnerFile), seLines, existed, nullptr))
                    seLines.clear();
                FitSlotLines(seLines);
                loadedRunners = runnerFile;
            }
            std::array<std::pair<int, int>, kMaxHorses> field_{};
            bool finished = false;
            for (int h = 1; h <= n; ++h) {
                const auto slot = SlotIndex(race, h);
                if (!slot)
                    break;
                const std::string& se = seLines[at(*slot)];
                const int rank = static_cast<int>(toIntDef(field(se, kWinRankPos, 2), 0));
                const int place = static_cast<int>(toIntDef(field(se, kPlacePos, 2), 0));
                field_[at(h - 1)] = {rank, place};
                finished = finished || place == 1;
            }
            if (!finished)
                continue;
            ++counts.races;
            for (int h = 0; h < n; ++h)
                counts.addRunner(n, field_[at(h)].first, field_[at(h)].second);
        }
    }
    return counts;
}

std::string StoreFingerprint(const std::filesystem::path& dataFolder)
{
    std::vector<std::string> entries;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dataFolder, ec)) {
        const std::string name = asciiLower(pathToUtf8(entry.path().filename()));
        if (!endsWith(name, ".jvra") && !endsWith(name, ".jvser"))
            continue;
        // The store rewrites a file by renaming a new one over it, so the inode tells a rewrite apart
        // even when size and time stamp (coarse on some file systems) stay the same.
        const auto st = fileStampOf(entry.path());
        if (!st)
            continue;
        entries.push_back(strprintf("%s:%lld:%lld:%lld.%09lld", name.c_str(), static_cast<long long>(st->id),
                                    static_cast<long long>(st->size), static_cast<long long>(st->mtimeNs / 1000000000),
                                    static_cast<long long>(st->mtimeNs % 1000000000)));
    }
    std::sort(entries.begin(), entries.end());
    // FNV-1a over the sorted entries: the file count is kept beside it for a person reading the file.
    std::uint64_t hash = 1469598103934665603ull;
    for (const std::string& e : entries) {
        for (const char c : e)
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        hash = (hash ^ '\n') * 1099511628211ull;
    }
    return strprintf("%zu files %016llx", entries.size(), static_cast<unsigned long long>(hash));
}

std::string SaveAppearanceCounts(const AppearanceCounts& counts, std::string_view fingerprint)
{
    std::string text = std::string(fingerprint) + "\r\n" + strprintf("races %lld\r\n", counts.races);
    for (int n = 1; n <= kMaxHorses; ++n) {
        for (int rank = 1; rank <= kMaxHorses; ++rank) {
            const auto& f = counts.finishes[at(n)][at(rank)];
            if (counts.runners[at(n)][at(rank)] > 0)
                text += strprintf("%d %d %lld %lld %lld %lld\r\n", n, rank, counts.runners[at(n)][at(rank)], f[0], f[1],
                                  f[2]);
        }
    }
    return text;
}

std::optional<AppearanceCounts> LoadAppearanceCounts(std::string_view text, std::string_view fingerprint)
{
    const std::vector<std::string> lines = splitLines(text);
    if (lines.size() < 2 || lines[0] != fingerprint)
        return std::nullopt;
    AppearanceCounts counts;
    if (std::sscanf(lines[1].c_str(), "races %lld", &counts.races) != 1)
        return std::nullopt;
    for (std::size_t i = 2; i < lines.size(); ++i) {
        int n = 0, rank = 0;
        long long runners = 0, a = 0, b = 0, c = 0;
        if (std::sscanf(lines[i].c_str(), "%d %d %lld %lld %lld %lld", &n, &rank, &runners, &a, &b, &c) != 6 || n < 1 ||
            n > kMaxHorses || rank < 1 || rank > kMaxHorses || runners < 0)
            return std::nullopt;
        counts.runners[at(n)][at(rank)] = runners;
        counts.finishes[at(n)][at(rank)] = {a, b, c};
    }
    return counts;
}

const AppearanceCounts& AppearanceRateCache::counts()
{
    const std::filesystem::path data = StoreFolder(appFolder_);
    std::string now = StoreFingerprint(data);
    if (fingerprint_ && *fingerprint_ == now)
        return counts_;
    const std::filesystem::path saved = appFolder_ / std::string(kFileName);
    const auto text = readFile(saved);
    if (auto loaded = text ? LoadAppearanceCounts(*text, now) : std::nullopt) {
        counts_ = *loaded;
    } else {
        counts_ = CountStoredRaces(data);
        writeFileAtomic(saved, SaveAppearanceCounts(counts_, now));
    }
    fingerprint_ = std::move(now);
    return counts_;
}

} // namespace solvane
