#pragma once

#include "support/golden_line.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

namespace tovrin::test {

// One line per named widget in the window of `root` under it (and `root`
// itself, named or not), in the order they were made: its class, what it
// shows (a label's, field's or button's text, a box's current entry, a
// gauge's value), then what the user sees of its state: hidden, disabled,
// checked, default button, has the focus, and a button's shortcut.
inline QStringList WidgetLines(QWidget* root)
{
    QStringList lines;
    for (QWidget* w : QList<QWidget*>{root} + root->findChildren<QWidget*>()) {
        const QString name = w->objectName();
        if (w != root && (name.isEmpty() || name.startsWith(u"qt_") || w->window() != root->window()))
            continue;
        auto* label = qobject_cast<QLabel*>(w);
        auto* edit = qobject_cast<QLineEdit*>(w);
        auto* button = qobject_cast<QAbstractButton*>(w);
        auto* box = qobject_cast<QComboBox*>(w);
        auto* plain = qobject_cast<QPlainTextEdit*>(w);
        auto* gauge = qobject_cast<QProgressBar*>(w);
        auto* push = qobject_cast<QPushButton*>(w);
        const QString text = label    ? label->text()
                             : edit   ? edit->text()
                             : button ? button->text()
                             : box    ? box->currentText()
                             : plain  ? plain->toPlainText()
                             : gauge  ? QString::number(gauge->value())
                                      : w->windowTitle();
        QStringList line{name, QString::fromLatin1(w->metaObject()->className()), u'"' + text + u'"'};
        for (const auto& [on, flag] : {std::pair{!w->isVisibleTo(root), "hidden"},
                                       {!w->isEnabled(), "disabled"},
                                       {button && button->isChecked(), "checked"},
                                       {push && push->isDefault(), "default"},
                                       {w == root->focusWidget(), "focus"}})
            if (on)
                line << QString::fromLatin1(flag);
        if (button && !button->shortcut().isEmpty())
            line << button->shortcut().toString();
        lines << OneLineEach({line.join(u' ')});
    }
    return lines;
}

// The actions of a menu bar or a menu, one line each ("-" for a separator),
// with their shortcuts; a submenu's entries follow it, indented.
inline QStringList ActionLines(const QList<QAction*>& actions, const QString& indent = {})
{
    QStringList lines;
    for (QAction* a : actions) {
        lines << indent
                     + (a->isSeparator() ? QStringLiteral("-") : a->text() + u' ' + a->shortcut().toString()).trimmed();
        if (a->menu())
            lines << ActionLines(a->menu()->actions(), indent + QStringLiteral("  "));
    }
    return lines;
}

}  // namespace tovrin::test
