// The rule file parser: a rule that parses is written out again and must read back the same.
#include "verify/SelectionRule.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace solvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const RuleFileParse parsed = ParseRuleFile(std::string_view(reinterpret_cast<const char*>(data), size));
    if (parsed.rule) {
        const RuleFileParse again = ParseRuleFile(FormatRuleFile(*parsed.rule));
        if (!again.rule || !(*again.rule == *parsed.rule))
            std::abort(); // a written rule file must read back as the rule it came from
    }
    return 0;
}
