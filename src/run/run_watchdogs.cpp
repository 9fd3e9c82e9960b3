#include "run/run_watchdogs.h"

namespace tovrin {

RunWatchdogs::RunWatchdogs(QObject* parent) : QObject(parent)
{
    m_connect.setSingleShot(true);
    connect(&m_connect, &QTimer::timeout, this, [this] {
        m_connecting = false;
        emit connectTimedOut();
    });
    connect(&m_silence, &SilenceWatchdog::silent, this, [this](qint64 silentMs) {
        m_listening = false;
        emit silent(silentMs);
    });
}

void RunWatchdogs::connecting()
{
    // A name lookup and the connection that follows share one limit.
    if (m_connecting)
        return;
    m_connecting = true;
    m_connectLeftMs = -1;
    if (m_pauses == 0)
        m_connect.start(m_connectLimitMs);
}

void RunWatchdogs::connected()
{
    m_connecting = false;
    m_connect.stop();
    m_listening = true;
    if (m_pauses == 0)
        m_silence.start();
}

void RunWatchdogs::stop()
{
    // A run ends whatever waited meanwhile: the next starts unpaused.
    m_pauses = 0;
    m_connecting = m_listening = false;
    m_connect.stop();
    m_silence.stop();
}

void RunWatchdogs::pause()
{
    if (m_pauses++ > 0)
        return;
    if (m_connect.isActive()) {
        m_connectLeftMs = m_connect.remainingTime();
        m_connect.stop();
    }
    m_silence.stop();
}

void RunWatchdogs::resume()
{
    if (m_pauses == 0 || --m_pauses > 0)
        return;
    if (m_connecting)
        m_connect.start(m_connectLeftMs >= 0 ? m_connectLeftMs : m_connectLimitMs);
    m_connectLeftMs = -1;
    if (m_listening)
        m_silence.start();
}

}  // namespace tovrin
