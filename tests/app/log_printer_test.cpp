#include "app/log_printer.h"
#include "support/asf_sample.h"
#include "support/gui_app.h"

#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace tovrin::test;

// Printed to PDF and read back by an independent reader (pdftotext): the
// heading, Chinese text, and the end of a log longer than a page on a page
// of its own.
TEST(LogPrinter, ALongLogPrintsToPdfOverSeveralPagesWithItsChineseAndItsLastLine)
{
    GuiApp();
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("log.pdf"));
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    QStringList lines{QStringLiteral("- 接收 TCP 串流 -")};
    for (int i = 2; i < 200; ++i)
        lines << QStringLiteral("line %1").arg(i);
    lines << QStringLiteral("- ******* 下載完成 *******");
    ASSERT_TRUE(DrawLogPages(printer, lines));
    EXPECT_EQ(printer.docName(), QStringLiteral("Tovrin 記錄列印"));

    QByteArray text;
    ASSERT_EQ(RunProgram(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")}, &text), 0);
    const QStringList pages = QString::fromUtf8(text).split(u'\f', Qt::SkipEmptyParts);
    ASSERT_GE(pages.size(), 3) << text.toStdString();
    EXPECT_TRUE(pages.first().contains(QStringLiteral("Tovrin multimedia 期間記錄"))) << pages.first().toStdString();
    // The reader gives the three spaces after a number as one.
    EXPECT_TRUE(pages.first().contains(QRegularExpression(QStringLiteral("(^|\\n)1 +- 接收 TCP 串流 -"))))
        << pages.first().toStdString();
    const QRegularExpression last(QStringLiteral("(^|\\n)200 +- \\*{7} 下載完成 \\*{7}"));
    EXPECT_FALSE(pages.first().contains(last));
    EXPECT_TRUE(pages.last().contains(last)) << pages.last().toStdString();

    // A printer that cannot start says so.
    printer.setOutputFileName(dir.filePath(QStringLiteral("no-such-folder/log.pdf")));
    EXPECT_FALSE(DrawLogPages(printer, lines));
}
