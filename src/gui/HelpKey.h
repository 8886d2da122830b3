// F1 opens the manual from every window of the program, as "ヘルプ" does: one filter on the
// application sees the key whichever window has the focus, modal dialogs included.
#pragma once

#include <functional>

class QObject;

namespace solvane {

// Installs the filter on the running application. help runs once per press of F1 (no modifier, not
// while held down, not again while an earlier call has not returned). The filter is a child of owner
// and stops with it.
void InstallHelpKey(QObject* owner, std::function<void()> help);

} // namespace solvane
