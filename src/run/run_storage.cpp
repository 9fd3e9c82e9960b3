// What the run engine keeps of a stream: its figures, its header and media
// packets in the save file, the next file of a stream change, and the end
// of the stream judged whole or not.

#include "asf/header_facts.h"
#include "asf/recording_file.h"
#include "run/next_recording.h"
#include "run/progress.h"
#include "run/run_engine.h"
#include "run/storage_report.h"
#include "run/stream_selection.h"
#include "run/stream_tap.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "state/settings_record.h"
#include "state/shell.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace tovrin {

bool RunEngine::acceptFigures(const link::FileFigures& figures)
{
    RunState& run = m_ctx.run;
    run.packetSize = figures.packetSize;
    run.headerLength = figures.headerLength;
    run.streamBitRate = figures.bitRate;
    run.filePacketCount = figures.live ? kLivePacketCount : figures.packetCount;
    if (!run.isLive() || !run.resume)
        return true;
    m_ctx.shell.showMessage(
        QCoreApplication::translate("Tovrin", "錯誤 - 現況串流偵測!\n現況期間無法重新開始\n請再嘗試一次"));
    run.liveHeaderFixed = true;
    endRun(m_end);
    return false;
}

void RunEngine::storeFirstHeader(const QByteArray& header, const link::FileFigures& figures)
{
    if (!acceptFigures(figures) || joinedEntriesRefused(figures))
        return;
    HeaderTaken taken = HeaderTaken::Failed;
    {
        // The question about another stream's file waits for the user.
        const WatchdogPause waitingForTheUser(m_watchdogs);
        taken = StoreAndInspectHeader(m_ctx, *m_file, header);
    }
    if (!m_runActive)
        return;
    switch (taken) {
    case HeaderTaken::Ready:
        m_storedHeader = header;
        if (!m_ctx.run.resume)
            nameByTitle(header);
        if (m_tap)
            m_tap->header(header, m_ctx.run.packetSize);
        m_parts.setHeader(header);
        m_parts.partStarted(QDateTime::currentDateTime());
        // Only a broadcast is cut into parts: a stream of known length is
        // numbered by its own packets, one file of it.
        m_splitting = m_parts.rules().any() && m_ctx.run.isLive();
        if (m_parts.rules().any() && !m_splitting) {
            const QString line = QCoreApplication::translate("Tovrin", "- 這個串流有固定長度，不分段，錄製成一個檔案");
            if (m_repeats.firstTime(line))
                m_ctx.shell.appendLog(line);
        }
        if (m_ctx.run.resume)
            readStoredSlots();
        else
            askForMedia();
        return;
    case HeaderTaken::LeftAsItWas:
        // Left exactly as it was: no fix-up touches it.
        nothingToPatch();
        endRun(m_end);
        return;
    case HeaderTaken::Failed:
        break;
    }
    // Without a header there is nothing to record into, and the server waits
    // for a stream selection that never comes: the run ends, told why. The
    // file holds no header of this run to patch.
    nothingToPatch();
    m_ctx.shell.showMessage(QCoreApplication::translate("Tovrin", "無法讀取這個串流的 ASF 標題，連線期間已放棄"));
    endRun(m_end);
}

void RunEngine::storeNextHeader(const QByteArray& header, const link::FileFigures& figures)
{
    RunState& run = m_ctx.run;
    // No packet is stored under a header it does not belong to.
    run.readyForMedia = false;
    m_entryEnded = false;
    if (header == m_storedHeader) {
        m_ctx.shell.appendLog(
            QCoreApplication::translate("Tovrin", "- 下一個項目的 ASF 標題相同，繼續錄製到同一個檔案"));
        m_writer->entryChanged();
        run.resume = false;  // the next entry is asked for from its start
        run.readyForMedia = true;
        askForMedia();
        return;
    }
    flushFile();
    if (!m_runActive)
        return;
    if (!run.followEntries) {
        complete();
        return;
    }
    if (!continueIntoNextFile()) {
        endRun(m_end);
        return;
    }
    storeFirstHeader(header, figures);
}

void RunEngine::askForMedia()
{
    const RunState& run = m_ctx.run;
    MediaRequest request;
    const StreamSelection selection =
        SelectStreams(m_storedHeader, m_ctx.settings.streamChoice, m_ctx.settings.maxBitRate);
    request.streams = selection.actions;
    if (selection.excludesStreams && !storeChosenStreams())
        return;
    if (request.streams.empty()) {
        // A header whose streams cannot be read: those the inspection found.
        const std::size_t count = std::min<std::size_t>(run.streamCount, kMaxStreams);
        for (std::size_t i = 0; i < count; ++i)
            request.streams.push_back({m_ctx.session.streamNumbers[i], kStreamOn});
    }
    for (std::size_t i = 0; i < std::min<std::size_t>(run.streamCount, kMaxStreams); ++i)
        m_ctx.session.streamActions[i] = 0;
    if (!std::exchange(m_selectionTold, true)) {
        for (const QString& line : selection.lines)
            m_ctx.shell.appendLog(line);
        // The statistics page says which streams the file holds.
        if (selection.excludesStreams)
            m_ctx.shell.appendPropertyLine(
                PropertyField::BitRateInfo,
                QCoreApplication::translate("Tovrin", "錄製的串流:%1").arg(selection.recordedList));
    }
    if (run.resume)
        request.start = m_resume.from;
    m_link->requestMedia(request);
}

void RunEngine::nameByTitle(const QByteArray& header)
{
    const std::optional<ContentDescription>& content = ReadHeaderFacts(header).facts.content;
    const QString path = m_nextNames.titledFirstName(content && content->title ? *content->title : QString());
    if (path.isEmpty())
        return;
    if (!m_file->moveTo(path)) {
        m_ctx.shell.appendLog(QCoreApplication::translate("Tovrin", "- 無法依串流的標題重新命名檔案，繼續錄製到: %1")
                                  .arg(m_ctx.session.savePath));
        return;
    }
    // The recording's first file, named as the template says now that the
    // header told the stream's title (%t).
    m_nextNames.start(path);
    m_ctx.session.savePath = path;
    m_ctx.shell.setSaveLocation(path);
    m_ctx.shell.appendLog(QCoreApplication::translate("Tovrin", "- 依串流的標題命名檔案:") + u' ' + path);
    m_partFile = path;
    emit fileStarted(path, m_part);
}

bool RunEngine::storeChosenStreams()
{
    RunState& run = m_ctx.run;
    if (run.resume) {
        // The file's slots hold the packets of every stream, or of the
        // streams an earlier run chose: the server's numbers no longer say
        // which packet the file lacks. Nothing has been written.
        m_ctx.shell.appendLog(QCoreApplication::translate(
            "Tovrin", "- 只錄製部分的串流時無法續傳檔案，檔案維持原狀；請選擇錄製全部的串流，或錄製到新的檔案"));
        nothingToPatch();
        endRun(m_end);
        return false;
    }
    m_writer->storeInArrivalOrder();
    m_chosenStreamsOnly = true;
    // A number the server skips is a packet of the streams not chosen.
    run.receivedPackets.clear();
    return true;
}

void RunEngine::storePacket(const link::Packet& packet)
{
    RunState& run = m_ctx.run;
    // The link drops and tells packets that come before the header; one
    // that crosses a stream change has no slot to go to either.
    if (!run.readyForMedia)
        return;
    m_watchdogs.heard();
    if (run.resume && !resumedStreamConfirmed(packet))
        return;
    if (m_tap)
        m_tap->packet(packet.payload);
    if (m_splitting && m_parts.beginsNextPart(packet.payload) && !startNextPart())
        return;
    const StoredPacket told = m_writer->handle(packet.number, packet.payload);
    if (told.stored)
        ++m_partPackets;
    for (const QString& line : StoredPacketLines(told))
        if (m_repeats.firstTime(line))
            m_ctx.shell.appendLog(line);
    TellWriteFailure(m_ctx.shell, told.writeFailure);
    if (run.writeErrorReported) {
        writeFailureEnd();
        return;
    }
    if (m_clock.packetAt(run.mediaTime)) {
        stop();  // the recording's limit: as a confirmed Disconnect
        return;
    }
    judgeLimits();
}

std::uint64_t RunEngine::fileBytes() const
{
    const RunState& run = m_ctx.run;
    const std::uint64_t packets = run.mediaPacketStored ? std::uint64_t(run.highestPacketIndex) + 1 : 0;
    return ClosedFileBytes(run.headerLength, packets, run.packetSize, run.mediaTime);
}

void RunEngine::judgeLimits()
{
    const RunState& run = m_ctx.run;
    const QDateTime now = QDateTime::currentDateTime();
    if (m_splitting)
        m_parts.packetStored(run.mediaTime, fileBytes(), now);
    if (m_sizeLimits.maxBytes == 0 && m_sizeLimits.minFreeBytes == 0)
        return;
    // The disk's free space is read once a second: reading it for each
    // packet would cost more than storing it.
    std::optional<std::uint64_t> freeBytes;
    if (m_sizeLimits.minFreeBytes > 0 && (!m_freeSpaceRead.isValid() || m_freeSpaceRead.elapsed() >= 1000)) {
        m_freeSpaceRead.start();
        const QStorageInfo disk(QFileInfo(m_ctx.session.savePath).absolutePath());
        if (disk.isValid() && disk.bytesAvailable() >= 0)
            freeBytes = std::uint64_t(disk.bytesAvailable());
    }
    const SizeVerdict verdict =
        JudgeSizeLimits(m_sizeLimits, m_recordedBefore + fileBytes(), run.packetSize, freeBytes, run.streamBitRate / 8);
    if (verdict == SizeVerdict::GoOn)
        return;
    if (verdict == SizeVerdict::MaxSizeReached)
        m_ctx.shell.appendLog(QCoreApplication::translate("Tovrin", "- 錄製已達到大小上限 %1，錄製結束")
                                  .arg(ByteSizeText(m_sizeLimits.maxBytes)));
    else
        m_ctx.shell.appendLog(
            QCoreApplication::translate("Tovrin", "- 磁碟的剩餘空間即將低於 %1，錄製結束，檔案保持完整")
                .arg(ByteSizeText(m_sizeLimits.minFreeBytes)));
    stop();  // as a confirmed Disconnect: the file ends whole
}

bool RunEngine::startNextPart()
{
    flushFile();
    if (!m_runActive)
        return false;
    const QByteArray header = m_storedHeader;
    const QString reason =
        QCoreApplication::translate("Tovrin", "- 第 %1 段開始，繼續錄製到新檔案:").arg(m_nextNames.part() + 1);
    if (!continueIntoNextFile(reason)) {
        endRun(m_end);
        return false;
    }
    // The same header begins the next part; the server goes on sending, so
    // no media is asked for again.
    if (StoreAndInspectHeader(m_ctx, *m_file, header) != HeaderTaken::Ready) {
        nothingToPatch();
        m_ctx.shell.showMessage(QCoreApplication::translate("Tovrin", "無法寫入下一段的 ASF 標題，錄製結束"));
        endRun(m_end);
        return false;
    }
    m_storedHeader = header;
    m_selectionTold = true;
    m_parts.partStarted(QDateTime::currentDateTime());
    return true;
}

void RunEngine::flushFile()
{
    if (!m_writer)
        return;
    TellWriteFailure(m_ctx.shell, m_writer->flush());
    if (m_runActive && m_ctx.run.writeErrorReported)
        writeFailureEnd();
}

void RunEngine::writeFailureEnd()
{
    // The first failed write ends the run: going on would only widen the gap
    // between what the file holds and what the run received.
    endRun(m_end);
    AnnounceWriteFailureEnd(m_ctx, [this] { emit saveLogRequested(); });
}

void RunEngine::complete()
{
    flushFile();
    if (!m_runActive || !m_file)
        return;
    const CompletionVerdict verdict = CompleteRunFile(m_ctx, *m_file);
    endRun(verdict.whole ? RunEnd::Completed : RunEnd::Incomplete);
    const auto saveLog = [this] { emit saveLogRequested(); };
    if (verdict.whole)
        AnnounceCompletion(m_ctx, m_soundRepeat, saveLog);
    else
        AnnounceIncompleteEnd(m_ctx, verdict.reasonLine, verdict.message, saveLog);
}

void RunEngine::cutShort()
{
    const RunState& run = m_ctx.run;
    flushFile();
    if (!m_runActive)
        return;
    // A stream of known length that lacks packets is not whole; a broadcast
    // has no end of its own, and ends when its server closes.
    const CompletionVerdict verdict = CutShortVerdict(run);
    // Every packet of a stream of known length arrived before the server
    // closed: the recording is whole, as if the end of the stream had come.
    if (!run.isLive() && run.receivedPackets.tracking() && run.receivedPackets.missingCount() == 0) {
        complete();
        return;
    }
    if (m_chosenStreamsOnly && !run.isLive()) {
        // Packets stored as they came have no count to be held to, and no
        // resume finds where they stopped: the recording is cut short.
        endRun(RunEnd::Incomplete);
        AnnounceIncompleteEnd(m_ctx, QString(),
                              QCoreApplication::translate("Tovrin",
                                                          "下載未完成，串流在結束前中斷\n"
                                                          "已收到的部分 .asf 檔案寫入到本地磁碟"),
                              [this] { emit saveLogRequested(); });
        return;
    }
    if ((!verdict.whole || run.isLive()) && endForReconnect())
        return;
    if (!verdict.whole) {
        endRun(RunEnd::Incomplete);
        AnnounceIncompleteEnd(m_ctx, verdict.reasonLine, verdict.message, [this] { emit saveLogRequested(); });
        return;
    }
    endRun(run.isLive() && run.mediaPacketStored ? RunEnd::Completed : m_end);
}

bool RunEngine::continueIntoNextFile(const QString& reason)
{
    m_recordedBefore += fileBytes();
    if (!ContinueIntoNextFile(m_ctx, *m_file, m_nextNames, reason))
        return false;
    resetFor(RunScope::NextFile);
    m_writer->startOver();
    noteFile();
    return true;
}

}  // namespace tovrin
