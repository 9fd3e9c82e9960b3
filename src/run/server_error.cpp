#include "run/server_error.h"

#include "state/shell.h"

#include <QCoreApplication>
#include <QString>

#include <utility>

namespace tovrin {

namespace {

// Winsock errors the server passes on, as HRESULTs.
constexpr std::uint32_t kFirstWinsockCode = 0x80072711u;
constexpr std::uint32_t kLastWinsockCode = 0x80072AFCu;

// The Chinese texts are translated where they are shown; the English ones stay.
const std::pair<std::uint32_t, const char*> kKnownCodes[] = {
    {0x80004004u, QT_TRANSLATE_NOOP("Tovrin", "無法開啟位置，已放棄操作")},
    {0x80004005u, QT_TRANSLATE_NOOP("Tovrin", "開啟檔案失敗")},
    {0x80070005u, QT_TRANSLATE_NOOP("Tovrin", "您沒有存取這個位置或檔案的權利")},
    {0x80070043u, QT_TRANSLATE_NOOP("Tovrin", "請證實這個伺服器路徑與檔案名稱是正確的")},
    {0x80070057u, QT_TRANSLATE_NOOP("Tovrin", "您所給予的參數在這個位置上是不正確的")},
    {0x800C0005u, QT_TRANSLATE_NOOP("Tovrin", "這個伺服器並沒有建立")},
    {0x800C000Du, QT_TRANSLATE_NOOP("Tovrin", "未知的協定，沒有建立符合的")},
    {0xC00D0005u, "No connection to establish windows media server"},
    {0xC00D0006u, "Server is busy, please try again later"},
    {0xC00D000Eu, "The network is busy"},
    {0xC00D000Fu, "Too many connected sessions to server"},
    {0xC00D0010u, "The network connection already exists"},
    {0xC00D0012u, "No protcol version match found between the server and client"},
    {0xC00D0013u, "There was no timely response from the server"},
    {0xC00D0015u, "Error reading from network"},
    {0xC00D0017u, "Error reading from disk"},
    {0xC00D0019u, "Error reading from file"},
    {0xC00D001Au, QT_TRANSLATE_NOOP("Tovrin", "沒有建立檔案")},
    {0xC00D0026u, QT_TRANSLATE_NOOP("Tovrin", "所指定的串流類型沒有被確認")},
    {0xC00D0029u, "The network has failed - connection lost"},
    {0xC00D002Bu, QT_TRANSLATE_NOOP("Tovrin", "檔案名稱錯誤: 所指定的這個檔案名稱是不正確的")},
    {0xC00D002Eu, "An operation or request could not be carried out on schedule"},
    {0xC00D0034u, QT_TRANSLATE_NOOP("Tovrin", "在這個串流沒有更多資料")},
};

}  // namespace

void ReportServerError(Shell& shell, std::uint32_t code, const QString& refusedPlayer)
{
    const QString first = QCoreApplication::translate("Tovrin", "讀取伺服器訊息錯誤:");
    QString second;
    if (code >= kFirstWinsockCode && code <= kLastWinsockCode) {
        second = QStringLiteral("Error encountered in WinSock, code = %1").arg(code & 0xFFFF);
    } else {
        for (const auto& [known, text] : kKnownCodes)
            if (known == code)
                second = QCoreApplication::translate("Tovrin", text);
    }
    if (second.isEmpty()) {
        const QString hex = QStringLiteral("0x%1")
                                .arg(code, 8, 16, QLatin1Char('0'))
                                .toUpper()
                                .replace(QStringLiteral("0X"), QStringLiteral("0x"));
        shell.appendLog(first);
        shell.appendLog(hex);
        shell.showMessage(
            first + QCoreApplication::translate("Tovrin", "\n\n## 未知的伺服器錯誤碼 ##\n煩請回報告這個數據到 Tovrin\n")
            + hex);
        return;
    }
    shell.appendLog(first);
    shell.appendLog(second);
    QString advice;
    if (code == kAccessDenied && !refusedPlayer.isEmpty()) {
        shell.appendLog(QCoreApplication::translate("Tovrin", "- 伺服器可能不接受播放器名稱 %1").arg(refusedPlayer));
        advice = QStringLiteral("\n\n")
                 + QCoreApplication::translate("Tovrin",
                                               "伺服器可能不接受這個播放器名稱 (%1)。\n"
                                               "請在「設定」的「播放器名稱」(或 tovrin-cli record --user-agent) "
                                               "換成伺服器接受的名稱，例如 NSPlayer/9.0.0.4503，再試一次。")
                       .arg(refusedPlayer);
    }
    shell.showMessage(first + QStringLiteral("\n\n") + second + advice);
}

}  // namespace tovrin
