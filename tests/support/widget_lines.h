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
// gauge's value), then what the user sees of its state: hidden, disabled, checked, default button, has the focus.
inline QStringList WidgetLines(QWidget* root)
{
    using namespace Qt::StringLiterals;
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    QStringList lines;
    for (QWidget* w : widgets) {
        if (w != root
            && (w->objectName().isEmpty() || w->objectName().startsWith(u"qt_") || w->window() != root->window()))
            continue;
        QString text;
        if (auto* l = qobject_cast<QLabel*>(w))
            text = l->text();
        else if (auto* e = qobject_cast<QLineEdit*>(w))
            text = e->text();
        else if (auto* b = qobject_cast<QAbstractButton*>(w))
            text = b->text();
        else if (auto* c = qobject_cast<QComboBox*>(w))
            text = c->currentText();
        else if (auto* p = qobject_cast<QPlainTextEdit*>(w))
            text = p->toPlainText();
        else if (auto* g = qobject_cast<QProgressBar*>(w))
            text = QString::number(g->value());
        else
            text = w->windowTitle();
        QString line = u"%1 %2 \"%3\""_s.arg(w->objectName(), QString::fromLatin1(w->metaObject()->className()),
                                             text.replace(u'\n', u"\\n"_s));
        auto* b = qobject_cast<QAbstractButton*>(w);
        auto* p = qobject_cast<QPushButton*>(w);
        const QList<std::pair<bool, const char*>> flags{
            {!w->isVisibleTo(root), "hidden"}, {!w->isEnabled(), "disabled"},       {b && b->isChecked(), "checked"},
            {p && p->isDefault(), "default"},  {w == root->focusWidget(), "focus"},
        };
        for (const auto& [on, flag] : flags)
            if (on)
                line += u' ' + QString::fromLatin1(flag);
        if (b && !b->shortcut().isEmpty())
            line += u' ' + b->shortcut().toString();
        lines << line;
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
