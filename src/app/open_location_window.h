#pragma once

#include "locations/open_dialog.h"

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

signals:
    // OK closed the window and the location was opened.
    void opened(tovrin::OpenOutcome outcome);

private:
    void showEvent(QShowEvent* event) override;
    void okClick();
    void browseClick();

    AppContext& m_ctx;
    RedirectorFetch& m_fetch;
    OpenDialog m_dialog;
    std::function<bool()> m_mediaBusy;
    QComboBox* m_history = nullptr;
    QPushButton* m_ok = nullptr;
};

}  // namespace tovrin
