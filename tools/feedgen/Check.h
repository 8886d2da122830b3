// The feed validator: every record of every file at its published length, with valid headers,
// odds slots in their fixed order and valid payout combinations.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace solvane::feedgen {

struct CheckReport {
    long long files = 0, records = 0, bytes = 0;
    std::map<std::string, long long> perType;
    std::vector<std::string> problems; // the first ones found, "path: record n: what"
    long long problemCount = 0;
    bool ok() const { return problemCount == 0; }
};

CheckReport CheckFeed(const std::filesystem::path& feed, std::size_t maxProblems = 50);
// Checks one buffer of records (a file's contents) as a file named name.
void CheckRecords(const std::string& name, const std::string& bytes, CheckReport& report, std::size_t maxProblems);
std::string FormatReport(const CheckReport& r);

} // namespace solvane::feedgen
