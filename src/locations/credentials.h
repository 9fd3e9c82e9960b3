#pragma once

#include "state/shell.h"

#include <QByteArray>
#include <QString>

namespace tovrin {

// The media server's credentials dialog, as pure rules: what it shows, and
// what its OK makes of the answer. The user id and password are joined as
// "id:password" (UTF-8), Base64-encoded, and sent as AuthCredentials; the
// same text is kept in the "Auth" setting when the user ticks save.

// The dialog's opening state: the server host, the realm named by the
// server's challenge ("realm=..."), and the saved credentials (the "Auth"
// setting's Base64 text) split at the first colon.
PasswordPrompt PreparePasswordPrompt(const QString& serverHost, const QString& authChallenge,
                                     const QByteArray& savedAuth);

// The AuthCredentials an OK sends: "id:password" in UTF-8, Base64-encoded.
QByteArray EncodeCredentials(const PasswordAnswer& answer);

}  // namespace tovrin
