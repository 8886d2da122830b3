// The forecast mark window "予想印入力": the user pastes a forecast page's FI marks or triple-factor
// marks, and the day's ".FI" or ".TF" file is written. The grammar and the files are Forecast's; this
// window holds the two memos and their buttons. Also the folder dialog of the compi box ハルニレ, whose
// files the day loader reads.
#pragma once

#include "gui/Dialogs.h"
#include "raceday/Forecast.h"

#include <QDialog>
#include <filesystem>
#include <functional>

class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace solvane {

class SettingsFile;

// The clipboard's text; tests give their own.
using ClipboardReader = std::function<QString()>;
// A folder dialog: the chosen folder, or an empty text when the user cancelled.
using FolderPicker = std::function<QString(QWidget* parent, const QString& caption, const QString& startFolder)>;

class TCompiForm : public QDialog {
    Q_OBJECT

public:
    // The position comes from [locateCompiForm] top/left now and is written back when the window goes.
    TCompiForm(SettingsFile& settings, std::filesystem::path appFolder, QWidget* parent = nullptr);
    ~TCompiForm() override;

    void setMessageSink(MessageSink sink) { inform_ = std::move(sink); }
    void setQuestion(YesNoQuestion ask) { ask_ = std::move(ask); }
    void setClipboardReader(ClipboardReader read) { clipboard_ = std::move(read); }
    // Runs once the window has closed: the main window reloads the selected date there, so that the
    // imported marks show at once.
    void setOnClosed(std::function<void()> onClosed) { onClosed_ = std::move(onClosed); }

    // "ｸﾘｯﾌﾟﾎﾞｰﾄﾞよりFI予想を入力": the clipboard into Memo1, then the FI import.
    void CompiBtnClick();
    // "貼り付け時の取込": the FI import of Memo1's text.
    void ReadBtnClick();
    // "トリプルファクター予想を入力": the clipboard into Memo2, then the triple-factor import.
    void LbSpeedButton1Click();
    // The triple-factor import of Memo2's text.
    void ReadBtn2Click();
    // A click on either memo selects all its text, ready to be pasted over.
    void Memo1Click(QPlainTextEdit* memo);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void import(ForecastKind kind, QPlainTextEdit* memo);

    SettingsFile& settings_;
    std::filesystem::path appFolder_;
    MessageSink inform_;
    YesNoQuestion ask_;
    ClipboardReader clipboard_;
    std::function<void()> onClosed_;

    QTabWidget* PageControl1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPlainTextEdit* Memo2 = nullptr;
    QPushButton* CompiBtn = nullptr;
    QPushButton* ReadBtn = nullptr;
    QPushButton* LbSpeedButton1 = nullptr;
    QPushButton* ReadBtn2 = nullptr;
};

// The menu item "ハルニレフォルダ指定(&K)": a folder dialog "ハルニレフォルダの指定" that starts at [Dir]
// harunire (when that is empty, the application folder's DATA folder); the chosen folder is written to
// [Dir] harunire. True when a folder was chosen and stored; a settings file that cannot be written is
// reported through inform. pick defaults to QFileDialog::getExistingDirectory.
bool HarunireFolderClick(QWidget* parent, SettingsFile& settings, const std::filesystem::path& appFolder,
                         const MessageSink& inform = {}, const FolderPicker& pick = {});

} // namespace solvane
