#include "app/JVLinkSession.h"

#include "app/AppIdentity.h"
#include "app/SettingsKeys.h"
#include "jvdata/JVLinkFactory.h"
#include "jvdata/JVMessage.h"
#include "util/CommandLine.h"

namespace solvane {

std::filesystem::path ProgramFeedFolder(SettingsFile& settings, const std::filesystem::path& appFolder)
{
    return ResolveFeedFolder(EnvironmentValue("SOLVANE_FEED"), settings.get(keys::JVLinkFeed), appFolder);
}

std::unique_ptr<JVLink> CreateProgramJVLink(SettingsFile& settings, const std::filesystem::path& appFolder,
                                            const Clock* clock, std::string* error)
{
    JVLinkOptions options;
    options.feedFolder = ProgramFeedFolder(settings, appFolder);
    options.clock = clock;
    return CreateJVLink(options, error);
}

std::string OpenJVLinkSession(JVLink& jvlink)
{
    const int rc = jvlink.JVInit(SoftwareId());
    if (rc != 0)
        return "JVInitエラー：" + JVFailure("JVInit", rc, jvlink.lastError());
    return {};
}

} // namespace solvane
