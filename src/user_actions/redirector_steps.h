#pragma once

#include <QByteArray>
#include <QString>

class QFile;

namespace tovrin {

struct AppContext;
class RedirectorFetch;
class Shell;

// Fetches the redirector at `location` (trimmed) and tells the user how it
// went: the fetch's progress and its success in the session log, a failure in
// a message box. When the web server asks for credentials the user is asked
// for a password and a user id, which the fetch keeps for the next one, and
// told to try again. The body, or nothing when none is usable.
QByteArray FetchRedirector(Shell& shell, RedirectorFetch& fetch, const QString& location);

// Fetches the redirector named by the opened location over HTTP, offers to
// save it, and fills the URL list with its addresses (the first becomes the
// URL text). True when at least one address was found.
bool LoadRedirector(AppContext& ctx, RedirectorFetch& fetch);
// The same from a local file that is open for reading.
bool LoadRedirector(AppContext& ctx, QFile& file);

// Saves a fetched redirector text, byte for byte, where the user chooses
// (starting in AsxDir, which it then remembers). An existing file is
// replaced only once the whole new text has been written.
bool SaveRedirectorFile(AppContext& ctx, const QByteArray& text);

}  // namespace tovrin
