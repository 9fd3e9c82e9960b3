#include "run/run_engine.h"

#include "asf/recording_file.h"
#include "locations/redirector_fetch.h"
#include "run/event_queue.h"
#include "run/progress.h"
#include "run/save_file_choice.h"
#include "run/storage_report.h"
#include "state/run_reset.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "state/settings_record.h"
#include "state/shell.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace tovrin {

namespace {

constexpr int kRefreshInterval = 200;

}  // namespace

void RunEngine::LinkCloser::operator()(TransportLink* link) const
{
    delete link;
}

RunEngine::RunEngine(AppContext& ctx, LinkFactory& links, QObject* parent) : QObject(parent), m_ctx(ctx), m_links(links)
{
    m_refresh.setInterval(kRefreshInterval);
    m_nextTry.setSingleShot(true);
    connect(&m_refresh, &QTimer::timeout, this, [this] { RefreshTick(m_ctx); });
    connect(&m_soundRepeat, &QTimer::timeout, this, [this] { m_ctx.shell.playSound(QStringLiteral("Done.wav")); });
    connect(&m_nextTry, &QTimer::timeout, this, &RunEngine::tryAgain);
    connect(&m_watchdogs, &RunWatchdogs::connectTimedOut, this, &RunEngine::onConnectTimeout);
    connect(&m_watchdogs, &RunWatchdogs::silent, this, &RunEngine::onSilence);
}

RunEngine::~RunEngine()
{
    // Nothing of a connection, nor of a file being read, may reach the
    // engine once it goes.
    if (m_events)
        m_events->close();
    if (m_slotScan)
        m_slotScan->detach();
    m_link.reset();
}

void RunEngine::setRedirectorFetch(RedirectorFetch* fetch)
{
    m_fetch = fetch;
}

bool RunEngine::start(const QString& address)
{
    // A Connect from inside a step of a run (a dialog's event loop) would
    // start a run under the step still going on.
    if (m_recording || m_draining)
        return false;
    switch (m_links.accepts(m_ctx, address)) {
    case LinkFactory::Verdict::Accepted:
        break;
    case LinkFactory::Verdict::RefusedAndCleared:
        emit urlTextChanged(QString());
        return false;
    case LinkFactory::Verdict::Refused:
        return false;
    }
    resetFor(RunScope::Recording);
    const std::optional<LinkTarget> target = m_links.target(m_ctx, address);
    if (!target)
        return false;
    if (target->url != address)
        emit urlTextChanged(target->url);
    m_target = *target;
    m_rolledOver = m_intoNextFile = false;
    m_reconnect.begin(m_ctx.settings.reconnect);
    m_clock.startRecording();
    m_part = 0;
    m_partFile.clear();
    m_parts.setRules(PartRulesFrom(m_ctx.settings));
    m_splitting = false;
    m_recordedBefore = 0;
    m_freeSpaceRead.invalidate();
    return beginRun(std::nullopt, false);
}

void RunEngine::resetFor(RunScope scope)
{
    RunState& run = m_ctx.run;
    if (scope == RunScope::NextFile) {
        // The next file is a recording of its own: nothing of the last one's
        // numbering, timing, fix-ups or packet tracking carries over.
        run.readyForMedia = false;
        run.resume = false;
        run.packetIndex = 0;
        run.highestPacketIndex = 0;
        run.mediaTime = 0;
        run.mediaPacketStored = false;
        run.liveHeaderFixed = false;
        run.entriesJoined = false;
        run.packetCountFixed = false;
        run.gaugeTextShown = false;
        run.receivedPackets.clear();
        m_storedHeader.clear();
        m_entryEnded = false;
        m_selectionTold = false;
        m_clock.startSegment();
        return;
    }
    m_chosenStreamsOnly = false;
    // A new recording resets the window too; a connection that carries the
    // recording on keeps what the window and the log show of it.
    if (scope == RunScope::Recording)
        ResetRun(m_ctx);
    else
        run.reset();
    run.serverHost = m_target.serverHost;
    run.streamPath = m_target.streamPath;
    run.defaultSaveName = m_target.defaultSaveName;
    m_end = RunEnd::Failed;
    m_storedHeader.clear();
    m_replied = m_entryEnded = m_announcedStart = m_selectionTold = false;
    m_resume = {};
    if (m_slotScan)
        m_slotScan->detach();
    m_slotScan.reset();
}

bool RunEngine::beginRun(const std::optional<QString>& continuedPath, bool resume)
{
    RunState& run = m_ctx.run;
    if (!continuedPath) {
        run.serverHost = m_target.serverHost;
        run.streamPath = m_target.streamPath;
        run.defaultSaveName = m_target.defaultSaveName;
    }
    emit connecting(m_target.url);
    // A broadcast's next try goes on in the next file: the last one counts
    // towards the recording's size.
    if (continuedPath && m_file && *continuedPath != m_ctx.session.savePath)
        m_recordedBefore += std::uint64_t(std::max<qint64>(QFileInfo(m_ctx.session.savePath).size(), 0));
    // The last run's file is let go first: choosing it again is no clash.
    m_writer.reset();
    m_file.reset();
    m_file = continuedPath ? OpenChosenSaveFile(m_ctx, *continuedPath, resume) : OpenSaveFile(m_ctx);
    if (!m_file)
        return false;
    if (!continuedPath) {
        m_nextNames.start(m_ctx.session.savePath);
        m_nextNames.useTemplate(m_ctx.settings.nameTemplate, run.defaultSaveName, m_ctx.session.savePathTemplated);
    }
    // The session names a continued recording's file from here on: only
    // then is a next numbered file told as a file of its own.
    AnnounceRunStart(m_ctx, m_target.url, continuedPath);
    noteFile();

    m_writer.emplace(run, *m_file);
    run.followEntries = m_ctx.settings.followEntries;
    m_recording = m_runActive = true;
    emit runStarted();
    m_refresh.start();
    openConnection();
    return true;
}

void RunEngine::noteFile()
{
    const QString& path = m_ctx.session.savePath;
    if (path == m_partFile)
        return;
    m_partFile = path;
    m_partPackets = 0;
    emit fileStarted(path, ++m_part);
}

RecordingProgress RunEngine::progress() const
{
    RecordingProgress progress;
    progress.recording = m_runActive && headerStored();
    progress.file = m_partFile;
    progress.part = m_part;
    progress.mediaMs = m_clock.totalMs();
    progress.reconnectTries = m_reconnect.tryNumber();
    MeasureFile(m_ctx.run, m_partPackets, progress);
    return progress;
}

void RunEngine::openConnection()
{
    // Each connection has its own queue: what a connection that has ended
    // still pushes goes nowhere. The wake-up runs under the queue's lock on
    // the pushing thread, so it only posts; the engine closes every queue
    // before it goes, so it is there to post to.
    m_events = std::make_shared<RunEventQueue>(
        [this] { QMetaObject::invokeMethod(this, &RunEngine::drain, Qt::QueuedConnection); });
    m_link = LinkHandle(m_links.create(m_events).release());
    m_link->open(LinkRequest{m_target.url, m_ctx.run.serverHost, m_ctx.run.streamPath});
}

void RunEngine::drain()
{
    // A dialog opened by an event runs a nested event loop: the events that
    // arrive meanwhile wait for the outer drain, so they keep their order.
    if (m_draining || !m_events)
        return;
    m_draining = true;
    const std::shared_ptr<RunEventQueue> events = m_events;
    while (m_runActive && events == m_events) {
        const std::vector<LinkEvent> batch = events->takeAll();
        if (batch.empty())
            break;
        for (const LinkEvent& event : batch) {
            if (!m_runActive || events != m_events)
                break;
            std::visit([this](const auto& e) { handle(e); }, event);
        }
        if (m_runActive && events == m_events)
            flushFile();
    }
    m_draining = false;
}

bool RunEngine::closeRun(RunEnd end)
{
    if (!m_runActive)
        return false;
    m_end = end;
    stopRoutine();
    m_runActive = false;
    return true;
}

void RunEngine::endRun(RunEnd end)
{
    if (!closeRun(end))
        return;
    if (end == RunEnd::Lost) {
        waitForNextTry();
        return;
    }
    finishRecording(end);
}

void RunEngine::stopRoutine()
{
    RunState& run = m_ctx.run;
    Shell& shell = m_ctx.shell;
    run.stopFlag = true;
    m_watchdogs.stop();
    // The connection goes first: nothing it still sends reaches the file
    // being patched.
    if (m_events)
        m_events->close();
    if (m_link) {
        for (const QString& line : m_link->close())
            shell.appendLog(line);
        m_link.reset();
    }
    for (const QString& line : m_repeats.repeats())
        shell.appendLog(line);
    m_repeats.clear();
    FixUpAndTell(shell, run, m_file.get());
    if (m_fetch && m_fetch->isBusy())
        m_fetch->abort();
    shell.setModeLabel(ModeLabel::Standby);
    m_refresh.stop();
    if (m_file)
        m_file->close();
}

void RunEngine::finishRecording(RunEnd end)
{
    m_recording = false;
    m_lastEnd = end;
    m_reconnect.end();
    // A recording that failed (lost connection, error code, refusal) leaves
    // no progress caption behind.
    if (end == RunEnd::Failed)
        m_ctx.shell.setCaption(QStringLiteral("Tovrin"));
    emit finished(end);
}

void RunEngine::stopRun()
{
    if (stopTrying())
        return;
    if (m_runActive) {
        endRun(m_end);
        return;
    }
    // No run: the stop routine still ends a redirector fetch under way.
    if (m_fetch && m_fetch->isBusy())
        m_fetch->abort();
}

void RunEngine::stop()
{
    if (stopTrying())
        return;
    if (m_runActive)
        m_end = RunEnd::UserStopped;
    stopRun();
    m_ctx.shell.setCaption(QStringLiteral("Tovrin"));
}

void RunEngine::disconnectClick()
{
    if (stopTrying())
        return;
    if (!ConfirmDisconnect(m_ctx))
        return;
    stop();
    TellDisconnected(m_ctx);
}

void RunEngine::nothingToPatch()
{
    m_ctx.run.liveHeaderFixed = true;
    m_ctx.run.packetCountFixed = true;
}

void RunEngine::tellAndEnd(const QString& logLine, const QString& message)
{
    if (!logLine.isEmpty())
        m_ctx.shell.appendLog(logLine);
    endRun(m_end);
    if (!message.isEmpty())
        m_ctx.shell.showMessage(message);
}

// --- watchdogs ------------------------------------------------------------

void RunEngine::onConnectTimeout()
{
    if (!m_runActive)
        return;
    Shell& shell = m_ctx.shell;
    if (headerStored()) {
        // A later connection of the run (MMS over HTTP's Play) was not made.
        const QString line = QCoreApplication::translate("Tovrin", "- %1 秒內無法連線到伺服器，已放棄")
                                 .arg(m_watchdogs.connectLimit() / 1000.0);
        shell.appendLog(line);
        if (!endForReconnect())
            endRun(m_end);
        return;
    }
    shell.appendLog(QCoreApplication::translate("Tovrin", " ---- TCP Socket 逾時，連線期間已放棄 ----"));
    nothingToPatch();
    if (endForReconnect())
        return;
    endRun(m_end);
    shell.setCaption(QStringLiteral("Tovrin"));
    shell.showMessage(QCoreApplication::translate("Tovrin", "這個伺服器並沒有適時的回答方式，連線期間已放棄"));
}

void RunEngine::onSilence(qint64 silentMs)
{
    if (!m_runActive)
        return;
    RunState& run = m_ctx.run;
    m_ctx.shell.appendLog(ServerSilentLogLine(silentMs));
    if (!headerStored())
        nothingToPatch();
    if (endForReconnect())
        return;
    // What arrived is kept: the stop routine patches the file as for a stop.
    const bool saved = run.mediaPacketStored || (run.resume && run.storedPacketCount > 0);
    endRun(m_end);
    m_ctx.shell.setCaption(QStringLiteral("Tovrin"));
    m_ctx.shell.showMessage(ServerSilentMessage(silentMs, saved));
}

// --- reconnecting -----------------------------------------------------------

bool RunEngine::endForReconnect()
{
    if (!m_runActive || !m_reconnect.takeTry(m_ctx.run.mediaPacketStored))
        return false;
    endRun(RunEnd::Lost);
    return true;
}

void RunEngine::waitForNextTry()
{
    // A run that stored media tells what the next tries continue: a
    // broadcast its next numbered file, a stream of known length its file.
    if (m_ctx.run.mediaPacketStored)
        m_intoNextFile = m_ctx.run.isLive();
    emit reconnectWaiting(m_reconnect.tryNumber(), m_reconnect.limit(), m_reconnect.delayMs());
    const int seconds = m_reconnect.delayMs() / 1000;
    m_ctx.shell.appendLog(
        QCoreApplication::translate("Tovrin", "- 與伺服器的連線中斷，%1 秒後重新連線 (第 %2 次，最多 %3 次)")
            .arg(seconds)
            .arg(m_reconnect.tryNumber())
            .arg(m_reconnect.limit()));
    m_ctx.shell.setCaption(QCoreApplication::translate("Tovrin", "Tovrin 重新連線 %1/%2")
                               .arg(m_reconnect.tryNumber())
                               .arg(m_reconnect.limit()));
    m_nextTry.start(m_reconnect.delayMs());
}

void RunEngine::tryAgain()
{
    if (m_draining) {
        // Not under a step of the ended run still going on.
        m_nextTry.start(0);
        return;
    }
    m_ctx.shell.appendLog(QCoreApplication::translate("Tovrin", "- 重新連線 (第 %1 次)").arg(m_reconnect.tryNumber()));
    const QString path = m_intoNextFile ? m_nextNames.next(m_ctx.session.savePath) : m_ctx.session.savePath;
    resetFor(RunScope::Connection);
    m_clock.startSegment();
    // A try that could not even start (the file cannot be opened: told)
    // ends the recording.
    if (!beginRun(path, !m_intoNextFile))
        finishRecording(RunEnd::Failed);
}

bool RunEngine::stopTrying()
{
    if (!m_nextTry.isActive())
        return false;
    m_nextTry.stop();
    m_ctx.shell.appendLog(QCoreApplication::translate("Tovrin", "- 不再重新連線"));
    m_ctx.shell.setCaption(QStringLiteral("Tovrin"));
    finishRecording(RunEnd::UserStopped);
    return true;
}

}  // namespace tovrin
