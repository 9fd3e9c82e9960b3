#include "transport/record_transport.h"

#include "mmsh/mmsh_controller.h"
#include "run/progress.h"
#include "state/app_context.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "state/shell.h"

#include <QTimer>
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
    connect(&m_mms, &ConnectionController::runFinished, this, &RecordTransport::mmsFinished);
    connect(&m_mmsh, &MmshController::runFinished, this, &RecordTransport::finish);
    connect(&m_mms, &ConnectionController::refusedBeforeReply, this, [this] {
        if (m_transport != Transport::Auto || m_rollOver)
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
    m_address = address;
    m_rollOver = false;  // each run decides afresh
    const bool mmshAddress = address.startsWith(QLatin1String("mmsh://"), Qt::CaseInsensitive);
    if (m_transport == Transport::Mmsh || mmshAddress)
        return startMmsh(mmshAddress ? address : MmshAddress(address, m_httpPort));
    return m_mms.connectClick(address);
}

bool RecordTransport::startMmsh(const QString& address)
{
    return m_mmsh.connectClick(address);
}

void RecordTransport::finish(RunEnd end)
{
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
        if (!m_mmsh.continueRun(address, savePath, resume))
            finish(RunEnd::Failed);
    });
}

bool RecordTransport::isRunning() const
{
    return m_mms.isRunning() || m_mmsh.isRunning();
}

void RecordTransport::disconnectClick()
{
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
    if (m_mmsh.isRunning())
        m_mmsh.disconnectConfirmed();
    else
        m_mms.disconnectConfirmed();
}

void RecordTransport::stopRun()
{
    if (m_mmsh.isRunning())
        m_mmsh.stopRun();
    else
        m_mms.stopRun();
}

}  // namespace tovrin
