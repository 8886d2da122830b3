// Picks and creates the JV-Link component the program talks to.
#pragma once

#include "jvdata/JVLink.h"
#include "util/Clock.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace solvane {

struct JVLinkOptions {
    std::filesystem::path feedFolder; // the local component's feed folder
    const Clock* clock = nullptr;     // the program's clock (real-time snapshots follow it)
    // Windows: solvane-jvlink-bridge.exe, which holds the real JV-Link; empty = beside the executable.
    std::filesystem::path bridgeProgram;
};

// True when the real JV-Link ("JVDTLab.JVLink") is registered on this system (never off Windows).
bool JVLinkInstalled();

// The feed folder: the environment variable SOLVANE_FEED when set and not empty, else the settings
// value [JVLink] Feed when not blank, else appFolder + "/feed".
std::filesystem::path ResolveFeedFolder(const std::optional<std::string>& envFeed, const std::string& settingsFeed,
                                        const std::filesystem::path& appFolder);

// The component, or nullptr when it cannot be created (then *error, when given, says why). On Windows
// with JV-Link installed and SOLVANE_FEED not set: the real JV-Link through the bridge program.
// Otherwise the local component on options.feedFolder.
std::unique_ptr<JVLink> CreateJVLink(const JVLinkOptions& options, std::string* error = nullptr);

} // namespace solvane
