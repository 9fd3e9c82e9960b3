#include "app/modal_driver.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>

namespace tovrin::test {

void ClickChild(QWidget* dialog, const QString& name)
{
    if (auto* button = dialog->findChild<QAbstractButton*>(name))
        QTimer::singleShot(0, button, &QAbstractButton::click);
}

void AcceptFileChooser(QWidget* chooser, const QString& path)
{
    if (auto* dialog = qobject_cast<QFileDialog*>(chooser)) {
        dialog->selectFile(path);
        // selectFile leaves the name alone while its edit has the focus.
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(QFileInfo(path).fileName());
        QTimer::singleShot(0, dialog, [dialog] { static_cast<QDialog*>(dialog)->accept(); });
    }
}

QStringList ListedFiles(QWidget* chooser)
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

QString AnswerMessageBox(QWidget* box, bool yes)
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
