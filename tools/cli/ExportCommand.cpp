// export: the stored race days of a period written into a SQLite database, for pandas, R, DuckDB or a
// spreadsheet. A day already in the file has its rows replaced; the rest of the file is kept.
#include "CliCommands.h"
#include "CliSupport.h"
#include "DayArgs.h"

#include "app/LoadSettings.h"
#include "export/SqliteExport.h"
#include "util/Files.h"

#include <ostream>

namespace solvane::cli {

int exportCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    SqliteExportOptions options;
    std::string file;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& w = args[i];
        if (w == "--odds") {
            options.odds = true;
            continue;
        }
        if ((w != "--sqlite" && w != "--from" && w != "--to") || i + 1 >= args.size())
            return printUsage(ctx, "export");
        const std::string& v = args[++i];
        if (w == "--sqlite") {
            file = v;
            continue;
        }
        const auto day = ParseDayArg(v);
        if (!day)
            return usageError(ctx, "日付は 20240106 のように年月日の8桁で指定してください：" + v);
        (w == "--from" ? options.from : options.to) = DayDigits(*day);
    }
    if (file.empty())
        return printUsage(ctx, "export");
    if (!options.from.empty() && !options.to.empty() && options.from > options.to)
        return usageError(ctx, "--from の日付が --to の日付より後です。");
    options.file = pathFromUtf8(file);
    options.load = LoadOptionsFrom(ctx.settings, ctx.appFolder);

    const SqliteExportResult result = ExportToSqlite(options, [&ctx](const SqliteExportProgress& p) {
        ctx.err << p.daysDone << "/" << p.daysTotal << "日 " << p.dayKey << '\n';
    });
    for (const std::string& note : result.notes)
        ctx.err << note << '\n';
    if (result.outcome == SqliteExportOutcome::Written) {
        ctx.out << SqliteExportSummary(result.counts) << '\n';
        return kExitOk;
    }
    // Whole days written before a failure stay in the file: say how many.
    if (result.counts.days > 0)
        ctx.err << SqliteExportSummary(result.counts) << '\n';
    return fail(ctx, result.message);
}

} // namespace solvane::cli
