// faults.ini of a feed folder: results that the local JV-Link component gives instead of its own,
// so that tests can walk every error path of the import and the real-time fetches.
//
//   [JVOpen]            result=-504
//   [JVRead]            result=-502   after=100      (fail once 100 records have been served)
//   [JVRTOpen:0B30]     result=-202                  (only for that dataspec)
//   [Download]          time=0  calls=1              (simulated download pace)
//
// Sections and keys ignore ASCII case; lines starting with ';' or '#' are comments.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace solvane {

struct FeedFault {
    int result = 0;
    // JVRead: records served by the open request before the fault strikes; JVStatus: files
    // downloaded before it strikes. 0 = at once.
    long long after = 0;
};

class FeedFaults {
public:
    static FeedFaults parse(std::string_view text);
    // A missing or unreadable file means no faults.
    static FeedFaults load(const std::filesystem::path& file);

    // The fault of operation for dataspec: section "operation:dataspec" when it has a result,
    // else section "operation". None when that result is 0 or missing.
    std::optional<FeedFault> find(std::string_view operation, std::string_view dataspec) const;

    // An integer value, when present and well-formed.
    std::optional<long long> value(std::string_view section, std::string_view key) const;

private:
    // Lower-cased section -> lower-cased key -> trimmed value.
    std::map<std::string, std::map<std::string, std::string>> sections_;
};

} // namespace solvane
