#include "JVLinkSession.h"

#include "app/AppIdentity.h"
#include "app/AppShell.h"
#include "app/SettingsKeys.h"
#include "jvdata/JVLinkFactory.h"
#include "jvdata/JVMessage.h"
#include "util/CommandLine.h"

#include <cstdlib>
#include <ostream>

namespace solvane::cli {

std::unique_ptr<JVLink> openJVLinkSession(CliContext& ctx)
{
    JVLinkOptions options;
    options.feedFolder =
        ResolveFeedFolder(EnvironmentValue("SOLVANE_FEED"), ctx.settings.get(keys::JVLinkFeed), ctx.appFolder);
    options.clock = &ctx.clock;
    std::string why;
    auto link = CreateJVLink(options, &why);
    if (!link) {
        ctx.err << kJVLinkMissing << '\n';
        if (!why.empty())
            ctx.err << why << '\n';
        return nullptr;
    }
    const int rc = link->JVInit(SoftwareId());
    if (rc != 0) {
        ctx.err << "JVInitエラー：" << JVFailure("JVInit", rc, link->lastError()) << '\n';
        return nullptr;
    }
    return link;
}

} // namespace solvane::cli
