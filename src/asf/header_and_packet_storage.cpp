#include "asf/header_and_packet_storage.h"

#include "asf/asf_objects.h"
#include "asf/byte_helpers.h"
#include "asf/header_inspection.h"
#include "asf/packet_parser.h"
#include "asf/slot_writer.h"
#include "state/app_context.h"
#include "state/run_state.h"
#include "state/shell.h"

#include <QFile>

#include <algorithm>
#include <mutex>

namespace tovrin {

namespace {

// Inspects the stored header and builds the padding block; logs its steps.
bool InspectReceivedHeader(AppContext& ctx);

// A file whose last run ended without its fix-ups (the process was killed,
// or the run ended with the fixed flags set) still states the server's total
// packet count. Resuming from there would ask for packets past the end and
// leave a hole: the resume point is never beyond the whole slots the file
// holds after its header. Answers the number of slots when it lowered the
// point.
std::optional<std::uint32_t> LimitResumePoint(RunState& run)
{
    const qint64 packetSize = run.packetSize.load();
    const qint64 headerLength = run.headerLength.load();
    qint64 size = 0;
    {
        std::lock_guard lock(run.saveFileLock);
        if (!run.saveFile || packetSize <= 0)
            return std::nullopt;
        size = run.saveFile->size();
    }
    const qint64 wholeSlots = size > headerLength ? (size - headerLength) / packetSize : 0;
    if (wholeSlots >= qint64(run.storedPacketCount.load()))
        return std::nullopt;
    run.storedPacketCount = std::uint32_t(wholeSlots);
    return std::uint32_t(wholeSlots);
}

}  // namespace

bool StoreHeaderBytes(AppContext& ctx, const QByteArray& header)
{
    RunState& run = ctx.run;
    if (run.resume) {
        // The file keeps the header of the earlier run, fix-ups included.
        ctx.shell.appendLog(QStringLiteral("- 沒有儲存 ASF 標題 - 重新開始"));
        return true;
    }

    bool written = false;
    {
        // Released before the message: the shell may wait for the UI thread,
        // which may be waiting for this lock.
        std::lock_guard lock(run.saveFileLock);
        QFile* file = run.saveFile.get();
        written = file && file->seek(0) && file->write(header) == header.size();
    }
    if (!written)
        ctx.shell.showMessage(QStringLiteral("不能夠存取本地檔案來寫入標題"));
    return written;
}

bool ReceiveHeaderBytes(AppContext& ctx, const QByteArray& header)
{
    ctx.shell.appendLog(QStringLiteral("- 接收標題..."));
    return StoreAndInspectHeader(ctx, header);
}

bool StoreAndInspectHeader(AppContext& ctx, const QByteArray& header)
{
    if (!StoreHeaderBytes(ctx, header)) {
        ctx.shell.appendLog(QStringLiteral("- ASF header receive error"));
        return false;
    }
    return InspectReceivedHeader(ctx);
}

namespace {
bool InspectReceivedHeader(AppContext& ctx)
{
    Shell& shell = ctx.shell;
    shell.appendLog(QStringLiteral("- 解壓縮標題資料..."));
    if (!ApplyHeaderReading(ctx.run, shell, ReadHeaderFile(ctx.run.savePath, ctx.run.headerLength))) {
        shell.appendLog(QStringLiteral("- ASF header extraction failed"));
        return false;
    }
    if (ctx.run.resume) {
        if (const auto wholeSlots = LimitResumePoint(ctx.run))
            shell.appendLog(QStringLiteral("- 檔案只含 %1 個完整的封包，從這裡重新開始").arg(*wholeSlots));
    }
    shell.appendLog(QStringLiteral("- 資料已解壓縮確定，等候串流中..."));
    RunState& run = ctx.run;
    run.paddingBlock = QByteArray(qsizetype(run.packetSize.load()), '\0');
    // A file of known length is tracked packet by packet, so its end can tell
    // whether every packet arrived. A resumed run's earlier part counts as there.
    if (!run.isLive())
        run.receivedPackets.expect(run.filePacketCount, run.resume ? run.storedPacketCount.load() : 0);
    return true;
}
}  // namespace

bool WriteDataPacket(RunState& run, Shell& shell, QByteArray& packet)
{
    const qsizetype packetSize = run.packetSize.load();
    if (packet.size() < packetSize) {
        const qsizetype missing = packetSize - packet.size();
        if (run.paddingBlock.size() >= missing)
            packet.append(run.paddingBlock.constData(), missing);
        else
            packet.append(missing, '\0');
    } else if (packet.size() > packetSize) {
        shell.appendLog(QStringLiteral("警告，封包長度必須是剪下的大小"));
        packet.truncate(packetSize);
    }

    const qint64 offset = qint64(run.packetIndex.load()) * packetSize + run.headerLength.load();
    std::lock_guard lock(run.saveFileLock);
    return run.saveFile && WriteSlot(run, offset, packet);
}

void MediaPacketWriter::flush()
{
    RunState& run = m_ctx.run;
    std::unique_lock lock(run.saveFileLock);
    if (!FlushSlots(run))
        reportWriteError(lock);
}

void MediaPacketWriter::reportWriteError(std::unique_lock<SaveFileMutex>& lock)
{
    // Reported once: a full disk would otherwise fill the log. A file the
    // stop routine has already closed ends the run, not an error.
    const QFile* file = m_ctx.run.saveFile.get();
    if (m_ctx.run.writeErrorReported || (file && !file->isOpen()))
        return;
    const QString reason = file ? file->errorString() : QStringLiteral("no save file");
    lock.unlock();
    m_ctx.run.writeErrorReported = true;
    m_ctx.shell.appendLog(QStringLiteral("- Save file write error: ") + reason);
}

void MediaPacketWriter::handle(std::uint32_t sequence, QByteArray packet)
{
    RunState& run = m_ctx.run;
    Shell& shell = m_ctx.shell;
    const bool resume = run.resume;

    // A resumed run continues the numbering of its file: the server was asked
    // to start at the stored packet count, so the absolute values apply.
    if (!m_firstSequence)
        m_firstSequence = sequence;
    if (!resume && sequence < *m_firstSequence) {
        // A packet from before the first one of the recording has no slot:
        // its index would wrap round to one terabytes into the file.
        if (!m_earlyPacketLogged)
            shell.appendLog(QStringLiteral("- Media packet from before the recording started, dropped"));
        m_earlyPacketLogged = true;
        return;
    }
    run.packetIndex = resume ? sequence : sequence - *m_firstSequence;
    run.highestPacketIndex = std::max(run.highestPacketIndex.load(), run.packetIndex.load());

    const int at = SendTimeOffset(packet);
    const std::optional<std::uint32_t> sendTime = at > 0 ? LE32At(packet, at) : std::nullopt;
    if (!sendTime) {
        shell.appendLog(QStringLiteral("Missing timecode, bad format, continuing..."));
    } else {
        if (!m_firstSendTime)
            m_firstSendTime = *sendTime;
        run.mediaTime = resume ? *sendTime : *sendTime - *m_firstSendTime;
        if (run.isLive()) {
            if (const std::optional<RebaseFault> fault = RebaseTimecodes(packet, *m_firstSendTime)) {
                shell.appendLog(RebaseFaultLine(*fault));
                shell.appendLog(QStringLiteral("Error in packet, timecode update failed"));
            }
        }
    }

    if (WriteDataPacket(run, shell, packet)) {
        run.receivedPackets.mark(run.packetIndex);
    } else {
        std::unique_lock lock(run.saveFileLock);
        reportWriteError(lock);
    }
    run.mediaPacketStored = true;
}

}  // namespace tovrin
