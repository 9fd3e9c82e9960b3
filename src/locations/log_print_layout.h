#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace tovrin {

// One text drawn on a printed page, its top-left corner in device pixels.
struct LogPrintItem {
    int x = 0;
    int y = 0;
    QString text;

    bool operator==(const LogPrintItem&) const = default;
};
using LogPrintPage = std::vector<LogPrintItem>;

// The heading of a printed session log.
QString LogPrintHeading();

// The pages of a printed session log: the heading at (10, 100) on the first
// page, then every line numbered from 1 ("1   text") at x 10, from y 200 down
// by one and a half times the font's em height (pixels), rounded down. A line
// whose text would reach below `pageHeight` (the printable height, pixels)
// starts the next page, again at y 200, so no line is lost however long the
// log is. Every page holds at least one line, also
// when the page is too short for any, so the layout always ends.
std::vector<LogPrintPage> LayOutLogPrint(const QStringList& lines, int fontPixelHeight, int pageHeight);

}  // namespace tovrin
