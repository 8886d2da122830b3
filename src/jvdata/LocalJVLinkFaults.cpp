#include "jvdata/LocalJVLinkFaults.h"

#include "util/Files.h"
#include "util/Text.h"

#include <algorithm>
#include <limits>

namespace solvane {

FeedFaults FeedFaults::parse(std::string_view text)
{
    if (startsWith(text, "\xEF\xBB\xBF"))
        text.remove_prefix(3);
    FeedFaults faults;
    std::map<std::string, std::string>* section = nullptr;
    for (const std::string& raw : splitLines(text)) {
        const std::string_view line = trim(raw);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            section = close == std::string_view::npos ? nullptr
                                                      : &faults.sections_[asciiLower(trim(line.substr(1, close - 1)))];
            continue;
        }
        const std::size_t eq = line.find('=');
        if (!section || eq == std::string_view::npos)
            continue;
        (*section)[asciiLower(trim(line.substr(0, eq)))] = std::string(trim(line.substr(eq + 1)));
    }
    return faults;
}

FeedFaults FeedFaults::load(const std::filesystem::path& file)
{
    const std::optional<std::string> text = readFile(file);
    return text ? parse(*text) : FeedFaults{};
}

std::optional<long long> FeedFaults::value(std::string_view section, std::string_view key) const
{
    const auto s = sections_.find(asciiLower(section));
    if (s == sections_.end())
        return std::nullopt;
    const auto k = s->second.find(asciiLower(key));
    if (k == s->second.end())
        return std::nullopt;
    constexpr long long kBad = std::numeric_limits<long long>::min();
    const long long v = toIntDef(k->second, kBad);
    if (v == kBad)
        return std::nullopt;
    return v;
}

std::optional<FeedFault> FeedFaults::find(std::string_view operation, std::string_view dataspec) const
{
    // A qualified section decides alone when it has a result, so "result=0" there exempts one
    // dataspec from a fault of the plain section.
    const std::string qualified = std::string(operation) + ":" + std::string(dataspec);
    for (const std::string& section : {qualified, std::string(operation)}) {
        const std::optional<long long> result = value(section, "result");
        if (!result)
            continue;
        if (*result == 0 || *result < std::numeric_limits<int>::min() || *result > std::numeric_limits<int>::max())
            return std::nullopt;
        FeedFault fault;
        fault.result = static_cast<int>(*result);
        fault.after = std::max(0LL, value(section, "after").value_or(0));
        return fault;
    }
    return std::nullopt;
}

} // namespace solvane
