#pragma once

#include "support/core_app.h"

#include <QApplication>
#include <QTimer>
#include <QVariant>
#include <QWidget>

#include <functional>

namespace tovrin::test {

// Answers the program's modal dialogs the way a user would, from inside
// their own event loops: every 20 ms the active modal widget, when new, is
// handed to `answer`, which clicks, fills or closes it (at once or later).
class ModalDriver {
public:
    explicit ModalDriver(std::function<void(QWidget*)> answer) : m_answer(std::move(answer))
    {
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            // Marked on the widget itself: a later dialog may reuse the
            // address of one already answered.
            if (!modal || modal->property("answeredByDriver").toBool())
                return;
            modal->setProperty("answeredByDriver", true);
            m_answer(modal);
        });
        m_poll.start(20);
    }

private:
    std::function<void(QWidget*)> m_answer;
    QTimer m_poll;
};

// Clicks the child button of `dialog` named `name` (once the event loop runs).
void ClickChild(QWidget* dialog, const QString& name);
// Accepts a file chooser with `path`.
void AcceptFileChooser(QWidget* chooser, const QString& path);
// The file names a file chooser's list shows, once its folder has loaded
// (sorted; empty when nothing shows within five seconds).
QStringList ListedFiles(QWidget* chooser);
// The text of a message box, and clicks its Yes or OK button.
QString AnswerMessageBox(QWidget* box, bool yes = true);

}  // namespace tovrin::test
