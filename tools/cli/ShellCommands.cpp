// Commands about the program's own files: where they are and what the settings file holds.
#include "CliCommands.h"
#include "CliSupport.h"

#include "app/JVLinkSession.h"
#include "app/SettingsKeys.h"
#include "util/Files.h"
#include "util/Text.h"

#include <cstdlib>
#include <ostream>

namespace solvane::cli {

int pathsCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    if (!expectArgs(ctx, "paths", args, 0, 0))
        return kExitUsage;
    const auto feed = ProgramFeedFolder(ctx.settings, ctx.appFolder);
    printTsv(ctx.out, {{"AppFolder", pathToUtf8(ctx.appFolder)},
                       {"Settings", pathToUtf8(ctx.settings.path())},
                       {"Feed", pathToUtf8(feed)}});
    return kExitOk;
}

// The value as the program reads it: texts with the quote rule, integers and flags as numbers, each
// with the table's default when the key is missing.
std::string readAsProgram(SettingsFile& s, const std::string& section, const std::string& key)
{
    auto known = FindSettingsKey(section, key);
    if (!known)
        return s.readText(section, key, "");
    if (const auto* t = std::get_if<TextKey>(&*known))
        return s.get(*t);
    if (const auto* i = std::get_if<IntKey>(&*known))
        return std::to_string(s.get(*i));
    return s.get(std::get<FlagKey>(*known)) ? "1" : "0";
}

int settingsCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    if (!args.empty() && args[0] == "get") {
        if (!expectArgs(ctx, "settings", args, 3, 3))
            return kExitUsage;
        if (!ctx.settings.readable())
            return fail(ctx, "設定ファイルを読み込めません：" + pathToUtf8(ctx.settings.path()));
        ctx.out << readAsProgram(ctx.settings, args[1], args[2]) << '\n';
        // A stored value the program does not use as it stands: said, as the window says it at start.
        if (const auto known = FindSettingsKey(args[1], args[2]))
            if (const auto* i = std::get_if<IntKey>(&*known))
                if (const std::string problem = ctx.settings.outOfRange(*i); !problem.empty())
                    ctx.err << problem << '\n';
        return kExitOk;
    }
    if (!args.empty() && args[0] == "set") {
        if (!expectArgs(ctx, "settings", args, 4, 4))
            return kExitUsage;
        if (const std::string problem = SettingValueProblem(args[1], args[2], args[3]); !problem.empty())
            return usageError(ctx, problem);
        std::error_code ec;
        std::filesystem::create_directories(ctx.appFolder, ec);
        if (!ctx.settings.writeText(args[1], args[2], args[3]))
            return fail(ctx, ctx.settings.lastError());
        return kExitOk;
    }
    return printUsage(ctx, "settings");
}

} // namespace solvane::cli
