// solvane-cli: the program's core operations without windows, for scripts, tests and benchmarks.
//
//   solvane-cli [--home DIR] [--now "YYYY-MM-DD hh:mm:ss"] COMMAND [ARGS...]
//   solvane-cli --version | --help
#include "CliCommands.h"

#include "app/AppFolder.h"
#include "app/AppIdentity.h"
#include "util/Clock.h"
#include "util/CommandLine.h"
#include "util/FolderLock.h"
#include "util/Text.h"

#include <chrono>
#include <iostream>
#include <memory>
#include <optional>

using namespace solvane;
using namespace solvane::cli;

static void printHelp(std::ostream& out)
{
    out << "使い方: solvane-cli [--home DIR] [--now \"YYYY-MM-DD hh:mm:ss\"] COMMAND [ARGS...]\n"
           "       solvane-cli --version | --help\n"
           "\n"
           "  --home DIR  アプリケーションフォルダ（省略時は SOLVANE_HOME、実行ファイルのフォルダ、\n"
           "              ~/.local/share/solvane の順）\n"
           "  --now TIME  現在時刻をこの時刻から進める\n"
           "\n"
           "コマンド:\n";
    for (const CliCommand& c : allCommands())
        out << "  " << c.name << ' ' << c.usage << '\n';
}

int main(int argc, char** argv)
{
    UseUtf8Output();
    const std::vector<std::string> words = ProgramArguments(argc, argv);
    std::optional<std::string> home;
    std::unique_ptr<Clock> clock = std::make_unique<SystemClock>();

    std::size_t i = 0;
    for (; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w == "--help" || w == "-h") {
            printHelp(std::cout);
            return kExitOk;
        }
        if (w == "--version") {
            std::cout << "solvane-cli " << kVersionText << '\n';
            return kExitOk;
        }
        if (w == "--home" || w == "--now") {
            if (i + 1 >= words.size()) {
                std::cerr << w << " には値が必要です。\n";
                return kExitUsage;
            }
            const std::string& value = words[++i];
            if (w == "--home") {
                home = value;
                continue;
            }
            auto start = DateTime::parse(value);
            if (!start) {
                std::cerr << "日時が正しくありません：" << value << '\n';
                return kExitUsage;
            }
            clock = std::make_unique<ShiftedClock>(*start);
            continue;
        }
        if (w.starts_with("--")) {
            std::cerr << "不明なオプション：" << w << '\n';
            return kExitUsage;
        }
        break;
    }
    if (i >= words.size()) {
        printHelp(std::cerr);
        return kExitUsage;
    }
    const CliCommand* command = findCommand(words[i]);
    if (!command) {
        std::cerr << "不明なコマンド：" << words[i] << '\n';
        printHelp(std::cerr);
        return kExitUsage;
    }

    // A write that finds another process writing waits, saying so on the error output, for at most
    // SOLVANE_LOCK_WAIT seconds (60 when not set), then ends with its failure message.
    LockWait wait = DefaultLockWait();
    wait.notice = [](const std::string& text) { std::cerr << text << std::endl; };
    if (const auto seconds = EnvironmentValue("SOLVANE_LOCK_WAIT")) {
        const long long s = toIntDef(*seconds, -1);
        if (s < 0 || s > 86400) {
            std::cerr << "SOLVANE_LOCK_WAIT は0～86400の秒数で指定してください：" << *seconds << '\n';
            return kExitUsage;
        }
        wait.limit = std::chrono::seconds(s);
    }
    SetDefaultLockWait(std::move(wait));

    const auto appFolder = ResolveAppFolder(home);
    SettingsFile settings(SettingsFilePath(appFolder), SettingsDefaults{appFolder, WindowsFolder()});
    CliContext ctx{appFolder, *clock, settings, std::cout, std::cerr};
    const std::vector<std::string> args(words.begin() + static_cast<long>(i) + 1, words.end());
    return command->handler(ctx, args);
}
