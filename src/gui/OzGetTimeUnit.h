// The fetch-time window "データﾞ自動取得時刻指定": how long before each post the odds are fetched, the
// interval of the results fetch, and the alert sound. Opened modally from the main window's menu and
// made afresh each time. The times take effect at the next day load, when the schedule is worked out.
#pragma once

#include "gui/AlarmSound.h"
#include "gui/Dialogs.h"

#include <QDialog>
#include <filesystem>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace solvane {

class SettingsFile;

class TOzGetTimeForm : public QDialog {
    Q_OBJECT

public:
    // soundFolders: where the offered sounds are (AlarmSoundFolders); play starts a sound and returns.
    TOzGetTimeForm(SettingsFile& settings, std::vector<std::filesystem::path> soundFolders, SoundPlayer play,
                   QWidget* parent = nullptr);
    ~TOzGetTimeForm() override;

    // A setting that could not be written is reported here.
    void setMessageSink(MessageSink sink) { inform_ = std::move(sink); }

    // A file of the list chosen: it becomes the alert at once.
    void FileListBox1Click();
    // A double click on a file of the list: it is played.
    void FileListBox1DblClick();
    // A double click on the file label, and "再生": the chosen alert is played.
    void SoundLabelDblClick();
    void PlayBtnClick();
    // "OK": the times and the alert written, the window closed.
    void OKBtnClick();

    // The full path of the alert the window holds (UTF-8).
    const std::string& chosenSound() const { return chosen_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool write(bool ok, const char* what);

    SettingsFile& settings_;
    SoundPlayer play_;
    MessageSink inform_;
    std::string chosen_;
    int tohyoInterval_ = 5;        // kept as read: the window does not show it
    QSpinBox* SpinEdit1 = nullptr; // minutes before the post
    QSpinBox* SpinEdit2 = nullptr; // and seconds
    QSpinBox* SpinEdit3 = nullptr; // results interval, minutes
    QListWidget* FileListBox1 = nullptr;
    QLabel* SoundLabel = nullptr;
    QPushButton* PlayBtn = nullptr;
    QPushButton* OKBtn = nullptr;
};

} // namespace solvane
