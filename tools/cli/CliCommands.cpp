#include "CliCommands.h"

#include <algorithm>
#include <map>

namespace solvane::cli {

// Function-local so that registrations from other files' static objects find it constructed.
static std::map<std::string, CliCommand>& table()
{
    static std::map<std::string, CliCommand> commands;
    return commands;
}

void registerCommand(std::string name, std::string usage, CliHandler handler)
{
    auto key = name;
    table()[key] = CliCommand{std::move(name), std::move(usage), std::move(handler)};
}

const CliCommand* findCommand(const std::string& name)
{
    auto it = table().find(name);
    return it == table().end() ? nullptr : &it->second;
}

std::vector<const CliCommand*> allCommands()
{
    std::vector<const CliCommand*> out;
    for (const auto& [name, command] : table())
        out.push_back(&command);
    return out;
}

} // namespace solvane::cli
