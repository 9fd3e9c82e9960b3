#pragma once

#include "locations/open_history.h"
#include "user_actions/open_media.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace tovrin {

struct AppContext;
class RedirectorFetch;

// Told when the media is to change while a connection or a redirector fetch
// is under way.
QString CannotChangeMediaText();

// The open window without its widgets: the history list (the location box's
// items, newest first), the location text (the box's text), and what its
// buttons do. The Qt window shows these and forwards its events here.
class OpenDialog {
public:
    OpenDialog(AppContext& ctx, RedirectorFetch& fetch) : m_ctx(ctx), m_fetch(fetch) {}

    // As the window shows: reloads the history from MediaList; the text
    // becomes the newest item.
    void reloadHistory();

    QStringList history() const { return m_history; }
    QString text() const { return m_text; }
    void setText(const QString& text) { m_text = text; }
    bool isOpen() const { return m_open; }

    // OK, up to the point where the location is opened: with a location text
    // (trimmed), records it in MediaWindow and the history, clears the save
    // label and the URL box and closes the dialog. True when the location is
    // to be opened now; a window closes first, then calls OpenMedia. Nothing
    // happens (the dialog stays open) without a text, nothing is recorded when
    // the media is busy (a connection or a redirector fetch is under way,
    // which is told), and nothing is opened when the history cannot be stored.
    bool accept(bool mediaBusy = false);
    // OK as a whole: accept, then open the location.
    std::optional<OpenOutcome> okClick(bool mediaBusy = false);
    // Cancel: closes the dialog; nothing else changes.
    void cancelClick() { m_open = false; }
    // Browse: a picked file's full path becomes the text, and its folder the
    // OpenDir the next Browse starts in. Nothing is opened until OK.
    void browseClick();

private:
    AppContext& m_ctx;
    RedirectorFetch& m_fetch;
    QStringList m_history;
    QString m_text;
    bool m_open = false;
};

}  // namespace tovrin
