#include "locations/log_print_layout.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdlib>

namespace tovrin {

namespace {
constexpr int kLeft = 10;
constexpr int kHeadingTop = 100;
constexpr int kFirstLineTop = 200;
}  // namespace

QString LogPrintHeading()
{
    return QCoreApplication::translate("Tovrin", "Tovrin multimedia 期間記錄");
}

std::vector<LogPrintPage> LayOutLogPrint(const QStringList& lines, int fontPixelHeight, int pageHeight)
{
    const qint64 height = std::llabs(fontPixelHeight);
    // A font of no height still moves on, so the lines never sit on one another.
    const qint64 spacing = std::max<qint64>(1, height * 3 / 2);
    std::vector<LogPrintPage> pages(1);
    pages.back().push_back({kLeft, kHeadingTop, LogPrintHeading()});
    // Where the next line goes; a placed line always lies within the page (or
    // at the top of a page), so its y fits an int.
    qint64 y = kFirstLineTop;
    bool pageHasLine = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (pageHasLine && y + height > pageHeight) {
            pages.emplace_back();
            y = kFirstLineTop;
            pageHasLine = false;
        }
        pages.back().push_back({kLeft, int(y), QString::number(i + 1) + QStringLiteral("   ") + lines[i]});
        pageHasLine = true;
        y += spacing;
    }
    return pages;
}

}  // namespace tovrin
