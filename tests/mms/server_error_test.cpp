#include "mms/server_error.h"
#include "support/fake_shell.h"

#include <gtest/gtest.h>

using namespace tovrin;

namespace {
struct Report {
    QStringList log;
    QStringList messages;
};
Report report(std::uint32_t code)
{
    test::FakeShell shell;
    ReportServerError(shell, code);
    return {shell.log, shell.messages};
}
}  // namespace

TEST(ServerErrorReport, KnownCodesAreNamedInTheLogAndOneMessageBox)
{
    const Report busy = report(0xC00D0006);
    EXPECT_EQ(busy.log, (QStringList{QStringLiteral("讀取伺服器訊息錯誤:"),
                                     QStringLiteral("Server is busy, please try again later")}));
    EXPECT_EQ(busy.messages,
              QStringList{QStringLiteral("讀取伺服器訊息錯誤:\n\nServer is busy, please try again later")});
    EXPECT_EQ(report(0x80070005).log.value(1), QStringLiteral("您沒有存取這個位置或檔案的權利"));
}

TEST(ServerErrorReport, WinsockRangeIsInclusiveAndGivesTheLowWordInDecimal)
{
    for (const auto& [code, line] : {std::pair{0x80072745u, "Error encountered in WinSock, code = 10053"},
                                     {0x80072711u, "Error encountered in WinSock, code = 10001"},
                                     {0x80072AFCu, "Error encountered in WinSock, code = 11004"},
                                     {0x80072AFDu, "0x80072AFD"},
                                     {0x80072710u, "0x80072710"}})
        EXPECT_EQ(report(code).log.value(1), QString::fromUtf8(line)) << code;
}

TEST(ServerErrorReport, UnknownCodesAskToBeReported)
{
    const Report unknown = report(0xC00D0099);
    EXPECT_EQ(unknown.log, (QStringList{QStringLiteral("讀取伺服器訊息錯誤:"), QStringLiteral("0xC00D0099")}));
    EXPECT_EQ(unknown.messages,
              QStringList{QStringLiteral(
                  "讀取伺服器訊息錯誤:\n\n## 未知的伺服器錯誤碼 ##\n煩請回報告這個數據到 Tovrin\n0xC00D0099")});
}
