#include "run/storage_report.h"

#include "asf/header_facts.h"
#include "run/header_report.h"
#include "state/app_context.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "state/shell.h"

#include <QCoreApplication>

namespace tovrin {

HeaderTaken StoreAndInspectHeader(AppContext& ctx, RecordingFile& file, const QByteArray& header)
{
    Shell& shell = ctx.shell;
    RunState& run = ctx.run;
    HeaderStored stored = StoreHeaderBytes(run, file, header);
    if (stored == HeaderStored::OtherStream) {
        shell.appendLog(QCoreApplication::translate("Tovrin", "- 儲存檔案保存的是另一個串流的 ASF 標題，無法續傳"));
        if (!shell.confirm(QCoreApplication::translate("Tovrin",
                                                       "您所選擇的檔案保存的是另一個串流，無法續傳到這個檔案\n"
                                                       "要重新下載並覆寫這個檔案嗎?\n"
                                                       "選擇「否」會取消下載，檔案維持原狀"),
                           false))
            return HeaderTaken::LeftAsItWas;
        run.resume = false;
        file.startAfresh();
        stored = StoreHeaderBytes(run, file, header);
    }
    switch (stored) {
    case HeaderStored::Written:
        break;
    case HeaderStored::KeptForResume:
        shell.appendLog(QCoreApplication::translate("Tovrin", "- 沒有儲存 ASF 標題 - 重新開始"));
        break;
    case HeaderStored::OtherStream:
    case HeaderStored::WriteFailed:
        shell.showMessage(QCoreApplication::translate("Tovrin", "不能夠存取本地檔案來寫入標題"));
        shell.appendLog(QStringLiteral("- ASF header receive error"));
        return HeaderTaken::Failed;
    }
    shell.appendLog(QCoreApplication::translate("Tovrin", "- 解壓縮標題資料..."));
    if (!ApplyHeaderReading(run, ctx.session, shell, ReadHeaderFile(ctx.session.savePath, run.headerLength))) {
        shell.appendLog(QStringLiteral("- ASF header extraction failed"));
        return HeaderTaken::Failed;
    }
    if (run.resume) {
        if (const std::optional<std::uint32_t> wholeSlots = LimitResumePoint(run, file))
            shell.appendLog(
                QCoreApplication::translate("Tovrin", "- 檔案只含 %1 個完整的封包，從這裡重新開始").arg(*wholeSlots));
    } else {
        PrepareForMedia(run, file);
    }
    shell.appendLog(QCoreApplication::translate("Tovrin", "- 資料已解壓縮確定，等候串流中..."));
    return HeaderTaken::Ready;
}

QStringList StoredPacketLines(const StoredPacket& told)
{
    QStringList lines;
    if (told.earlyDropped)
        lines << QStringLiteral("- Media packet from before the recording started, dropped");
    if (told.pastEndDropped)
        lines << QCoreApplication::translate("Tovrin", "- 封包編號超過串流的封包總數，已捨棄");
    if (told.numberingRestarted)
        lines << QCoreApplication::translate("Tovrin", "- 伺服器的封包編號重新開始，接在下一個位置繼續儲存");
    if (told.missingTimecode)
        lines << QStringLiteral("Missing timecode, bad format, continuing...");
    if (told.rebaseFault)
        lines << RebaseFaultLine(*told.rebaseFault) << QStringLiteral("Error in packet, timecode update failed");
    if (told.truncated)
        lines << QCoreApplication::translate("Tovrin", "警告，封包長度必須是剪下的大小");
    return lines;
}

void TellStoredPacket(Shell& shell, const StoredPacket& told)
{
    for (const QString& line : StoredPacketLines(told))
        shell.appendLog(line);
    TellWriteFailure(shell, told.writeFailure);
}

void TellWriteFailure(Shell& shell, const WriteFailure& failure)
{
    if (failure)
        shell.appendLog(QStringLiteral("- Save file write error: ") + *failure);
}

void FixUpAndTell(Shell& shell, RunState& run, RecordingFile* file)
{
    const StopFixups done = FixUpStoppedRun(run, file);
    TellWriteFailure(shell, done.writeFailure);
    if (done.live) {
        if (const QString message = LiveHeaderFixMessage(*done.live); !message.isEmpty())
            shell.showMessage(message);
        shell.appendLog(*done.live == LiveHeaderFix::Fixed
                            ? QCoreApplication::translate("Tovrin", "- ASF 標題檔案主題已修正")
                            : QCoreApplication::translate("Tovrin", "- 無法修正連線 asf 檔案標題，檔案錯誤"));
    }
    if (done.countWritten)
        shell.appendLog(*done.countWritten
                            ? QCoreApplication::translate("Tovrin", "- ASF 重新開始/結束 資料寫入")
                            : QCoreApplication::translate("Tovrin", "- 寫入 ASF 檔案錯誤 重新開始/結束 檔案"));
}

bool CompleteAndTell(Shell& shell, RunState& run, RecordingFile& file)
{
    const CompletedFix done = FixCompletedRun(run, file);
    TellWriteFailure(shell, done.writeFailure);
    shell.appendLog(done.countWritten ? QCoreApplication::translate("Tovrin", "- ASF 檔案寫入完成離開")
                                      : QCoreApplication::translate("Tovrin", "- 完成 ASF 檔案時發生錯誤"));
    return done.whole;
}

}  // namespace tovrin
