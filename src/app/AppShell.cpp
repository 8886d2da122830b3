#include "app/AppShell.h"

#include "app/AppFolder.h"
#include "app/AppIdentity.h"
#include "app/JVLinkSession.h"
#include "app/SiblingFolders.h"
#include "app/WindowPlacement.h"
#include "app/WorkFolders.h"
#include "jvdata/JVLink.h"
#include "jvdata/JVMessage.h"
#include "util/Files.h"
#include "util/ShellOpen.h"
#include "util/Text.h"

#include <cstdlib>
#include <ctime>

namespace solvane {

namespace fs = std::filesystem;

static SettingsDefaults defaultsOf(const AppShellOptions& o)
{
    return SettingsDefaults{o.appFolder, o.windowsFolder};
}

AppShell::AppShell(AppShellOptions options)
    : options_(std::move(options)), settings_(SettingsFilePath(options_.appFolder), defaultsOf(options_))
{
    if (!options_.registry)
        options_.registry = &SystemSiblingRegistry();
}

void AppShell::warn(std::string message)
{
    warnings_.push_back(std::move(message));
}

bool AppShell::start()
{
    std::srand(static_cast<unsigned>(std::time(nullptr)));

    // The working folders first: without the application folder there is nowhere to keep settings.
    if (!CreateWorkFolders(options_.appFolder, &startError_))
        return false;

    windowLock_ = FolderLock::tryAcquire(options_.appFolder / std::string(kWindowLockName));
    if (windowLock_.busy()) {
        alreadyRunning_ = true;
        startError_ = std::string(kAlreadyRunning) + pathToUtf8(options_.appFolder);
        return false;
    }
    if (!windowLock_)
        warn(windowLock_.error()); // a folder where nothing can be made: the writes will say more
    SweepStaleTemporaries(options_.appFolder);

    if (!FillSiblingFolders(settings_, *options_.registry))
        warn(settings_.lastError());
    for (std::string& line : settings_.outOfRange())
        warn(std::move(line));

    developerMode_ = HasMarkerFile(options_.appFolder, kDeveloperMarker);
    sound1_ = settings_.get(keys::Sound1);
    overWriteOK_ = settings_.get(keys::OverWriteOK);

    const DateTime now = clock().now();
    if (!commandLineMode()) {
        haibunSet_ = settings_.get(keys::HaibunSet);
        notRefresh_ = settings_.get(keys::NotRefresh);
        std::string error;
        if (!WriteErrorLogStartLines(options_.appFolder, now, &error))
            warn(error);
        masterMode_ = HasMarkerFile(options_.appFolder, kMasterMarker);
    } else {
        // A relative list file is taken from the application folder, where the program runs.
        fs::path list = pathFromUtf8(options_.arguments.front());
        if (list.is_relative())
            list = options_.appFolder / list;
        std::error_code ec;
        if (fs::is_regular_file(list, ec)) {
            if (auto bytes = readFile(list))
                workList_ = splitLines(*bytes);
            else
                warn("リストファイルを読み込めません：" + pathToUtf8(list));
            terminateRequested_ = !workList_.empty();
        }
    }

    if (!dailyLog_.open(WorkFolder(options_.appFolder, "Log"), now))
        warn(dailyLog_.lastError());
    return true;
}

int SweepStaleTemporaries(const fs::path& appFolder)
{
    const FolderLock lock = FolderLock::tryAcquire(appFolder / std::string(kWriterLockName));
    if (!lock)
        return 0;
    constexpr std::chrono::seconds kUntouched{60};
    int removed = sweepWriteTemporaries(appFolder, kUntouched);
    for (std::string_view name : kWorkFolders)
        removed += sweepWriteTemporaries(WorkFolder(appFolder, name), kUntouched);
    return removed;
}

std::string AppShell::shown(JVLink& jvlink)
{
    versionText_ = std::string(kVersionText);
    return OpenJVLinkSession(jvlink);
}

bool AppShell::shutdown(const WindowGeometry& g)
{
    bool ok = true;
    if (!StoreGeometry(settings_, kMainGeometry, WindowRect{g.left, g.top, g.width, g.height})) {
        warn(settings_.lastError());
        ok = false;
    }
    if (dailyLog_.isOpen() && !dailyLog_.close(clock().now())) {
        warn(dailyLog_.lastError());
        ok = false;
    }
    return ok;
}

WindowGeometry AppShell::savedGeometry()
{
    WindowGeometry g{settings_.get(keys::LocateTop), settings_.get(keys::LocateLeft), settings_.get(keys::LocateWidth),
                     settings_.get(keys::LocateHeight)};
    // A garbled or hand-edited file must not leave the main window too small to find.
    constexpr int kMinWidth = 200, kMinHeight = 150, kMaxSize = 100000;
    if (g.width < kMinWidth || g.width > kMaxSize)
        g.width = keys::LocateWidth.def;
    if (g.height < kMinHeight || g.height > kMaxSize)
        g.height = keys::LocateHeight.def;
    return g;
}

bool AppShell::setSound1(bool on)
{
    sound1_ = on;
    if (settings_.set(keys::Sound1, on))
        return true;
    warn(settings_.lastError());
    return false;
}

bool AppShell::setOverWriteOK(bool on)
{
    overWriteOK_ = on;
    if (settings_.set(keys::OverWriteOK, on))
        return true;
    warn(settings_.lastError());
    return false;
}

std::optional<fs::path> AppShell::manualPath() const
{
    const fs::path p = findChildIgnoreCase(options_.appFolder, kManualName);
    std::error_code ec;
    if (fs::is_regular_file(p, ec))
        return p;
    return std::nullopt;
}

fs::path AppShell::harunireProgram()
{
    const fs::path folder = pathFromUtf8(trim(settings_.get(keys::Harunire)));
    return findChildIgnoreCase(folder, kHarunireName);
}

bool AppShell::openManual(std::string* error, const ShellLauncher& open) const
{
    const auto manual = manualPath();
    if (!manual) {
        if (error)
            *error = std::string(kManualMissing);
        return false;
    }
    return open(*manual, "", options_.appFolder, error);
}

bool AppShell::startHarunire(std::string* error, const ShellLauncher& open)
{
    const fs::path program = harunireProgram();
    // One empty argument: '""' on Windows, and off Windows (with no command line to split) none at all.
    return open(program, ShellArgument(""), program.parent_path(), error);
}

} // namespace solvane
