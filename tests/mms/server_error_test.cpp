#include "mms/server_error.h"
#include "support/fake_shell.h"
#include "support/golden.h"
#include "support/golden_line.h"

#include <gtest/gtest.h>

using namespace tovrin;

TEST(ServerErrorReport, EachCodeIsToldInTheLogAndOneMessageBox)
{
    // Known codes; the WinSock range, inclusive, given as its low word in
    // decimal; unknown codes, which ask to be reported.
    QStringList lines;
    for (const std::uint32_t code :
         {0xC00D0006u, 0x80070005u, 0x80072745u, 0x80072711u, 0x80072AFCu, 0x80072AFDu, 0x80072710u, 0xC00D0099u}) {
        test::FakeShell shell;
        ReportServerError(shell, code);
        lines << QStringLiteral("--- %1").arg(code, 8, 16) << shell.calls;
    }
    EXPECT_GOLDEN("mms/server_errors", test::SplitLines(lines));
}
