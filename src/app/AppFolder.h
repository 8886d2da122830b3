// Where the program keeps its files. Every path of the program is formed from the application folder:
// the settings file, the logs, the working folders and the marker files all live in or below it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace solvane {

namespace fs = std::filesystem;

// What the choice of the application folder depends on, gathered so the rule can be tested.
struct AppFolderInputs {
    std::optional<std::string> homeOption; // solvane-cli --home DIR
    std::optional<std::string> envHome;    // SOLVANE_HOME
    fs::path exeFolder;                    // the folder of the running executable
    bool exeFolderWritable = false;
    std::optional<std::string> xdgDataHome; // XDG_DATA_HOME
    std::optional<std::string> userHome;    // HOME
};

// --home, then SOLVANE_HOME (when not empty), then on Windows the executable's folder. Elsewhere the
// executable's folder only when it is writable, else the per-user data folder (XDG_DATA_HOME or
// ~/.local/share, + "/solvane"): installed copies live in read-only system folders, so a shared
// install keeps its files per user. Never has a trailing separator.
fs::path ChooseAppFolder(const AppFolderInputs& in);

// The folder of the running executable (empty when the system cannot say).
fs::path ExecutableFolder();

// True when files can be created in the folder.
bool IsWritableFolder(const fs::path& folder);

// ChooseAppFolder with the inputs of this process; homeOption as given on the command line.
fs::path ResolveAppFolder(const std::optional<std::string>& homeOption = std::nullopt);

// The one settings file of the program and the CLI: "Solvane.ini" beside "Solvane.exe" on Windows,
// "solvane.ini" elsewhere (the executable is "solvane" there).
std::string SettingsFileName();
fs::path SettingsFilePath(const fs::path& appFolder);

// The operating system's Windows folder, where the default alarm sound lies ("Media\Ring08.wav").
// Off Windows there is no such folder and this is empty; defaults built from it are then empty too.
fs::path WindowsFolder();

// The application folder as text without a trailing separator.
std::string FolderText(const fs::path& folder);

} // namespace solvane
