#include "locations/log_print_layout.h"
#include "support/golden.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;

namespace {

QStringList Numbered(int count)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << u"第 %1 行"_s.arg(i);
    return lines;
}

}  // namespace

// Each page's items: the heading alone for an empty log, then lines 1.5 em
// apart from y 200, numbered from 1 and three spaces; a line that would
// reach below the page starts the next one at y 200; a page too short for
// any line still takes one each.
TEST(LogPrintLayout, PlacesTheHeadingAndNumberedLinesPageByPageLosingNone)
{
    QStringList golden;
    for (const auto& [count, fontHeight, pageHeight] :
         {std::tuple{0, 83, 6800}, {3, 83, 6800}, {3, 10, 229}, {2, 10, 50}}) {
        golden << u"== %1 lines, font %2, page %3"_s.arg(count).arg(fontHeight).arg(pageHeight);
        const QStringList lines = QStringList{u"a"_s, QString(), u"中文"_s}.first(count);
        for (const LogPrintPage& page : LayOutLogPrint(lines, fontHeight, pageHeight)) {
            golden << u"page"_s;
            for (const LogPrintItem& item : page)
                golden << u"%1 %2 %3"_s.arg(item.x).arg(item.y).arg(item.text);
        }
    }
    EXPECT_GOLDEN("locations/log_print_layout", golden);

    // 10 pt at 600 dpi on A4: once one page held the whole log, and the
    // lines past its bottom went nowhere.
    const QStringList lines = Numbered(200);
    const auto pages = LayOutLogPrint(lines, 83, 6800);
    ASSERT_GE(pages.size(), 4u);
    QStringList printed;
    for (const LogPrintPage& page : pages) {
        for (const LogPrintItem& item : page) {
            EXPECT_LE(item.y + 83, 6800);
            printed << item.text;
        }
    }
    ASSERT_EQ(printed.takeFirst(), u"Tovrin multimedia 期間記錄"_s);
    ASSERT_EQ(printed.size(), lines.size());
    for (int i = 0; i < lines.size(); ++i)
        EXPECT_EQ(printed[i], QString::number(i + 1) + u"   "_s + lines[i]);
    EXPECT_EQ(pages[1].front().y, 200);
}
