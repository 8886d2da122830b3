#include "CliSupport.h"

#include <ostream>

namespace solvane::cli {

static std::string cleanCell(const std::string& cell)
{
    std::string out = cell;
    for (char& c : out)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return out;
}

static void printRow(std::ostream& out, const std::vector<std::string>& row)
{
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (i)
            out << '\t';
        out << cleanCell(row[i]);
    }
    out << '\n';
}

void printTsv(std::ostream& out, const TextGrid& grid)
{
    printRow(out, grid.headings());
    for (int r = 0; r < grid.rowCount(); ++r)
        printRow(out, grid.row(r));
}

void printTsv(std::ostream& out, const std::vector<std::vector<std::string>>& rows)
{
    for (const auto& row : rows)
        printRow(out, row);
}

int fail(CliContext& ctx, const std::string& message)
{
    ctx.err << message << '\n';
    return kExitFailure;
}

int usageError(CliContext& ctx, const std::string& message)
{
    ctx.err << message << '\n';
    return kExitUsage;
}

bool expectArgs(CliContext& ctx, const std::string& command, const std::vector<std::string>& args, std::size_t min,
                std::size_t max)
{
    if (args.size() >= min && args.size() <= max)
        return true;
    printUsage(ctx, command);
    return false;
}

int printUsage(CliContext& ctx, const std::string& command)
{
    const CliCommand* c = findCommand(command);
    ctx.err << "使い方: solvane-cli " << command << ' ' << (c ? c->usage : std::string_view()) << '\n';
    return kExitUsage;
}

} // namespace solvane::cli
