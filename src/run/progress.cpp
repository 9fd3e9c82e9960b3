#include "run/progress.h"

#include "run/missing_packets.h"
#include "run/storage_report.h"
#include "state/app_context.h"
#include "state/format_time.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "state/settings_record.h"
#include "state/shell.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>

namespace tovrin {

namespace {
// Packets stored of the packets announced, within 0 to 100.
int gaugePercent(const RunState& run)
{
    const std::uint32_t packets = run.filePacketCount;
    if (packets == 0)
        return 0;
    return int(std::min<std::uint64_t>(100, std::uint64_t(run.packetIndex.load()) * 100 / packets));
}
}  // namespace

void RefreshTick(AppContext& ctx)
{
    const RunState& run = ctx.run;
    Shell& shell = ctx.shell;
    const bool live = run.isLive();
    const std::uint32_t mediaTime = run.mediaTime;
    const std::uint32_t sendDuration = run.headerSendDuration;

    const QString sendTime = FormatTime(mediaTime);
    // Past the announced duration nothing is left; the difference must not wrap.
    const QString timeLeft =
        live ? QStringLiteral("LIVE") : FormatTime(sendDuration > mediaTime ? sendDuration - mediaTime : 0);
    shell.setTimeFields(sendTime, timeLeft);
    shell.setProperty(PropertyField::SendTime, sendTime);
    shell.setProperty(PropertyField::TimeLeft, timeLeft);

    shell.setProperty(PropertyField::Packets, QString::number(run.packetIndex.load()));
    shell.setProperty(PropertyField::Acks, QString::number(run.ackCount.load()));
    shell.setProperty(PropertyField::StreamWindow, QString::number(run.streamCount.load()));
    shell.setProperty(PropertyField::AsfSize, QString::number(run.packetSize.load()));
    shell.setProperty(PropertyField::BitRate, QString::number(run.maxBitRate.load() / 1000));
    shell.setProperty(PropertyField::StreamRate, QString::number(run.streamBitRate.load() / 1000));
    shell.setProperty(PropertyField::ServerLog, QString::number(run.serverClientCount.load()));

    if (live) {
        shell.setCaption(QStringLiteral("Tovrin - live -"));
    } else if (run.filePacketCount > 0) {
        const int percent = gaugePercent(run);
        shell.setGauge(percent, run.gaugeTextShown);
        shell.setCaption(QCoreApplication::translate("Tovrin", "進度 %1%").arg(percent));
    } else {
        shell.setGauge(0, run.gaugeTextShown);
    }
}

void AnnounceCompletion(AppContext& ctx, QTimer& soundRepeat, const std::function<void()>& saveLog)
{
    Shell& shell = ctx.shell;
    shell.appendLog(QCoreApplication::translate("Tovrin", "- ******* 下載完成 *******"));
    shell.appendLog(QCoreApplication::translate("Tovrin", "-------- 關閉記錄 --------"));
    shell.setGauge(100, ctx.run.gaugeTextShown);
    shell.setCaption(QCoreApplication::translate("Tovrin", "Tovrin 已完成"));
    shell.flash();

    const int repeat = SoundRepeatInterval(ctx.settings.doneInterval);
    if (repeat > 0) {
        soundRepeat.setInterval(repeat);
        soundRepeat.start();
    }
    shell.playSound(QStringLiteral("Done.wav"));
    if (ctx.settings.autoLogTick) {
        soundRepeat.stop();
        saveLog();
    }
    shell.showMessage(QCoreApplication::translate("Tovrin", "下載完成， .asf 檔案寫入到本地磁碟"));
    soundRepeat.stop();
}

void AnnounceIncompleteEnd(AppContext& ctx, const QString& reasonLine, const QString& message,
                           const std::function<void()>& saveLog)
{
    Shell& shell = ctx.shell;
    if (!reasonLine.isEmpty())
        shell.appendLog(reasonLine);
    shell.appendLog(QCoreApplication::translate("Tovrin", "- ******* 下載未完成 *******"));
    shell.appendLog(QCoreApplication::translate("Tovrin", "-------- 關閉記錄 --------"));
    shell.setCaption(QCoreApplication::translate("Tovrin", "Tovrin 未完成"));
    // A user away from the screen learns that the run ended, without the
    // completion sound a whole recording gets.
    shell.flash();
    shell.beep();
    if (ctx.settings.autoLogTick)
        saveLog();
    shell.showMessage(message);
}

void AnnounceWriteFailureEnd(AppContext& ctx, const std::function<void()>& saveLog)
{
    AnnounceIncompleteEnd(ctx, QString(),
                          QCoreApplication::translate("Tovrin",
                                                      "寫入儲存檔案時發生錯誤，下載已停止\n"
                                                      "檔案保存錯誤之前收到的封包，釋放空間之後可以續傳這個檔案"),
                          saveLog);
}

bool ConfirmDisconnect(AppContext& ctx)
{
    return ctx.shell.confirm(QCoreApplication::translate("Tovrin", "您確定要放棄這項連線期間嗎?"));
}

void TellDisconnected(AppContext& ctx)
{
    const RunState& run = ctx.run;
    if (run.writeErrorReported)
        ctx.shell.showMessage(
            QCoreApplication::translate("Tovrin", "連接關閉，但寫入儲存檔案時發生錯誤\n已儲存的媒介可能不完整"));
    else if (run.mediaPacketStored || (run.resume && run.storedPacketCount > 0))
        ctx.shell.showMessage(QCoreApplication::translate("Tovrin", "連接關閉，您已下載並儲存這個媒介"));
    else
        ctx.shell.showMessage(QCoreApplication::translate("Tovrin", "連接關閉，沒有儲存任何媒介資料"));
}

QString CannotConnectMessage(const QString& socketError)
{
    return QCoreApplication::translate("Tovrin", "無法連線到串流伺服器: ") + socketError;
}

QString FileNotCompletedMessage()
{
    return QCoreApplication::translate("Tovrin", "串流已結束，但 .asf 檔案無法完成\n儲存的檔案可能不完整，請檢查記錄");
}

void AnnounceRunStart(AppContext& ctx, const QString& url, const std::optional<QString>& continuedPath)
{
    Shell& shell = ctx.shell;
    shell.setCaption(QCoreApplication::translate("Tovrin", "Tovrin 動作"));
    if (!continuedPath) {
        shell.appendLog(QCoreApplication::translate("Tovrin", " -------- 開始記錄 --------"));
        shell.appendLog(QCoreApplication::translate("Tovrin", "開啟 :\t") + ctx.session.mediaLocation);
        shell.appendLog(QCoreApplication::translate("Tovrin", "儲存 :\t") + ctx.session.savePath);
        shell.appendLog(QCoreApplication::translate("Tovrin", "網址 :\t") + url);
    } else if (*continuedPath != ctx.session.savePath) {
        ctx.session.savePath = *continuedPath;
        shell.setSaveLocation(*continuedPath);
        shell.appendLog(QCoreApplication::translate("Tovrin", "儲存 :\t") + *continuedPath);
    }
}

void AnnounceStreamStart(AppContext& ctx)
{
    ctx.shell.appendLog(ctx.run.dataOverUdp ? QCoreApplication::translate("Tovrin", "- 接收 UDP 串流 -")
                                            : QCoreApplication::translate("Tovrin", "- 接收 TCP 串流 -"));
    const bool live = ctx.run.isLive();
    if (!live) {
        ctx.run.gaugeTextShown = true;
        ctx.shell.setGauge(gaugePercent(ctx.run), true);
    }
    ctx.shell.setModeLabel(live ? ModeLabel::Live : ModeLabel::PreRec);
}

int SoundRepeatInterval(const QString& doneInterval)
{
    bool ok = false;
    const int seconds = doneInterval.trimmed().toInt(&ok);
    if (!ok || seconds < 0 || seconds > 86400)
        return 10 * 1000;
    return seconds * 1000;
}

CompletionVerdict CompleteRunFile(AppContext& ctx, RecordingFile& file)
{
    const bool whole = CompleteAndTell(ctx.shell, ctx.run, file);
    // A file with packets missing, one that could not be completed or that
    // missed a write is no success: it is told as what it is.
    const ReceivedPackets& received = ctx.run.receivedPackets;
    if (const std::optional<QString> missing = MissingPacketsLine(received))
        return {false, *missing,
                QCoreApplication::translate(
                    "Tovrin", "下載未完成，伺服器已結束串流但缺少 %1 個資料封包\n已收到的部分 .asf 檔案寫入到本地磁碟")
                    .arg(received.missingCount())};
    if (!whole)
        return {false, QString(), FileNotCompletedMessage()};
    return {true, QString(), QString()};
}

CompletionVerdict CutShortVerdict(const RunState& run)
{
    const ReceivedPackets& received = run.receivedPackets;
    const std::optional<QString> missing = MissingPacketsLine(received);
    if (!missing)
        return {true, QString(), QString()};
    return {false, *missing,
            QCoreApplication::translate("Tovrin",
                                        "下載未完成，串流在結束前中斷，缺少 %1 個資料封包\n"
                                        "已收到的部分 .asf 檔案寫入到本地磁碟，可以續傳這個檔案")
                .arg(received.missingCount())};
}

}  // namespace tovrin
