// The JV-Link session of a command: the same component the program would use, initialised with the
// program's software identifier.
#pragma once

#include "CliCommands.h"
#include "jvdata/JVLink.h"

#include <memory>

namespace solvane::cli {

// The component after a successful JVInit, or nullptr after printing the program's message.
std::unique_ptr<JVLink> openJVLinkSession(CliContext& ctx);

} // namespace solvane::cli
