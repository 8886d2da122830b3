// The application shell: what happens when the program starts, when its main window is first shown and
// when it closes. The window program and solvane-cli both run it; the main window only wires its
// controls to these steps and shows what they return.
//
// One window program per application folder: a second one started on the same folder says so and ends
// (start() fails with kAlreadyRunning), rather than opening beside the first. Two of them would each run
// the automatic fetches and keep their own picture of the day, so their beeps, fetches and shown odds
// would disagree; solvane-cli, which only does the one thing asked, may run beside it. The running program
// holds kWindowLockName in the folder; the system lets it go when the program ends, however it ends.
#pragma once

#include "app/AppLogs.h"
#include "app/SettingsFile.h"
#include "util/Clock.h"
#include "util/FolderLock.h"
#include "util/ShellOpen.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace solvane {

class JVLink;
class SiblingRegistry;

struct AppShellOptions {
    std::filesystem::path appFolder;
    const Clock* clock = nullptr;              // required
    const SiblingRegistry* registry = nullptr; // the platform's registry when not given
    std::filesystem::path windowsFolder;       // WindowsFolder() in the program
    std::vector<std::string> arguments;        // command-line arguments after the program name (UTF-8)
};

struct WindowGeometry {
    int top = 0, left = 0, width = 0, height = 0;
    friend bool operator==(const WindowGeometry&, const WindowGeometry&) = default;
};

// Fixed texts of the shell.
inline constexpr std::string_view kManualName = "Solvane.pdf";
inline constexpr std::string_view kManualMissing = "使用解説書[Solvane.pdf]が見つかりません。";
inline constexpr std::string_view kJVLinkMissing =
    "JRA-VANのホームページより【JV-Link】を入手し、インストールしてください。";
inline constexpr std::string_view kHarunireName = "Harunire.exe";
inline constexpr std::string_view kHarunireFailedCaption = "確認";
inline constexpr std::string_view kHarunireFailed = "「ハルニレ中央競馬版」の起動に失敗しました";
inline constexpr std::string_view kAlreadyRunning =
    "Solvane はこのアプリケーションフォルダで既に起動しています。同じフォルダで二つ目を開くことはできません：";

// With the writers' lock held (taken only when free; nobody waits for this), removes the temporaries of
// dead writers (isWriteTemporary) from the application folder and its working folders: a write killed
// midway leaves one. Only those untouched for a minute go, so that a writer that takes no lock keeps
// the one it is busy with. The number removed.
int SweepStaleTemporaries(const std::filesystem::path& appFolder);

class AppShell {
public:
    explicit AppShell(AppShellOptions options);

    // Main window creation: working folders, the one-window check (kAlreadyRunning), the sweep of dead
    // writers' temporaries, sibling folders, markers, saved choices (a setting outside its range is
    // warned of), then in normal mode the error-log start lines, in command-line mode the list file, and
    // last the daily log's opening block. False when start-up cannot go on; startError() then says why
    // and nothing after the failed step was done.
    bool start();
    const std::string& startError() const { return startError_; }
    // start() failed because a window program runs on the folder already.
    bool alreadyRunning() const { return alreadyRunning_; }
    // Problems that did not stop start-up (a log that could not be written, a setting not saved).
    const std::vector<std::string>& warnings() const { return warnings_; }

    // Main window first shown: sets the version text and opens the JV-Link session. Returns the text
    // to show when JVInit failed ("JVInitエラー：" + message), else empty.
    std::string shown(JVLink& jvlink);

    // The window is closing: writes its geometry and closes the daily log block. False when either
    // could not be saved (warnings() says why).
    bool shutdown(const WindowGeometry& geometry);

    // Main window geometry from [locate]; a size too small to use falls back to the default.
    WindowGeometry savedGeometry();

    const std::filesystem::path& appFolder() const { return options_.appFolder; }
    const std::filesystem::path& windowsFolder() const { return options_.windowsFolder; }
    const Clock& clock() const { return *options_.clock; }
    SettingsFile& settings() { return settings_; }
    DailyLog& dailyLog() { return dailyLog_; }

    bool commandLineMode() const { return !options_.arguments.empty(); }
    // Command-line mode with a non-empty list file: the program ends as soon as its event loop runs.
    bool terminateRequested() const { return terminateRequested_; }
    // The lines of the command-line list file (Shift-JIS), for the automatic odds-fetch loop.
    const std::vector<std::string>& workList() const { return workList_; }

    bool developerMode() const { return developerMode_; } // the test page and the time-series items
    bool masterMode() const { return masterMode_; }       // the batch-load button

    // Choices loaded at start-up.
    bool sound1() const { return sound1_; }
    bool overWriteOK() const { return overWriteOK_; }
    int haibunSet() const { return haibunSet_; }
    bool notRefresh() const { return notRefresh_; }
    // Menu check marks: the choice changes and is written at once. False when it could not be saved.
    bool setSound1(bool on);
    bool setOverWriteOK(bool on);

    const std::string& versionText() const { return versionText_; }

    // The manual beside the program, when it is there.
    std::optional<std::filesystem::path> manualPath() const;
    // The compi-index box program: "Harunire.exe" in the [Dir] harunire folder (default AppFolder).
    std::filesystem::path harunireProgram();

    // Opens the manual with the shell ("open"). False when it is missing (show kManualMissing) or the
    // shell could not open it.
    bool openManual(std::string* error = nullptr, const ShellLauncher& open = ShellOpen) const;
    // Starts the compi-index box program through the shell, with an empty quoted argument on Windows.
    // False when the shell reports a failure (show kHarunireFailed with kHarunireFailedCaption).
    bool startHarunire(std::string* error = nullptr, const ShellLauncher& open = ShellOpen);

private:
    void warn(std::string message);

    AppShellOptions options_;
    SettingsFile settings_;
    DailyLog dailyLog_;
    std::string startError_;
    std::vector<std::string> warnings_;
    std::vector<std::string> workList_;
    FolderLock windowLock_;
    bool alreadyRunning_ = false;
    bool terminateRequested_ = false;
    bool developerMode_ = false;
    bool masterMode_ = false;
    bool sound1_ = true;
    bool overWriteOK_ = false;
    int haibunSet_ = 0;
    bool notRefresh_ = false;
    std::string versionText_;
};

} // namespace solvane
