#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QFile;

namespace tovrin {

struct AppContext;
class RedirectorFetch;
class Shell;

// Fetches the redirector at `location` (trimmed) and tells the user how it
// went: the fetch's progress, its success and a stop in the session log, a
// failure in one message box. When the web server asks for credentials the
// user is asked for a password and a user id, which the fetch keeps for that
// server's next asking, and told to try again. The body (perhaps empty), or
// nothing when the fetch failed or was stopped.
std::optional<QByteArray> FetchRedirector(Shell& shell, RedirectorFetch& fetch, const QString& location);

// Fetches the redirector named by the opened location over HTTP, offers to
// save it, and fills the URL list with its addresses (the first becomes the
// URL text). True when at least one address was found; otherwise the user has
// been told why, once (or the fetch was stopped, as the log says).
bool LoadRedirector(AppContext& ctx, RedirectorFetch& fetch);
// The same from a local file that is open for reading.
bool LoadRedirector(AppContext& ctx, QFile& file);

// Saves a fetched redirector text, byte for byte, where the user chooses
// (starting in AsxDir, which it then remembers). An existing file is
// replaced only once the whole new text has been written.
bool SaveRedirectorFile(AppContext& ctx, const QByteArray& text);

}  // namespace tovrin
