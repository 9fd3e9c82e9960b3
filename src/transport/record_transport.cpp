#include "transport/record_transport.h"

#include "mmsh/mmsh_controller.h"
#include "run/progress.h"
#include "state/app_context.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "state/settings_record.h"
#include "state/shell.h"

#include <QCoreApplication>
#include <QUrl>

#include <utility>

namespace tovrin {

std::optional<Transport> TransportNamed(const QString& name)
{
    if (name == QLatin1String("auto"))
        return Transport::Auto;
    if (name == QLatin1String("mmst"))
        return Transport::Mmst;
    if (name == QLatin1String("mmsu"))
        return Transport::Mmsu;
    if (name == QLatin1String("mmsh"))
        return Transport::Mmsh;
    return std::nullopt;
}

QString MmshAddress(const QString& address, quint16 httpPort)
{
    const qsizetype scheme = address.indexOf(QStringLiteral("://"));
    if (scheme < 0)
        return address;
    QUrl url(QStringLiteral("mmsh") + address.mid(scheme));
    if (!url.isValid())
        return address;
    url.setPort(httpPort == 80 ? -1 : httpPort);
    return url.toString(QUrl::FullyEncoded);
}

RecordTransport::RecordTransport(AppContext& ctx, ConnectionController& mms, MmshController& mmsh, Transport transport,
                                 quint16 httpPort, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_mms(mms), m_mmsh(mmsh), m_transport(transport), m_httpPort(httpPort)
{
    m_mmsh.setDefaultPort(httpPort);
    m_mms.setFallbackOnRefusal(transport == Transport::Auto);
    m_mms.setReconnectPolicy(&m_reconnect);
    m_mmsh.setReconnectPolicy(&m_reconnect);
    m_nextTry.setSingleShot(true);
    connect(&m_nextTry, &QTimer::timeout, this, &RecordTransport::tryAgain);
    connect(&m_mms, &ConnectionController::runFinished, this, &RecordTransport::mmsFinished);
    connect(&m_mmsh, &MmshController::runFinished, this, &RecordTransport::finish);
    connect(&m_mms, &ConnectionController::refusedBeforeReply, this, [this] {
        // A try of a recording already under way stays on its transport.
        if (m_transport != Transport::Auto || m_rollOver || m_reconnect.tryNumber() > 0)
            return;
        m_rollOver = true;
        // Not from inside the socket's own signal.
        QTimer::singleShot(0, this, [this] {
            if (m_mms.isRunning())
                m_mms.stopRun();
        });
    });
}

bool RecordTransport::start(const QString& address)
{
    if (isRunning())
        return false;
    m_address = address;
    m_rollOver = false;  // each run decides afresh
    m_reconnect.begin(m_ctx.settings.reconnect);
    m_mms.setFallbackOnRefusal(m_transport == Transport::Auto);
    const bool mmshAddress = address.startsWith(QLatin1String("mmsh://"), Qt::CaseInsensitive);
    if (m_transport == Transport::Mmsh || mmshAddress)
        return startMmsh(mmshAddress ? address : MmshAddress(address, m_httpPort));
    m_onMmsh = false;
    return m_mms.connectClick(address);
}

bool RecordTransport::startMmsh(const QString& address)
{
    m_onMmsh = true;
    m_mmshAddress = address;
    return m_mmsh.connectClick(address);
}

void RecordTransport::finish(RunEnd end)
{
    if (end == RunEnd::Lost) {
        waitForNextTry();
        return;
    }
    m_reconnect.end();
    // A recording that failed (lost connection, error code, refusal) leaves
    // no progress caption behind.
    if (end == RunEnd::Failed)
        m_ctx.shell.setCaption(QStringLiteral("Tovrin"));
    emit finished(end);
}

void RecordTransport::mmsFinished(RunEnd end)
{
    // Only a run that failed at its refusal rolls over. A run that ended any
    // other way may end inside a step its receive thread waits for (the
    // completion message): nothing may wait for that thread there.
    if (!std::exchange(m_rollOver, false) || end != RunEnd::Failed) {
        finish(end);
        return;
    }
    const QString address = MmshAddress(m_address, m_httpPort);
    // The MMSH run records into the file the user chose for this one.
    const QString savePath = m_ctx.session.savePath;
    const bool resume = m_ctx.run.resume;
    m_ctx.shell.appendLog(QStringLiteral("- MMS connection refused or closed before a reply: switching to MMSH, ")
                          + address);
    // Started once the MMS run has finished unwinding and its receive thread,
    // which shares the run state, has ended.
    QTimer::singleShot(0, this, [this, address, savePath, resume] {
        m_mms.finishReceiveThread();
        m_onMmsh = true;
        m_mmshAddress = address;
        if (!m_mmsh.continueRun(address, savePath, resume))
            finish(RunEnd::Failed);
    });
}

void RecordTransport::waitForNextTry()
{
    // A run that stored media tells what the next tries continue: a
    // broadcast its next numbered file, a stream of known length its file.
    if (m_ctx.run.mediaPacketStored)
        m_intoNextFile = m_ctx.run.isLive();
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

void RecordTransport::tryAgain()
{
    m_ctx.shell.appendLog(QCoreApplication::translate("Tovrin", "- 重新連線 (第 %1 次)").arg(m_reconnect.tryNumber()));
    bool started = false;
    if (m_onMmsh) {
        started = m_mmsh.reconnect(m_mmshAddress, m_intoNextFile);
    } else {
        // The last run's receive thread ends before its state is reused.
        m_mms.finishReceiveThread();
        m_mms.setFallbackOnRefusal(false);
        started = m_mms.reconnect(m_address, m_intoNextFile);
    }
    // A try that could not even start (the file cannot be opened: told)
    // ends the recording.
    if (!started)
        finish(RunEnd::Failed);
}

bool RecordTransport::stopTrying()
{
    if (!m_nextTry.isActive())
        return false;
    m_nextTry.stop();
    m_ctx.shell.appendLog(QCoreApplication::translate("Tovrin", "- 不再重新連線"));
    m_ctx.shell.setCaption(QStringLiteral("Tovrin"));
    finish(RunEnd::UserStopped);
    return true;
}

bool RecordTransport::isRunning() const
{
    return m_mms.isRunning() || m_mmsh.isRunning() || m_nextTry.isActive();
}

void RecordTransport::disconnectClick()
{
    if (stopTrying())
        return;
    if (!m_mmsh.isRunning()) {
        m_mms.disconnectClick();
        return;
    }
    if (!ConfirmDisconnect(m_ctx))
        return;
    m_mmsh.disconnectConfirmed();
    TellDisconnected(m_ctx);
}

void RecordTransport::stop()
{
    if (stopTrying())
        return;
    if (m_mmsh.isRunning())
        m_mmsh.disconnectConfirmed();
    else
        m_mms.disconnectConfirmed();
}

void RecordTransport::stopRun()
{
    if (stopTrying())
        return;
    if (m_mmsh.isRunning())
        m_mmsh.stopRun();
    else
        m_mms.stopRun();
}

}  // namespace tovrin
