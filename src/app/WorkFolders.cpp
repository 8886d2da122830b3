#include "app/WorkFolders.h"

#include "util/Files.h"

#include <system_error>

namespace solvane {

namespace fs = std::filesystem;

static bool makeFolder(const fs::path& folder, std::string* message)
{
    std::error_code ec;
    if (fs::is_directory(folder, ec))
        return true;
    std::string reason;
    if (fs::exists(folder, ec))
        reason = "同じ名前のファイルがあります";
    else if (fs::create_directories(folder, ec); !ec && fs::is_directory(folder, ec))
        return true;
    else
        reason = ec ? ec.message() : "不明なエラー";
    if (message)
        *message = "作業フォルダを作成できません：" + pathToUtf8(folder) + "（" + reason + "）";
    return false;
}

bool CreateWorkFolders(const fs::path& appFolder, std::string* message)
{
    if (!makeFolder(appFolder, message))
        return false;
    for (std::string_view name : kWorkFolders) {
        if (!makeFolder(WorkFolder(appFolder, name), message))
            return false;
    }
    return true;
}

fs::path WorkFolder(const fs::path& appFolder, std::string_view name)
{
    return findChildIgnoreCase(appFolder, name);
}

bool HasMarkerFile(const fs::path& appFolder, std::string_view name)
{
    std::error_code ec;
    return fs::is_regular_file(findChildIgnoreCase(appFolder, name), ec);
}

} // namespace solvane
