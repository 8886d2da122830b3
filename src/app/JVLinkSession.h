// The program's JV-Link: the component chosen from the environment and the settings, and the session
// opened with the program's software identifier. The window and solvane-cli both start here, so they
// talk to the same feed and report the same failures.
#pragma once

#include "app/SettingsFile.h"
#include "jvdata/JVLink.h"
#include "util/Clock.h"

#include <filesystem>
#include <memory>
#include <string>

namespace solvane {

// SOLVANE_FEED when set and not empty, else [JVLink] Feed when not blank, else appFolder/feed.
std::filesystem::path ProgramFeedFolder(SettingsFile& settings, const std::filesystem::path& appFolder);

// The component on the program's feed folder following clock, or nullptr (then *error, when given,
// says why; the text to show a person is kJVLinkMissing).
std::unique_ptr<JVLink> CreateProgramJVLink(SettingsFile& settings, const std::filesystem::path& appFolder,
                                            const Clock* clock, std::string* error = nullptr);

// JVInit with the program's software identifier: empty on success, else the text to show
// ("JVInitエラー：" + the component's message).
std::string OpenJVLinkSession(JVLink& jvlink);

} // namespace solvane
