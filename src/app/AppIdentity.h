// Who the program is: the version shown and the software identifier given to JV-Link at JVInit.
#pragma once

#include <string>
#include <string_view>

namespace solvane {

inline constexpr std::string_view kVersionText = "Version.1.06";

// Our registered identity with the data service: two 8-character codes and the product code name,
// each followed by "/" (33 characters); the version text and a 2-letter suffix follow.
inline constexpr std::string_view kSoftwareIdFixed = "SOLVANE1/20260106/SOLVANEJRADESK/";
inline constexpr std::string_view kSoftwareIdSuffix = "SV";

// The identifier passed to JVInit: 47 characters, under the component's 64-byte limit, and never
// starting with a blank.
inline std::string SoftwareId()
{
    return std::string(kSoftwareIdFixed) + std::string(kVersionText) + std::string(kSoftwareIdSuffix);
}

} // namespace solvane
