#include "asf/run_fixups.h"

#include "asf/header_fixup.h"
#include "asf/slot_writer.h"
#include "state/app_context.h"
#include "state/run_state.h"
#include "state/shell.h"

#include <mutex>
#include <optional>

namespace tovrin {

namespace {

// Writes out the packets batched for the save file; run.saveFileLock is held.
// Answers the error text when this is the run's first failed write, to be
// logged once the lock is free (the batch is gone either way).
QString FlushTellingFirstError(RunState& run)
{
    if (!FlushSlots(run) && run.saveFile && run.saveFile->isOpen() && !run.writeErrorReported.exchange(true))
        return run.saveFile->errorString();
    return {};
}

}  // namespace

void FixUpStoppedRun(AppContext& ctx)
{
    RunState& run = ctx.run;
    Shell& shell = ctx.shell;
    // The receive thread may be writing a packet: the file is touched by one
    // thread at a time.
    std::optional<LiveHeaderFix> liveFixed;
    std::optional<bool> countFixed;
    QString writeError;
    {
        std::lock_guard lock(run.saveFileLock);
        writeError = FlushTellingFirstError(run);
        if (!run.liveHeaderFixed && run.isLive() && !run.localFileMode) {
            liveFixed = FixLiveHeader(run);
            run.liveHeaderFixed = true;
        }
        if (!run.packetCountFixed && !run.isLive() && run.storedPacketCount > 0 && !run.localFileMode) {
            countFixed = FixPacketCount(run);
            run.packetCountFixed = true;
        }
    }
    // Told only now that the lock is free: a message box runs an event loop,
    // and a second stop arriving from it takes the same lock.
    if (!writeError.isEmpty())
        shell.appendLog(QStringLiteral("- Save file write error: ") + writeError);
    if (liveFixed) {
        if (const QString message = LiveHeaderFixMessage(*liveFixed); !message.isEmpty())
            shell.showMessage(message);
        shell.appendLog(*liveFixed == LiveHeaderFix::Fixed ? QStringLiteral("- ASF 標題檔案主題已修正")
                                                           : QStringLiteral("- 無法修正連線 asf 檔案標題，檔案錯誤"));
    }
    if (countFixed)
        shell.appendLog(*countFixed ? QStringLiteral("- ASF 重新開始/結束 資料寫入")
                                    : QStringLiteral("- 寫入 ASF 檔案錯誤 重新開始/結束 檔案"));
}

bool FixCompletedRun(AppContext& ctx)
{
    RunState& run = ctx.run;
    bool fixed = false;
    QString writeError;
    {
        std::lock_guard lock(run.saveFileLock);
        writeError = FlushTellingFirstError(run);
        fixed = FixPacketCount(run);
    }
    if (!writeError.isEmpty())
        ctx.shell.appendLog(QStringLiteral("- Save file write error: ") + writeError);
    ctx.shell.appendLog(fixed ? QStringLiteral("- ASF 檔案寫入完成離開") : QStringLiteral("- 完成 ASF 檔案時發生錯誤"));
    run.packetCountFixed = true;
    return fixed && !run.writeErrorReported;
}

void CloseSaveFile(RunState& run)
{
    std::lock_guard lock(run.saveFileLock);
    FlushSlots(run);
    if (run.saveFile)
        run.saveFile->close();
}

}  // namespace tovrin
