#pragma once

#include <QDialog>

namespace tovrin {

// The program's home page, named by the status bar, the about window and the
// help message.
QString HomePage();
// The help message ("更多說明").
QString HelpMessage();

// The about window: the version lines (appended once, when it is made), the
// picture with the program's name over it, and OK. Modeless, on top.
class AboutWindow : public QDialog {
    Q_OBJECT

public:
    explicit AboutWindow(QWidget* parent = nullptr);
    // The text of the version box, line by line.
    QStringList versionLines() const;
};

}  // namespace tovrin
