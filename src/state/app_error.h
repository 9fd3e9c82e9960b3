#pragma once

#include <QString>

namespace tovrin {

struct AppContext;

// The application error handler: tells the user about an unexpected error of
// the run and ends the run without patching its save file (what was written
// stays).
void HandleApplicationError(AppContext& ctx, const QString& message);

// The message box text of an unexpected error with the platform's `message`.
QString ApplicationErrorText(const QString& message);

// Tells the user about an error that does not belong to the run (a setting
// that cannot be written, a window's own failure). The run goes on: only a
// fault of the run ends it.
void ReportError(AppContext& ctx, const QString& message);

}  // namespace tovrin
