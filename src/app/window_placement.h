#pragma once

class QWidget;

namespace tovrin {

// Places `window` in the middle of the screen `beside` is on (its own screen
// when there is none), as the program shows its settings, about and run
// dialogs: over the middle of the screen rather than over the main window.
// Call before showing it; its layout is settled first, so its size is known.
void CentreOnScreen(QWidget& window, const QWidget* beside);

}  // namespace tovrin
