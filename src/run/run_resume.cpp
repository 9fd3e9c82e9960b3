// A resumed recording: its stored slots read off the UI thread, the stream
// checked by its packets (a look-alike stream has the same header), its
// holes filled again, and a file that joined several entries refused.

#include "asf/asf_objects.h"
#include "asf/byte_helpers.h"
#include "asf/header_facts.h"
#include "asf/recording_file.h"
#include "run/run_engine.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "state/shell.h"
#include "state/ui_courier.h"

#include <QCoreApplication>

#include <algorithm>
#include <thread>

namespace tovrin {

namespace {

// The packets a file's header says it holds, as the end of its last run
// wrote them: more than the stream has means the file joined its entries.
std::uint64_t PacketsHeld(RecordingFile& file, std::uint32_t headerLength)
{
    const QByteArray stored = file.readStart(headerLength);
    std::uint64_t held = ReadHeaderFacts(stored).facts.fileProperties.dataPacketCount;
    const qsizetype data = DataObjectAt(stored);
    if (const std::optional<std::uint64_t> counted =
            data < 0 ? std::nullopt : LE64At(stored, data + field::kDataObjectPackets))
        held = std::max(held, *counted);
    return held;
}

}  // namespace

bool RunEngine::joinedEntriesRefused(const link::FileFigures& figures)
{
    const RunState& run = m_ctx.run;
    if (!run.resume || figures.live || figures.packetCount == 0)
        return false;
    if (PacketsHeld(*m_file, figures.headerLength) <= figures.packetCount)
        return false;
    // Its slots past the first entry's are no packets of this stream: asked
    // for again, they could never be filled. It is left as it is.
    nothingToPatch();
    m_ctx.shell.appendLog(QCoreApplication::translate("Tovrin", "- 這個檔案合併了串流的數個項目，無法續傳"));
    {
        const WatchdogPause waitingForTheUser(m_watchdogs);
        m_ctx.shell.showMessage(QCoreApplication::translate(
            "Tovrin", "這個檔案合併了串流的數個項目，無法續傳\n檔案維持原狀，請選擇重新下載或其他的檔案名稱"));
    }
    endRun(m_end);
    return true;
}

void RunEngine::readStoredSlots()
{
    const RunState& run = m_ctx.run;
    // The run waits for itself, not for the server.
    m_watchdogs.pause();
    m_ctx.shell.appendLog(QCoreApplication::translate("Tovrin", "- 讀取檔案中已儲存的封包..."));
    auto job = std::make_shared<UiCourier>(this);
    m_slotScan = job;
    // A file of gigabytes takes seconds to read: never on the UI thread. The
    // thread holds its own share of the job and hands the slots back through
    // it, or nowhere once the run has gone.
    std::thread([this, job, path = m_file->path(), headerLength = run.headerLength.load(),
                 packetSize = run.packetSize.load(), packets = run.storedPacketCount.load()] {
        auto scanned =
            std::make_shared<std::optional<StoredSlots>>(ScanStoredSlots(path, headerLength, packetSize, packets));
        job->post([this, job, scanned] { storedSlotsRead(job, std::move(*scanned)); });
    }).detach();
}

void RunEngine::storedSlotsRead(const std::shared_ptr<UiCourier>& job, std::optional<StoredSlots> scanned)
{
    if (job != m_slotScan || !m_runActive)
        return;
    m_slotScan.reset();
    m_watchdogs.resume();
    RunState& run = m_ctx.run;
    if (!scanned) {
        nothingToPatch();
        m_ctx.shell.showMessage(QCoreApplication::translate("Tovrin", "無法讀取要續傳的檔案，連線期間已放棄"));
        endRun(m_end);
        return;
    }
    const std::uint32_t stored = run.storedPacketCount;
    const auto holes = std::count(scanned->present.begin(), scanned->present.end(), false);
    PrepareForResumedMedia(run, *m_file, std::move(*scanned));
    // The first hole an earlier run left is filled again, and every one after
    // it as the stream goes on.
    std::uint32_t resumeAt = stored;
    if (run.receivedPackets.tracking())
        resumeAt = std::min(resumeAt, run.receivedPackets.firstMissing());
    if (resumeAt < stored)
        m_ctx.shell.appendLog(
            QCoreApplication::translate("Tovrin", "- 檔案缺少 %1 個封包，從第一個缺少的封包 (%2) 重新開始")
                .arg(holes)
                .arg(resumeAt));
    // From one packet before, whose bytes the file holds: that it arrives the
    // same tells this stream from a look-alike with the same header.
    m_resume = ResumeCheck{true, resumeAt > 0 ? resumeAt - 1 : 0, stored};
    askForMedia();
}

bool RunEngine::resumedStreamConfirmed(const link::Packet& packet)
{
    if (!m_resume.pending)
        return true;
    const RunState& run = m_ctx.run;
    const qint64 packetSize = run.packetSize.load();
    // A resumed stream numbers its packets from its first: the number is
    // the slot, where the file has it.
    const std::optional<SlotIndex> slot = StoredSlotFor(packet.number, PacketCount(m_resume.stored));
    if (slot && run.receivedPackets.isPresent(slot->value())) {
        QByteArray arrived = packet.payload.left(packetSize);
        arrived.append(packetSize - arrived.size(), '\0');
        if (m_file->read(slot->offset(run.headerLength, packetSize), packetSize) != arrived) {
            otherStreamInFile();
            return false;
        }
    }
    // This stream's: the file is cut back to its slots (what the last run's
    // end wrote behind them goes) before anything is written.
    m_resume.pending = false;
    (void)m_file->cutBack(run.headerLength, run.packetSize, m_resume.stored);
    return true;
}

void RunEngine::otherStreamInFile()
{
    m_ctx.shell.appendLog(
        QCoreApplication::translate("Tovrin", "- 儲存檔案的封包與這個串流的不同，保存的是另一個串流，無法續傳"));
    bool again = false;
    {
        const WatchdogPause waitingForTheUser(m_watchdogs);
        again = m_ctx.shell.confirm(QCoreApplication::translate("Tovrin",
                                                                "您所選擇的檔案保存的是另一個串流，無法續傳到這個檔案\n"
                                                                "要重新下載並覆寫這個檔案嗎?\n"
                                                                "選擇「否」會取消下載，檔案維持原狀"),
                                    false);
    }
    if (!m_runActive)
        return;
    // Nothing has been written: the file is as it was.
    nothingToPatch();
    if (!again) {
        endRun(m_end);
        return;
    }
    // Downloaded again from the start, over a connection of its own, into
    // the same file, which keeps its bytes until the new header comes.
    const QString path = m_ctx.session.savePath;
    closeRun(RunEnd::Failed);
    m_ctx.shell.appendLog(QCoreApplication::translate("Tovrin", "- 重新下載這個檔案"));
    resetFor(RunScope::Connection);
    if (!beginRun(path, false))
        finishRecording(RunEnd::Failed);
}

}  // namespace tovrin
