// The bulk import and the list of stored days.
#include "CliCommands.h"
#include "CliSupport.h"
#include "JVLinkSession.h"

#include "app/AppShell.h"
#include "app/ImportSettings.h"
#include "app/SettingsKeys.h"
#include "app/WorkFolders.h"
#include "raceday/DayLoader.h"
#include "store/BulkImport.h"
#include "store/Store.h"
#include "util/CommandLine.h"

#include <chrono>
#include <iostream>
#include <thread>

namespace solvane::cli {
namespace {

// A one-line progress bar on stderr, only when stderr is a terminal.
class ProgressLine {
public:
    explicit ProgressLine(std::ostream& err) : err_(err), enabled_(IsTerminal(2)) {}
    ~ProgressLine() { finish(); }

    void show(const std::string& label, int position, int maximum)
    {
        if (!enabled_)
            return;
        const int width = 30;
        const int filled = maximum > 0 ? std::min(width, position * width / maximum) : 0;
        err_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
             << std::string(static_cast<std::size_t>(width - filled), ' ') << "] " << label << "\x1b[K" << std::flush;
        shown_ = true;
    }
    void finish()
    {
        if (shown_)
            err_ << "\r\x1b[K" << std::flush;
        shown_ = false;
    }

private:
    std::ostream& err_;
    bool enabled_;
    bool shown_ = false;
};

} // namespace

int importCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    std::optional<DateTime> from;
    std::optional<bool> setup;
    std::optional<bool> finalOdds;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--from" && i + 1 < args.size()) {
            from = DateTime::parse(args[++i]);
            if (!from || args[i].size() != 14)
                return usageError(ctx, "--from は YYYYMMDDhhnnss で指定してください：" + args[i]);
        } else if (a == "--normal" || a == "--setup") {
            setup = a == "--setup";
        } else if (a == "--final-odds" || a == "--no-final-odds") {
            finalOdds = a == "--final-odds";
        } else {
            return printUsage(ctx, "import");
        }
    }

    // What is not given is what the import window starts with.
    const ImportDefaults defaults = ImportDefaultsFrom(ctx.settings, ctx.clock.now());

    std::string message;
    if (!CreateWorkFolders(ctx.appFolder, &message))
        return fail(ctx, message);
    // An import killed midway may have left temporaries; with nobody writing, they are swept now.
    SweepStaleTemporaries(ctx.appFolder);
    auto link = openJVLinkSession(ctx);
    if (!link)
        return kExitFailure;

    ProgressLine progress(ctx.err);
    std::string label;
    BulkImportCallbacks callbacks;
    callbacks.progressLabel = [&](const std::string& text) { label = text; };
    bool downloading = false;
    callbacks.download = [&](int pos, int max) {
        downloading = pos < max;
        progress.show(label, pos, max);
    };
    callbacks.reading = [&](int pos, int max) {
        downloading = false;
        progress.show(label, pos, max);
    };
    // The command has no events to run. While JV-Link is still downloading it waits a little between
    // status polls, as the window's 10 ms timer does; while reading it goes on at once.
    callbacks.pumpEvents = [&] {
        if (downloading)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };

    BulkImportOptions options;
    options.dataFolder = StoreFolder(ctx.appFolder);
    options.start = from.value_or(defaults.start);
    options.setupData = setup.value_or(defaults.setupData);
    options.KakuteiOzGet = finalOdds.value_or(defaults.finalOdds);
    JVCancelFlag cancel{false};
    BulkImport import(*link, cancel, options, callbacks);
    const BulkImportResult& result = import.run();
    progress.finish();

    if (result.LastTime && !ctx.settings.set(keys::LastTime, *result.LastTime))
        ctx.err << ctx.settings.lastError() << '\n';
    (result.error ? ctx.err : ctx.out) << result.message << '\n';
    return result.error ? kExitFailure : kExitOk;
}

int daysCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    if (!expectArgs(ctx, "days", args, 0, 0))
        return kExitUsage;
    for (const std::string& day : StoredDayList(ctx.appFolder))
        ctx.out << day << '\n';
    return kExitOk;
}

} // namespace solvane::cli
