#pragma once

#include "state/shell.h"

#include <QString>

namespace tovrin {

struct AppContext;
struct ServerCredentials;

// What a run asks of the user to reach its server: the server host taken out
// of the stream address, and the credentials the server asks for. Both
// controllers call these on the UI thread.

// Takes the server host out of a stream address (see ServerHostOf) into the
// run's serverHost. Fails with a message box, keeping serverHost, when the
// address names none.
bool ExtractServerHost(AppContext& ctx, const QString& url);

// The credentials dialog's OK: sets the run's encoded credentials and saves
// them to "Auth", with the run's server in "AuthHost", or empties both when
// the user chose not to save.
void AcceptPassword(AppContext& ctx, ServerCredentials& credentials, const PasswordAnswer& answer);

// Shows the credentials dialog through the shell, opened with the run's server
// host, the challenge's realm and the saved credentials when they were saved
// for that server; true when the user confirmed it (the answer then accepted
// into `credentials`).
bool AskServerCredentials(AppContext& ctx, ServerCredentials& credentials);

}  // namespace tovrin
