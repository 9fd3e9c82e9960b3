#pragma once

#include "state/shell.h"

#include <QDialog>
#include <QMap>

class QTabWidget;

namespace tovrin {

// The file-properties window ("檔案性質"): the clip, details, codec and
// statistics pages. It is where the fields live: the shell sets and appends
// to them whether the window is shown or not. Modeless, on top.
class FilePropertiesWindow : public QDialog {
    Q_OBJECT

public:
    explicit FilePropertiesWindow(QWidget* parent = nullptr);

    // Replaces the field's text (a multi-line field's too).
    void setField(PropertyField field, const QString& text);
    // Adds a line to the end of a field (multi-line fields take one line each).
    void appendLine(PropertyField field, const QString& line);
    // Empties every field.
    void clearFields();

    QString fieldText(PropertyField field) const;
    // A multi-line field's text line by line; empty when it is empty.
    QStringList fieldLines(PropertyField field) const;

    QTabWidget* pages() const { return m_pages; }

private:
    QTabWidget* m_pages = nullptr;
    QMap<PropertyField, QWidget*> m_fields;
};

}  // namespace tovrin
