#include "MarkArgs.h"

#include "util/Text.h"

namespace solvane::cli {
namespace {

std::optional<MarkKind> markKindOf(std::string_view symbol)
{
    for (MarkKind kind : {MarkKind::Honmei, MarkKind::Taikou, MarkKind::Tanana})
        if (MarkHeading(kind) == symbol)
            return kind;
    return std::nullopt;
}

} // namespace

bool IsMarkWord(const std::string& word)
{
    for (const std::string& group : splitString(word, ' ')) {
        if (trim(group).empty())
            continue;
        const auto eq = group.find('=');
        if (eq == std::string::npos || !markKindOf(trim(std::string_view(group).substr(0, eq))))
            return false;
    }
    return !trim(word).empty();
}

std::string ParseMarks(const std::string& text, int maxHorse, Marks& marks)
{
    for (const std::string& group : splitString(text, ' ')) {
        if (trim(group).empty())
            continue;
        const auto eq = group.find('=');
        const auto kind =
            eq == std::string::npos ? std::nullopt : markKindOf(trim(std::string_view(group).substr(0, eq)));
        if (!kind)
            return "印は ◎=1,2 ○=3 ▲=4 の形で指定してください：" + group;
        for (const std::string& number : splitString(group.substr(eq + 1), ',')) {
            const std::string digits(trim(number));
            const long long h = digits.size() <= 2 ? toIntDef(digits, 0) : 0;
            if (digits.find_first_not_of("0123456789") != std::string::npos || h < 1 || h > maxHorse)
                return "このレースの馬番は 1〜" + std::to_string(maxHorse) + " です：" + group;
            marks.set(*kind, static_cast<int>(h), true);
        }
    }
    return {};
}

} // namespace solvane::cli
