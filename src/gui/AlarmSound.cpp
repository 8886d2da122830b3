#include "gui/AlarmSound.h"

#include "util/Files.h"
#include "util/Text.h"

#include <QApplication>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>

#ifdef SOLVANE_HAVE_MULTIMEDIA
#include <QSoundEffect>
#endif

namespace solvane {

namespace fs = std::filesystem;

std::vector<fs::path> AlarmSoundFolders(const fs::path& appFolder, const fs::path& windowsFolder,
                                        const fs::path& systemSounds)
{
    if (!windowsFolder.empty())
        return {findChildIgnoreCase(windowsFolder, "Media")};
    std::vector<fs::path> folders{findChildIgnoreCase(appFolder, "Media")};
    std::error_code ec;
    if (!systemSounds.empty() && fs::is_directory(systemSounds, ec))
        folders.push_back(systemSounds);
    return folders;
}

std::vector<SoundFile> ListAlarmSounds(const std::vector<fs::path>& folders)
{
    std::vector<SoundFile> out;
    for (const fs::path& folder : folders) {
        std::vector<SoundFile> here;
        std::error_code ec;
        // A folder we may not read, or one that vanishes while listed, offers what was found so far.
        for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
             !ec && it != end; it.increment(ec)) {
            std::error_code fileEc;
            if (!it->is_regular_file(fileEc) || !endsWith(asciiLower(pathToUtf8(it->path().filename())), ".wav"))
                continue;
            here.push_back({it->path(), pathToUtf8(it->path().lexically_relative(folder))});
        }
        std::sort(here.begin(), here.end(), [](const SoundFile& a, const SoundFile& b) { return a.name < b.name; });
        out.insert(out.end(), here.begin(), here.end());
    }
    return out;
}

std::string SoundFileName(const std::string& storedPath)
{
    const std::size_t cut = storedPath.find_last_of("\\/");
    return cut == std::string::npos ? storedPath : storedPath.substr(cut + 1);
}

AlarmSound::AlarmSound() = default;
AlarmSound::~AlarmSound() = default;

void AlarmSound::play(const QString& file)
{
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return;
#ifdef SOLVANE_HAVE_MULTIMEDIA
    if (!effect_)
        effect_ = std::make_unique<QSoundEffect>();
    auto* effect = static_cast<QSoundEffect*>(effect_.get());
    const QUrl source = QUrl::fromLocalFile(file);
    if (effect->source() != source)
        effect->setSource(source);
    // play() returns at once; a sound still loading starts when it is ready.
    effect->play();
#else
    // Built without Qt Multimedia: the system's beep stands in for the chosen sound.
    QApplication::beep();
#endif
}

} // namespace solvane
