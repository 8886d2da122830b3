// The alert sound after an odds pass and the sounds the fetch-time window offers. Playing never waits
// for the sound and never reports a missing or unplayable file: the alert is a courtesy, and a broken
// sound must not stop the unattended fetches that follow.
#pragma once

#include <QObject>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace solvane {

// Plays a sound file by name; the window injects its own in tests so nothing is played there.
using SoundPlayer = std::function<void(const QString& file)>;

// Where the offered sounds are: the Windows folder's "Media" on Windows. Elsewhere there is no such
// folder, so our own appFolder/"Media" comes first, then the system's sound theme folder
// (systemSounds, normally /usr/share/sounds) when it exists.
std::vector<std::filesystem::path> AlarmSoundFolders(const std::filesystem::path& appFolder,
                                                     const std::filesystem::path& windowsFolder,
                                                     const std::filesystem::path& systemSounds = "/usr/share/sounds");

// One offered sound: its full path and the name the list shows (relative to its folder, so files of
// the same name in two theme folders stay apart).
struct SoundFile {
    std::filesystem::path path;
    std::string name; // UTF-8
};
// The ".wav" files (suffix in any case) of the folders, each folder's files sorted by name. Folders
// below a folder are searched as well, since sound themes keep their files in subfolders.
std::vector<SoundFile> ListAlarmSounds(const std::vector<std::filesystem::path>& folders);

// The name part of a stored sound path, whichever separator it was written with ("C:\x\Ring08.wav").
std::string SoundFileName(const std::string& storedPath);

// The asynchronous player behind the default SoundPlayer. The audio object is made on the first play,
// so a window that never plays (every test) never opens the audio system.
class AlarmSound {
public:
    AlarmSound();
    ~AlarmSound();
    AlarmSound(const AlarmSound&) = delete;
    AlarmSound& operator=(const AlarmSound&) = delete;

    void play(const QString& file);

private:
    // A QSoundEffect when the program was built with Qt Multimedia; held as its base so this header
    // reads the same to every user of it, built with or without.
    std::unique_ptr<QObject> effect_;
};

} // namespace solvane
