// How the run engine answers what a transport link tells it.

#include "run/progress.h"
#include "run/run_engine.h"
#include "run/server_access.h"
#include "run/server_error.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "state/settings_record.h"
#include "state/shell.h"

#include "locations/credentials.h"

#include <QCoreApplication>

namespace tovrin {

void RunEngine::handle(const link::Log& event)
{
    m_ctx.shell.appendLog(event.line);
}

void RunEngine::handle(const link::Message& event)
{
    const WatchdogPause waitingForTheUser(m_watchdogs);
    m_ctx.shell.showMessage(event.text);
}

void RunEngine::handle(const link::Connecting&)
{
    m_watchdogs.connecting();
}

void RunEngine::handle(const link::Connected&)
{
    m_watchdogs.connected();
}

void RunEngine::handle(const link::Replied&)
{
    m_replied = true;
}

void RunEngine::handle(const link::Progress&)
{
    m_watchdogs.heard();
}

void RunEngine::handle(const link::KeepAlive&)
{
    // Answered, counted, but no sign that the server is at work for the run.
    m_ctx.run.ackCount.fetch_add(1);
}

void RunEngine::handle(const link::ServerClients& event)
{
    m_ctx.run.serverClientCount = event.count;
}

void RunEngine::handle(const link::OpenedFile& event)
{
    m_watchdogs.heard();
    acceptFigures(event.figures);
}

void RunEngine::handle(const link::Header& event)
{
    m_watchdogs.heard();
    if (headerStored())
        storeNextHeader(event.bytes, event.figures);
    else
        storeFirstHeader(event.bytes, event.figures);
}

void RunEngine::handle(const link::StreamingStarts& event)
{
    m_ctx.run.dataOverUdp = event.overUdp;
    AnnounceStreamStart(m_ctx);
}

void RunEngine::handle(const link::Packet& event)
{
    storePacket(event);
}

void RunEngine::handle(const link::EntryEnded&)
{
    flushFile();
    if (!m_ctx.run.followEntries || !headerStored()) {
        complete();  // the first entry is the whole recording
        return;
    }
    // No packet is stored under a header it does not belong to.
    m_ctx.run.readyForMedia = false;
    m_entryEnded = true;
    m_ctx.shell.appendLog(QCoreApplication::translate("Tovrin", "- 項目結束，等候下一個項目..."));
}

void RunEngine::handle(const link::EndOfStream&)
{
    complete();
}

void RunEngine::handle(const link::ServerMoved& event)
{
    m_ctx.run.serverHost = event.serverHost;
}

void RunEngine::handle(const link::CredentialsAsked& event)
{
    ServerCredentials credentials;
    credentials.challenge = event.challenge;
    bool confirmed = false;
    {
        const WatchdogPause waitingForTheUser(m_watchdogs);
        confirmed = event.proxy.isEmpty() ? AskServerCredentials(m_ctx, credentials)
                                          : AskProxyCredentials(m_ctx, event.proxy, credentials);
    }
    if (!m_runActive)
        return;  // ended while the dialog was open
    if (confirmed) {
        m_link->answerCredentials(credentials.encoded);
        return;
    }
    nothingToPatch();
    m_ctx.shell.showMessage(event.proxy.isEmpty() ? QCoreApplication::translate("Tovrin", "連線期間已放棄，關閉連線")
                                                  : ProxyCredentialsDeclinedMessage(event.proxy));
    endRun(m_end);
}

void RunEngine::handle(const link::ServerError& event)
{
    flushFile();
    {
        const WatchdogPause waitingForTheUser(m_watchdogs);
        ReportServerError(m_ctx.shell, event.code, event.refusedPlayer);
    }
    endRun(m_end);
}

void RunEngine::handle(const link::Failed& event)
{
    flushFile();
    // Without a header of its own the file holds nothing to patch.
    if (!headerStored())
        nothingToPatch();
    if (!event.logLine.isEmpty())
        m_ctx.shell.appendLog(event.logLine);
    if (!event.message.isEmpty()) {
        const WatchdogPause waitingForTheUser(m_watchdogs);
        m_ctx.shell.showMessage(event.message);
    }
    endRun(m_end);
}

void RunEngine::handle(const link::Lost& event)
{
    using link::LossKind;
    Shell& shell = m_ctx.shell;
    const bool beforeReply = event.kind == LossKind::Refused || event.kind == LossKind::ClosedBeforeReply;
    if (beforeReply && !m_replied && !m_rolledOver && m_reconnect.tryNumber() == 0) {
        if (const std::optional<Rollover> rollover = m_links.rollOver()) {
            rollOver(*rollover);
            return;
        }
    }
    if (event.kind != LossKind::Refused && event.kind != LossKind::NotMade) {
        // The link has told how the connection ended.
        if (headerStored()) {
            cutShort();
            return;
        }
        nothingToPatch();
        if (!endForReconnect())
            endRun(m_end);
        return;
    }
    // The connection could not be made (no such host, refused,
    // unreachable): told now, not when the watchdog runs out.
    const QString reason = CannotConnectMessage(event.reason);
    shell.appendLog(QStringLiteral("- ") + reason);
    if (headerStored()) {
        cutShort();
        return;
    }
    nothingToPatch();
    if (endForReconnect())
        return;
    endRun(m_end);
    shell.setCaption(QStringLiteral("Tovrin"));
    shell.showMessage(reason);
}

void RunEngine::rollOver(const Rollover& rollover)
{
    // The recording goes on over the other transport, into the file chosen
    // for this run, with the log kept.
    m_rolledOver = true;
    const QString savePath = m_ctx.session.savePath;
    const bool resume = m_ctx.run.resume;
    nothingToPatch();
    closeRun(RunEnd::Failed);
    m_ctx.shell.appendLog(rollover.logLine);
    const std::optional<LinkTarget> target = m_links.target(m_ctx, rollover.address);
    if (!target) {
        finishRecording(RunEnd::Failed);
        return;
    }
    m_target = *target;
    resetFor(RunScope::Connection);
    if (!beginRun(savePath, resume))
        finishRecording(RunEnd::Failed);
}

}  // namespace tovrin
