#pragma once

#include <QString>

namespace tovrin {

struct AppContext;

// The application error handler: tells the user about an unexpected error and
// ends any run without patching its save file (what was written stays).
void HandleApplicationError(AppContext& ctx, const QString& message);

}  // namespace tovrin
