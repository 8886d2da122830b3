#include "jvdata/JVLinkFactory.h"

#include "jvdata/LocalJVLink.h"
#include "util/Files.h"
#include "util/Text.h"

namespace solvane {

std::filesystem::path ResolveFeedFolder(const char* envFeed, const std::string& settingsFeed,
                                        const std::filesystem::path& appFolder)
{
    if (envFeed && *envFeed)
        return pathFromUtf8(envFeed);
    if (const std::string_view setting = trim(settingsFeed); !setting.empty())
        return pathFromUtf8(setting);
    return appFolder / "feed";
}

std::unique_ptr<JVLink> CreateJVLink(const JVLinkOptions& options, std::string* error)
{
    // The one place that picks the component: a Windows build will create its adapter for the real
    // JV-Link here; everywhere else the local component serves the feed folder.
    auto fail = [&](std::string message) -> std::unique_ptr<JVLink> {
        if (error)
            *error = std::move(message);
        return nullptr;
    };
    const std::filesystem::path& folder = options.feedFolder;
    const std::string hint = "（環境変数 SOLVANE_FEED か設定 [JVLink] Feed で指定できます）";
    if (folder.empty())
        return fail("JV-Linkのフィードフォルダが指定されていません。" + hint);
    std::error_code ec;
    const auto status = std::filesystem::status(folder, ec);
    if (!std::filesystem::exists(status))
        return fail("JV-Linkのフィードフォルダ「" + pathToUtf8(folder) + "」が見つかりません。" + hint);
    if (!std::filesystem::is_directory(status))
        return fail("JV-Linkのフィードフォルダ「" + pathToUtf8(folder) + "」はフォルダではありません。" + hint);

    static const SystemClock systemClock;
    const Clock& clock = options.clock ? *options.clock : systemClock;
    if (error)
        error->clear();
    return std::make_unique<LocalJVLink>(folder, clock);
}

} // namespace solvane
