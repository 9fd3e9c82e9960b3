#pragma once

#include "state/shell.h"

#include <QByteArray>
#include <QString>

class QUrl;

namespace tovrin {

// A run's credentials texts. Each run starts with none; its owner (the MMS
// run, or the MMSH controller for its run) holds them and passes them to the
// steps that read or write them.
struct ServerCredentials {
    // The server's challenge text (e.g. realm="..."), as it asked.
    QString challenge;
    // The Basic credentials sent to the server: "id:password" in UTF-8,
    // Base64-encoded (see EncodeCredentials). Empty until the user answers.
    QByteArray encoded;
};

// The media server's credentials dialog, as pure rules: what it shows, and
// what its OK makes of the answer. The user id and password are joined as
// "id:password" (UTF-8), Base64-encoded, and sent as AuthCredentials; the
// same text is kept in the "Auth" setting when the user ticks save.

// The dialog's opening state: the server host, the realm named by the
// server's challenge ("realm=..."), and the saved credentials (the "Auth"
// setting's Base64 text) split at the first colon. The saved credentials are
// offered only to the site they were saved for (`savedSite`, the "AuthHost"
// setting): another server's dialog opens empty, so an OK never hands one
// server's password to another.
PasswordPrompt PreparePasswordPrompt(const QString& serverHost, const QString& authChallenge,
                                     const QByteArray& savedAuth, const QString& savedSite);

// The site credentials belong to, as "AuthHost" keeps it: the server host as
// the dialog shows it ("host" or "host:port"), trimmed and in lower case (a
// host name's case means nothing).
QString CredentialsSite(const QString& serverHost);

// Whether credentials given to the server at `from` may go with a request to
// `to`, e.g. the target of a redirect: only when both name the same scheme,
// host and port (a port left out is the scheme's own). A redirect elsewhere
// drops them; the server there asks for its own.
bool CredentialsFollowRedirect(const QUrl& from, const QUrl& to);

// The AuthCredentials an OK sends: "id:password" in UTF-8, Base64-encoded.
QByteArray EncodeCredentials(const PasswordAnswer& answer);

}  // namespace tovrin
