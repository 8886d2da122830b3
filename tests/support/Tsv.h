// The tab-separated tables the CLI prints, read back as cells.
#pragma once

#include "util/Text.h"

#include <string>
#include <vector>

namespace solvane::test {

// Tab-separated lines to cells.
inline std::vector<std::vector<std::string>> cellsOf(const std::string& tsv)
{
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : splitLines(tsv))
        rows.push_back(splitString(line, '\t'));
    return rows;
}

} // namespace solvane::test
