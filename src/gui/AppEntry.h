// Program entry: checks that the JV-Link component can be created, runs the start-up steps, shows the
// main window and runs the event loop. The program's main() only calls RunSolvane; tests call it with
// their own component factory and message sink.
#pragma once

#include "gui/Main.h"
#include "jvdata/JVLink.h"
#include "util/Clock.h"

#include <QApplication>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace solvane {

struct EntryHooks {
    // Creates the session's component; nullptr when it cannot be created (*error says why). The
    // default resolves the feed folder from SOLVANE_FEED, [JVLink] Feed and the application folder.
    std::function<std::unique_ptr<JVLink>(AppShell& shell, std::string* error)> createJVLink;
    MessageSink inform;           // the message boxes by default
    const Clock* clock = nullptr; // the system clock (or SOLVANE_NOW) by default
    // Called with the main window before the event loop runs.
    std::function<void(TMainForm&)> onMainWindow;
};

// Loads Qt's own Japanese translations (qt_ja.qm or qtbase_ja.qm from Qt's translations folder) into the
// application, so that the standard dialogs and buttons speak the language of the rest of the program.
// The program does it at start; window tests call it to see what the user sees. False when the
// translations are not installed; the dialogs then stay in English.
bool InstallQtTranslations(QCoreApplication& app);

// arguments: the command-line arguments after the program name (UTF-8). Returns the exit status.
int RunSolvane(QApplication& app, const std::vector<std::string>& arguments, EntryHooks hooks = {});

} // namespace solvane
