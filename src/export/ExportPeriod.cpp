// The parts of the export that do not touch the database, built with or without SQLite.
#include "export/SqliteExport.h"

#include "raceday/DayLoader.h"

namespace solvane {

std::string DayDigits(std::string_view dayKey)
{
    std::string digits;
    for (const char c : dayKey)
        if (c >= '0' && c <= '9')
            digits += c;
    return digits;
}

std::vector<std::string> ExportDays(const std::filesystem::path& appFolder, std::string_view from, std::string_view to)
{
    const std::vector<std::string> items = StoredDayList(appFolder); // newest first
    std::vector<std::string> days;
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        const std::string digits = DayDigits(*it);
        if (digits.size() != 8 || (!from.empty() && digits < from) || (!to.empty() && digits > to))
            continue;
        days.push_back(*it);
    }
    return days;
}

std::string SqliteExportSummary(const SqliteExportCounts& counts)
{
    return "レース " + std::to_string(counts.races) + "件、出走馬 " + std::to_string(counts.runners) + "件、払戻 " +
           std::to_string(counts.payouts) + "件、オッズ " + std::to_string(counts.odds) + "件を書き出しました。";
}

} // namespace solvane
