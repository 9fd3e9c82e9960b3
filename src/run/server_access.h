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

// The credentials dialog for a proxy that asks (`proxySite`: its
// "host:port"), opened with the credentials saved for that proxy
// ("ProxyAuth", the proxy in "ProxyAuthHost"). True when the user confirmed
// it: the answer is then in `credentials`, kept for that proxy for the rest
// of the session (it is not asked again) and saved when the user ticked
// save. The media server's saved credentials are never offered to a proxy.
bool AskProxyCredentials(AppContext& ctx, const QString& proxySite, ServerCredentials& credentials);

// What the user is told when a proxy's credentials dialog was cancelled.
QString ProxyCredentialsDeclinedMessage(const QString& proxySite);

}  // namespace tovrin
