#include "run/silence_watchdog.h"

#include <QCoreApplication>

#include <algorithm>

namespace tovrin {

SilenceWatchdog::SilenceWatchdog(QObject* parent) : QObject(parent)
{
    connect(&m_tick, &QTimer::timeout, this, &SilenceWatchdog::check);
}

void SilenceWatchdog::start()
{
    m_lastHeard.start();
    // Looked at ten times a limit, at most once a second: hearing traffic
    // costs a clock read, not a timer restart per packet.
    m_tick.start(std::clamp(m_limitMs / 10, 10, 1000));
}

void SilenceWatchdog::stop()
{
    m_tick.stop();
}

void SilenceWatchdog::check()
{
    if (m_unread && m_unread())
        heard();
    const qint64 silentMs = m_lastHeard.elapsed();
    if (silentMs < m_limitMs)
        return;
    stop();
    emit silent(silentMs);
}

namespace {

QString seconds(qint64 ms)
{
    return QString::number(double(ms) / 1000.0, 'f', ms < 10000 ? 1 : 0);
}

}  // namespace

QString ServerSilentLogLine(qint64 silentMs)
{
    return QCoreApplication::translate("Tovrin", " ---- 伺服器已 %1 秒沒有傳來任何資料，連線期間已放棄 ----")
        .arg(seconds(silentMs));
}

QString ServerSilentMessage(qint64 silentMs, bool mediaSaved)
{
    if (!mediaSaved)
        return QCoreApplication::translate("Tovrin",
                                           "伺服器已 %1 秒沒有傳來任何資料，連線期間已放棄\n沒有儲存任何媒介資料")
            .arg(seconds(silentMs));
    return QCoreApplication::translate("Tovrin",
                                       "伺服器已 %1 秒沒有傳來任何資料，連線期間已放棄\n您所下載的媒介已自動幫您儲存")
        .arg(seconds(silentMs));
}

}  // namespace tovrin
