#pragma once

#include "support/core_app.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
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
inline void ClickChild(QWidget* dialog, const QString& name)
{
    if (auto* button = dialog->findChild<QAbstractButton*>(name))
        QTimer::singleShot(0, button, &QAbstractButton::click);
}

// Accepts a file chooser with `path`.
inline void AcceptFileChooser(QWidget* chooser, const QString& path)
{
    if (auto* dialog = qobject_cast<QFileDialog*>(chooser)) {
        dialog->selectFile(path);
        // selectFile leaves the name alone while its edit has the focus.
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(QFileInfo(path).fileName());
        QTimer::singleShot(0, dialog, [dialog] { static_cast<QDialog*>(dialog)->accept(); });
    }
}

// The file names a file chooser's list shows, once its folder has loaded
// (sorted; empty when nothing shows within five seconds).
inline QStringList ListedFiles(QWidget* chooser)
{
    auto* view = chooser->findChild<QListView*>(QStringLiteral("listView"));
    QStringList names;
    if (!view)
        return names;
    WaitUntil(
        [&] {
            names.clear();
            const QModelIndex root = view->rootIndex();
            for (int row = 0; row < view->model()->rowCount(root); ++row)
                names << view->model()->index(row, 0, root).data().toString();
            return !names.isEmpty();
        },
        5000);
    names.sort();
    return names;
}

// The text of a message box, and clicks its Yes or OK button.
inline QString AnswerMessageBox(QWidget* box, bool yes = true)
{
    auto* message = qobject_cast<QMessageBox*>(box);
    if (!message)
        return QString();
    QAbstractButton* button = message->button(yes ? QMessageBox::Yes : QMessageBox::No);
    if (!button)
        button = message->button(QMessageBox::Ok);
    if (button)
        QTimer::singleShot(0, button, &QAbstractButton::click);
    return message->text();
}

}  // namespace tovrin::test
