#pragma once

#include "user_actions/open_dialog.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QPushButton;

namespace tovrin {

struct AppContext;
class RedirectorFetch;

// The open dialog's window: the explanation, the history box, OK, Cancel and
// Browse. Modeless and on top, so the user can copy a location from another
// window while it is open. Its rules are OpenDialog's; the window closes
// before the chosen location is opened, so a long fetch never runs under it.
class OpenLocationWindow : public QDialog {
    Q_OBJECT

public:
    // mediaBusy tells whether a connection or a redirector fetch is under way
    // when OK is pressed.
    OpenLocationWindow(AppContext& ctx, RedirectorFetch& fetch, std::function<bool()> mediaBusy,
                       QWidget* parent = nullptr);

    QComboBox* historyBox() const { return m_history; }

    // Opens location exactly as OK opens a typed location (also with the
    // window hidden): recorded in the history, then opened by its class.
    void openLocation(const QString& location);

signals:
    // OK closed the window and the location was opened.
    void opened(tovrin::OpenOutcome outcome);

private:
    void showEvent(QShowEvent* event) override;
    void okClick();
    // OK's steps for the text; false when the dialog keeps it (nothing opened).
    bool acceptAndOpen(const QString& text);
    void browseClick();

    AppContext& m_ctx;
    RedirectorFetch& m_fetch;
    OpenDialog m_dialog;
    std::function<bool()> m_mediaBusy;
    QComboBox* m_history = nullptr;
    QPushButton* m_ok = nullptr;
};

}  // namespace tovrin
