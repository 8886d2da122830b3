// What every window uses to speak to the user: the message sink, the yes/no question, the dialog
// runner, the beep and the folder and file choosers. Each is a hook that tests replace, so no test waits
// on a modal box; the defaults show Qt's boxes.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>
#include <string_view>

class QDialog;
class QWidget;

namespace solvane {

// A UTF-8 text of the core (captions, messages, grid cells) as Qt's text.
inline QString q(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

enum class MessageKind { Information, Error, Plain };

// How the window tells the user something; tests replace it to answer without a modal dialog.
using MessageSink = std::function<void(MessageKind kind, const QString& caption, const QString& text)>;
// Asks a yes/no question; tests answer it without a modal box.
using YesNoQuestion = std::function<bool(const QString& text)>;
// Runs a modal dialog and returns its result; tests answer the dialog without an event loop of its own.
using DialogRunner = std::function<int(QDialog& dialog)>;
// The system beep; tests count the beeps instead.
using Beeper = std::function<void()>;
// A folder dialog: the chosen folder, or an empty text when the user cancelled.
using FolderChooser = std::function<QString(QWidget* parent, const QString& caption, const QString& startFolder)>;
// Save-file and open-file dialogs: the chosen file, or an empty text when the user cancelled.
using SaveFileChooser =
    std::function<QString(QWidget* parent, const QString& caption, const QString& startFile, const QString& filter)>;
using OpenFileChooser = SaveFileChooser;

// The default sink: a message box after a beep for information and errors, a plain box otherwise.
void ShowMessageBox(QWidget* parent, MessageKind kind, const QString& caption, const QString& text);
// The message boxes of a window that beeps by itself: ShowMessageBox without its beep for information.
MessageSink OwnBeepMessageBoxes(QWidget* owner);
// A Yes/No question box captioned with the owner's title; true for Yes. defaultButton is what Enter
// answers.
bool AskYesNo(QWidget* owner, const QString& text, QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

} // namespace solvane
