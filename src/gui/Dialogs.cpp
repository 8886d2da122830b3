#include "gui/Dialogs.h"

#include <QApplication>

namespace solvane {

void ShowMessageBox(QWidget* parent, MessageKind kind, const QString& caption, const QString& text)
{
    switch (kind) {
    case MessageKind::Information:
        QApplication::beep();
        QMessageBox::information(parent, caption, text);
        break;
    case MessageKind::Error:
        QMessageBox::critical(parent, caption, text);
        break;
    case MessageKind::Plain: {
        QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
        box.exec();
        break;
    }
    }
}

MessageSink OwnBeepMessageBoxes(QWidget* owner)
{
    return [owner](MessageKind kind, const QString& caption, const QString& text) {
        if (kind == MessageKind::Information)
            QMessageBox::information(owner, caption, text);
        else
            ShowMessageBox(owner, kind, caption, text);
    };
}

bool AskYesNo(QWidget* owner, const QString& text, QMessageBox::StandardButton defaultButton)
{
    return QMessageBox::question(owner, owner->windowTitle(), text, QMessageBox::Yes | QMessageBox::No,
                                 defaultButton) == QMessageBox::Yes;
}

} // namespace solvane
