#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

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

private:
    void showEvent(QShowEvent* event) override;

    QPlainTextEdit* m_versionBox = nullptr;
    QPushButton* m_okButton = nullptr;
};

}  // namespace tovrin
