#include "jvdata/JVLinkFactory.h"

#include "jvdata/BridgeJVLink.h"
#include "jvdata/LocalJVLink.h"
#include "util/CommandLine.h"
#include "util/Files.h"
#include "util/Text.h"

#include <cstdlib>

#ifdef _WIN32
#include <objbase.h>
#include <windows.h>
#endif

namespace solvane {

std::filesystem::path ResolveFeedFolder(const std::optional<std::string>& envFeed, const std::string& settingsFeed,
                                        const std::filesystem::path& appFolder)
{
    if (envFeed && !envFeed->empty())
        return pathFromUtf8(*envFeed);
    if (const std::string_view setting = trim(settingsFeed); !setting.empty())
        return pathFromUtf8(setting);
    return appFolder / "feed";
}

bool JVLinkInstalled()
{
#ifdef _WIN32
    // The ProgID's registration is shared by 32- and 64-bit programs; the component itself is 32-bit
    // and is created only in the bridge.
    CLSID clsid;
    return SUCCEEDED(CLSIDFromProgID(L"JVDTLab.JVLink", &clsid));
#else
    return false;
#endif
}

static std::filesystem::path defaultBridgeProgram()
{
#ifdef _WIN32
    wchar_t buffer[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
    return std::filesystem::path(std::wstring(buffer, n)).parent_path() / L"solvane-jvlink-bridge.exe";
#else
    return {};
#endif
}

std::unique_ptr<JVLink> CreateJVLink(const JVLinkOptions& options, std::string* error)
{
    // The one place that picks the component: on Windows the real JV-Link through the bridge when it
    // is installed, unless SOLVANE_FEED asks for a feed folder; everywhere else the local component
    // serves the feed folder.
    auto fail = [&](std::string message) -> std::unique_ptr<JVLink> {
        if (error)
            *error = std::move(message);
        return nullptr;
    };
    const std::optional<std::string> envFeed = EnvironmentValue("SOLVANE_FEED");
    if (!(envFeed && !envFeed->empty()) && JVLinkInstalled()) {
        BridgeJVLinkOptions bridge;
        bridge.program = options.bridgeProgram.empty() ? defaultBridgeProgram() : options.bridgeProgram;
        std::error_code ec;
        if (!std::filesystem::is_regular_file(bridge.program, ec))
            return fail("JV-Link中継プログラム「" + pathToUtf8(bridge.program) + "」が見つかりません。");
        if (error)
            error->clear();
        return std::make_unique<BridgeJVLink>(std::move(bridge));
    }
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
