#pragma once

#include "state/shell.h"

namespace tovrin {

struct AppContext;

// The media server's credentials dialog, as logic: what it shows, and what
// its OK makes of the answer. The user id and password are joined as
// "id:password" (UTF-8), Base64-encoded, and sent as AuthCredentials; the
// same text is kept in the "Auth" setting when the user ticks save.

// The dialog's opening state: the server host, the realm named by the
// server's challenge, and the saved credentials split at the first colon.
PasswordPrompt PreparePasswordPrompt(AppContext& ctx);

// OK: sets the run's AuthCredentials and saves them to "Auth", or empties
// "Auth" when the user chose not to save.
void AcceptPassword(AppContext& ctx, const PasswordAnswer& answer);

// Shows the dialog through the shell; true when the user confirmed it.
bool AskServerCredentials(AppContext& ctx);

}  // namespace tovrin
