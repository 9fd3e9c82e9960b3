#pragma once

#include <QStringList>

#include <memory>

class QPrinter;
class QWidget;

namespace tovrin {

// The job title of a printed session log.
QString LogPrintJobTitle();

// Prints `lines` as the session log on `printer` (which is not begun yet;
// its resolution becomes 600 dpi): the heading and the numbered lines of
// LayOutLogPrint in a 10 pt font that has Chinese glyphs, page after page.
// False when the printer cannot start.
bool DrawLogPages(QPrinter& printer, const QStringList& lines);

// 列印記錄 and 設定印表機: one printer for the whole program run, so the
// choice made in the set-up dialog is the one the next print uses.
class LogPrinter {
public:
    LogPrinter();
    ~LogPrinter();

    // Shows the print dialog over `parent`; prints the lines when it is
    // accepted, nothing when it is cancelled. False only when the accepted
    // printer could not print.
    bool print(QWidget* parent, const QStringList& lines);
    // Shows the printer set-up dialog over `parent`; what is chosen there stays.
    void setUp(QWidget* parent);

    QPrinter& printer() { return *m_printer; }

private:
    std::unique_ptr<QPrinter> m_printer;
};

}  // namespace tovrin
