#include "locations/log_print_layout.h"
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

TEST(LogPrintLayout, PlacesTheHeadingAndNumberedLinesPageByPageLosingNone)
{
    const QString heading = u"Tovrin multimedia 期間記錄"_s;
    struct Case {
        const char* what;
        QStringList lines;
        int fontHeight;
        int pageHeight;
        std::vector<LogPrintPage> pages;
    };
    const Case cases[] = {
        {"an empty log prints the heading alone", {}, 83, 6800, {{{10, 100, heading}}}},
        {"lines 1.5 em apart from y 200, numbered from 1 and three spaces",
         {u"a"_s, QString(), u"中文"_s},
         83,
         6800,
         {{{10, 100, heading}, {10, 200, u"1   a"_s}, {10, 324, u"2   "_s}, {10, 448, u"3   中文"_s}}}},
        {"a line that would reach below the page starts the next one at y 200",
         {u"a"_s, u"b"_s, u"c"_s},
         10,
         229,
         {{{10, 100, heading}, {10, 200, u"1   a"_s}, {10, 215, u"2   b"_s}}, {{10, 200, u"3   c"_s}}}},
        {"a page too short for any line still takes one each",
         {u"a"_s, u"b"_s},
         10,
         50,
         {{{10, 100, heading}, {10, 200, u"1   a"_s}}, {{10, 200, u"2   b"_s}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto pages = LayOutLogPrint(c.lines, c.fontHeight, c.pageHeight);
        ASSERT_EQ(pages.size(), c.pages.size());
        for (std::size_t p = 0; p < pages.size(); ++p) {
            ASSERT_EQ(pages[p].size(), c.pages[p].size()) << "page " << p;
            for (std::size_t i = 0; i < pages[p].size(); ++i) {
                EXPECT_EQ(pages[p][i].x, c.pages[p][i].x);
                EXPECT_EQ(pages[p][i].y, c.pages[p][i].y);
                EXPECT_EQ(pages[p][i].text, c.pages[p][i].text);
            }
        }
    }

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
