// The program's own words for JV-Link result codes.
#pragma once

#include <string>
#include <string_view>

namespace solvane {

// Message for (operation, code) followed by "(" code ")"; an unknown code gives only the
// parenthesised code. operation is one of "JVInit", "JVSetUIProperties", "JVOpen", "JVRTOpen",
// "JVStatus", "JVRead", "JVClose". UTF-8.
std::string JVMessage(std::string_view operation, int code);

// The message alone, without the parenthesised code; empty for a code the table does not hold.
std::string JVMessageText(std::string_view operation, int code);

} // namespace solvane
