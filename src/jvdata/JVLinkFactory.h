// Picks and creates the JV-Link component the program talks to.
#pragma once

#include "jvdata/JVLink.h"
#include "util/Clock.h"

#include <filesystem>
#include <memory>
#include <string>

namespace solvane {

struct JVLinkOptions {
    std::filesystem::path feedFolder; // the local component's feed folder
    const Clock* clock = nullptr;     // the program's clock (real-time snapshots follow it)
};

// The feed folder: the environment variable SOLVANE_FEED when set and not empty, else the settings
// value [JVLink] Feed when not blank, else appFolder + "/feed".
std::filesystem::path ResolveFeedFolder(const char* envFeed, const std::string& settingsFeed,
                                        const std::filesystem::path& appFolder);

// The component, or nullptr when it cannot be created (then *error, when given, says why).
std::unique_ptr<JVLink> CreateJVLink(const JVLinkOptions& options, std::string* error = nullptr);

} // namespace solvane
