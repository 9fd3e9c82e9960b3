#include "support/server_process.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

#include <unistd.h>

namespace tovrin::test {

bool ServerProcess::start(const QStringList& args, int timeoutMs)
{
    if (!m_log.open())
        return false;
    m_process.setStandardErrorFile(m_log.fileName());
    m_process.start(program(), QStringList{QStringLiteral("--port"), QStringLiteral("0")} + args);
    if (!m_process.waitForStarted(timeoutMs))
        return false;
    QDeadlineTimer deadline(timeoutMs);
    // The port in the next line the server prints, when it reads "<what> on 127.0.0.1:PORT".
    const auto portLine = [&](const QString& what) -> std::uint16_t {
        while (!m_process.canReadLine()) {
            if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
                return 0;
            m_process.waitForReadyRead(int(std::min<qint64>(deadline.remainingTime(), 200)));
        }
        const QRegularExpression form(QStringLiteral(R"(^%1 on 127\.0\.0\.1:(\d+)$)").arg(what));
        const auto match = form.match(QString::fromUtf8(m_process.readLine()).trimmed());
        return match.hasMatch() ? std::uint16_t(match.captured(1).toUInt()) : 0;
    };
    m_port = portLine(QStringLiteral("listening"));
    if (m_port != 0 && args.contains(QStringLiteral("--http-port"))
        && (m_httpPort = portLine(QStringLiteral("mmsh"))) == 0)
        m_port = 0;
    return m_port != 0;
}

QString ServerProcess::url(const QString& path, const QString& scheme) const
{
    return QStringLiteral("%1://127.0.0.1:%2/%3").arg(scheme).arg(m_port).arg(path);
}

QString ServerProcess::mmshUrl(const QString& path) const
{
    return QStringLiteral("mmsh://127.0.0.1:%1/%2").arg(m_httpPort).arg(path);
}

qint64 ServerProcess::residentKiB() const
{
    // The second field of statm: resident pages, as VmRSS counts them.
    const auto pages = ReadWholeFile(QStringLiteral("/proc/%1/statm").arg(m_process.processId())).split(' ');
    return pages.size() > 1 ? pages[1].toLongLong() * (::sysconf(_SC_PAGESIZE) / 1024) : -1;
}

}  // namespace tovrin::test
