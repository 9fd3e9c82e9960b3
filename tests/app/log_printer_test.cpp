#include "app/log_printer.h"
#include "support/asf_sample.h"

#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace tovrin::test;
using namespace Qt::StringLiterals;

// Printed to PDF and read back by an independent reader (pdftotext): the
// heading, Chinese text, and the end of a log longer than a page on a page
// of its own.
TEST(LogPrinter, ALongLogPrintsToPdfOverSeveralPagesWithItsChineseAndItsLastLine)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(u"log.pdf"_s);
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    QStringList lines{u"- 接收 TCP 串流 -"_s};
    for (int i = 2; i < 200; ++i)
        lines << u"line %1"_s.arg(i);
    lines << u"- ******* 下載完成 *******"_s;
    ASSERT_TRUE(DrawLogPages(printer, lines));
    EXPECT_EQ(printer.docName(), u"Tovrin 記錄列印"_s);

    QByteArray text;
    ASSERT_EQ(RunProgram(u"pdftotext"_s, {u"-layout"_s, pdf, u"-"_s}, &text), 0);
    const QStringList pages = QString::fromUtf8(text).split(u'\f', Qt::SkipEmptyParts);
    ASSERT_GE(pages.size(), 3) << text.toStdString();
    EXPECT_TRUE(pages.first().contains(u"Tovrin multimedia 期間記錄"_s)) << pages.first().toStdString();
    // The reader gives the three spaces after a number as one.
    EXPECT_TRUE(pages.first().contains(QRegularExpression(u"(^|\\n)1 +- 接收 TCP 串流 -"_s)))
        << pages.first().toStdString();
    const QRegularExpression last(u"(^|\\n)200 +- \\*{7} 下載完成 \\*{7}"_s);
    EXPECT_FALSE(pages.first().contains(last));
    EXPECT_TRUE(pages.last().contains(last)) << pages.last().toStdString();

    // A printer that cannot start says so.
    printer.setOutputFileName(dir.filePath(u"no-such-folder/log.pdf"_s));
    EXPECT_FALSE(DrawLogPages(printer, lines));
}
