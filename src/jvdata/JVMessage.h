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

// What the user can do about a failure: import again after a damaged download (-402, -403), try
// again later after a failed download or during server maintenance (-502, -504). Empty otherwise.
std::string JVAdvice(int code);

// A failure as it is shown and logged, on one line: JVMessage, then the component's own account
// (JVLink::lastError) in brackets when it has one, then JVAdvice.
std::string JVFailure(std::string_view operation, int code, std::string_view detail);

} // namespace solvane
