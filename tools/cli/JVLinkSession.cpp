#include "JVLinkSession.h"

#include "app/AppShell.h"
#include "app/JVLinkSession.h"

#include <ostream>

namespace solvane::cli {

std::unique_ptr<JVLink> openJVLinkSession(CliContext& ctx)
{
    std::string why;
    auto link = CreateProgramJVLink(ctx.settings, ctx.appFolder, &ctx.clock, &why);
    if (!link) {
        ctx.err << kJVLinkMissing << '\n';
        if (!why.empty())
            ctx.err << why << '\n';
        return nullptr;
    }
    if (const std::string failure = OpenJVLinkSession(*link); !failure.empty()) {
        ctx.err << failure << '\n';
        return nullptr;
    }
    return link;
}

} // namespace solvane::cli
