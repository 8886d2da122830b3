// Shows a companion window of the main window where PlaceCompanion says, and keeps its geometry in the
// settings file whenever it is hidden (closed), so it opens next time where the user left it.
#pragma once

#include "app/WindowPlacement.h"

#include <QRect>

class QWidget;

namespace solvane {

class SettingsFile;

WindowRect RectOf(const QRect& r);

// The first time: places window over area (global coordinates, the part of the main window it may
// cover) on owner's screen, or where the settings keep it, and from then on stores its geometry under
// keys when it hides. Every time: shows, raises and activates it.
void ShowCompanion(QWidget& window, const QWidget& owner, const QRect& area, SettingsFile& settings,
                   const GeometryKeys& keys, QSize wanted);

} // namespace solvane
