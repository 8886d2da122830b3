// The bulk import window "ＪＶデータ取込": picks the start time and the kind of data, runs the import
// with its two progress bars and lets the user stop it. The work itself is BulkImport's.
#pragma once

#include "gui/Dialogs.h"
#include "jvdata/JVReadLoop.h"
#include "store/BulkImport.h"

#include <QDialog>
#include <filesystem>
#include <functional>
#include <memory>

class QCheckBox;
class QDateTimeEdit;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace solvane {

class SettingsFile;

class TGetDataForm : public QDialog {
    Q_OBJECT

public:
    TGetDataForm(JVLink& jvlink, SettingsFile& settings, const Clock& clock, std::filesystem::path appFolder,
                 QWidget* parent = nullptr);
    ~TGetDataForm() override;

    void setMessageSink(MessageSink sink) { inform_ = std::move(sink); }
    void setQuestion(YesNoQuestion ask) { ask_ = std::move(ask); }

    void ButtonStartClick();
    void ButtonCancelClick();
    void SpeedButton1Click();
    void CheckBox1Click();

    bool running() const { return import_ != nullptr; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void TimerJVStatusTimer();
    void runRead();
    void finished();
    void showNewMessages();
    void setPicker(const DateTime& t);
    void setRunning(bool on);
    void inform(const QString& text);

    JVLink& jvlink_;
    SettingsFile& settings_;
    const Clock& clock_;
    std::filesystem::path appFolder_;
    MessageSink inform_;
    YesNoQuestion ask_;
    JVCancelFlag JVCancelRequested{false};
    std::unique_ptr<BulkImport> import_;
    std::size_t messagesShown_ = 0;

    QDateTimeEdit* DateTimePicker1 = nullptr;
    QRadioButton* rbtNormal = nullptr;
    QRadioButton* rbtSetup = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QProgressBar* ProgressBar2 = nullptr;
    QLabel* ProgressLabel = nullptr;
    QLabel* MkDataLabel = nullptr;
    QLabel* Label5 = nullptr;
    QPushButton* ButtonStart = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QPushButton* SpeedButton1 = nullptr;
    QTimer* TimerJVStatus = nullptr;
};

} // namespace solvane
