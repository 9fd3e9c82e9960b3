#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace tovrin {

// The window that explains the preview monitor's limitations: a heading, a
// fixed English text and OK. Modeless, on top, fixed size.
class PreviewAboutWindow : public QDialog {
    Q_OBJECT

public:
    explicit PreviewAboutWindow(QWidget* parent = nullptr);
    QString text() const;

private:
    QPlainTextEdit* m_text = nullptr;
};

}  // namespace tovrin
