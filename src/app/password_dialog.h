#pragma once

#include "state/shell.h"

#include <optional>

class QWidget;

namespace tovrin {

// The media server's credentials dialog ("輸入網路密碼"): the site and realm,
// the saved user id and password prefilled, "儲存密碼" ticked. Modal; nullopt
// when cancelled.
std::optional<PasswordAnswer> AskPassword(QWidget* parent, const PasswordPrompt& prompt);

}  // namespace tovrin
