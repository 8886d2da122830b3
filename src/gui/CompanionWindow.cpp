#include "gui/CompanionWindow.h"

#include "app/SettingsFile.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace solvane {

namespace {

// Stores the window's geometry each time it hides.
class GeometryKeeper : public QObject {
public:
    GeometryKeeper(QWidget& window, SettingsFile& settings, const GeometryKeys& keys)
        : QObject(&window), window_(window), settings_(settings), keys_(keys)
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &window_ && event->type() == QEvent::Hide)
            StoreGeometry(settings_, keys_, RectOf(window_.geometry()));
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget& window_;
    SettingsFile& settings_;
    GeometryKeys keys_;
};

constexpr const char* kPlaced = "solvaneCompanionPlaced";

} // namespace

WindowRect RectOf(const QRect& r)
{
    return WindowRect{r.left(), r.top(), r.width(), r.height()};
}

void ShowCompanion(QWidget& window, const QWidget& owner, const QRect& area, SettingsFile& settings,
                   const GeometryKeys& keys, QSize wanted)
{
    if (!window.property(kPlaced).toBool()) {
        window.setProperty(kPlaced, true);
        const QScreen* screen = owner.window()->screen() ? owner.window()->screen() : QGuiApplication::primaryScreen();
        const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1366, 768);
        const QSize least = window.minimumSize().expandedTo(window.minimumSizeHint());
        wanted = wanted.expandedTo(least);
        const WindowRect r = PlaceCompanion(RectOf(available), RectOf(area), wanted.width(), wanted.height(),
                                            StoredGeometry(settings, keys), least.width(), least.height());
        window.setGeometry(r.left, r.top, r.width, r.height);
        new GeometryKeeper(window, settings, keys);
    }
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace solvane
