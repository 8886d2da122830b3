#include "gui/HelpKey.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QObject>

namespace solvane {

namespace {

class HelpKeyFilter : public QObject {
public:
    HelpKeyFilter(QObject* owner, std::function<void()> help) : QObject(owner), help_(std::move(help)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        // Shift+F1 stays Qt's "What's This"; other modifiers are not ours either.
        if (key->key() != Qt::Key_F1 || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return QObject::eventFilter(watched, event);
        // Taken here, the key reaches no widget, so one press is one call. While help runs (its message
        // box may be open), a further F1 is swallowed.
        if (!key->isAutoRepeat() && !running_) {
            running_ = true;
            help_();
            running_ = false;
        }
        return true;
    }

private:
    std::function<void()> help_;
    bool running_ = false;
};

} // namespace

void InstallHelpKey(QObject* owner, std::function<void()> help)
{
    QCoreApplication::instance()->installEventFilter(new HelpKeyFilter(owner, std::move(help)));
}

} // namespace solvane
