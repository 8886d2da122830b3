// Appearance rates ("出現率"): of the runners that started at a given win popularity in races with a
// given number of registered runners, the share that finished first, second or third. Counted from
// every stored race whose results are in the store; a saved copy keeps the count between runs and is
// redone whenever the stored race and runner files change (an import, a results fetch).
#pragma once

#include "kaime/BakenType.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace solvane {

struct AppearanceCounts {
    // [n][rank]: runners of that win popularity in finished races of n registered runners.
    std::array<std::array<long long, kMaxHorses + 1>, kMaxHorses + 1> runners{};
    // [n][rank][place - 1]: those of them that finished first, second, third.
    std::array<std::array<std::array<long long, 3>, kMaxHorses + 1>, kMaxHorses + 1> finishes{};
    long long races = 0; // finished races counted

    // One runner of a finished race: its win popularity and its official place (0 when it did not finish).
    void addRunner(int n, int rank, int place);
    friend bool operator==(const AppearanceCounts&, const AppearanceCounts&) = default;
};

// The places a rate covers, by bet type and position in the label:
// - win: first; exacta and trifecta: exactly the position (1st, 2nd, 3rd);
// - place: within the paid places (first three; first two with up to 7 runners);
// - bracket quinella and quinella: within the first two; wide and trio: within the first three.
// The rate in percent, or nothing when the store holds no runner of that popularity and runner count
// (there is nothing to divide by) or an argument is out of range.
std::optional<double> AppearanceRate(const AppearanceCounts& counts, BakenType type, int position, int rank, int n);

// The rate as its cell shows it: "%5.1f", or empty when there is none.
std::string AppearanceRateText(const AppearanceCounts& counts, BakenType type, int position, int rank, int n);

// Counts every race of every stored day in the Data folder. A race counts once one of its runners has
// official place 1; runners without a win popularity are left out.
AppearanceCounts CountStoredRaces(const std::filesystem::path& dataFolder);

// A fingerprint of the stored race and runner files (names, sizes, modification times).
std::string StoreFingerprint(const std::filesystem::path& dataFolder);

// The saved counts of the application folder, recounted when the store has changed since they were
// saved (or when there is no saved copy or it cannot be read). The copy is rewritten after a recount;
// a failed write only costs the next run a recount.
class AppearanceRateCache {
public:
    explicit AppearanceRateCache(std::filesystem::path appFolder) : appFolder_(std::move(appFolder)) {}

    const AppearanceCounts& counts();
    // Forgets what is held, so that the next counts() looks at the store again.
    void refresh() { fingerprint_.reset(); }

    static constexpr std::string_view kFileName = "AppearanceRates.txt";

private:
    std::filesystem::path appFolder_;
    std::optional<std::string> fingerprint_;
    AppearanceCounts counts_;
};

// The saved form: the fingerprint on the first line, then "n rank runners first second third" lines.
std::string SaveAppearanceCounts(const AppearanceCounts& counts, std::string_view fingerprint);
// Nothing when the text is not a saved copy of the given fingerprint.
std::optional<AppearanceCounts> LoadAppearanceCounts(std::string_view text, std::string_view fingerprint);

} // namespace solvane
