#pragma once

#include "support/asf_sample.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>

#include <cstdint>

namespace tovrin::test {

// tovrin-mms-server run as a process on a free loopback port, stopped with
// SIGTERM when this goes out of scope.
class ServerProcess {
public:
    ServerProcess() = default;
    // Serves `root` with `extraArgs`; started() tells whether it came up.
    explicit ServerProcess(const QString& root, const QStringList& extraArgs = {})
    {
        start(QStringList{QStringLiteral("--root"), root} + extraArgs);
    }
    ~ServerProcess() { stop(5000); }
    // Starts it with --port 0 plus args; false when it does not print
    // "listening on 127.0.0.1:PORT" (and with --http-port "mmsh on ...") in time.
    bool start(const QStringList& args, int timeoutMs = 10000);
    bool started() const { return m_port != 0; }
    std::uint16_t port() const { return m_port; }
    std::uint16_t httpPort() const { return m_httpPort; }  // 0 without --http-port
    QString url(const QString& path, const QString& scheme = QStringLiteral("mms")) const;
    QString mmshUrl(const QString& path) const;
    // Asks it to stop with SIGTERM; its exit code, or -1 when it had to be killed.
    int stop(int timeoutMs = 10000) { return StopProcess(m_process, timeoutMs); }
    // What it logged on stderr so far.
    QString log() const { return QString::fromUtf8(ReadWholeFile(m_log.fileName())); }
    // Its resident memory in KiB (from /proc), or -1.
    qint64 residentKiB() const;
    static QString program() { return QStringLiteral(TOVRIN_SERVER_PATH); }

private:
    QProcess m_process;
    QTemporaryFile m_log;  // stderr goes here, so a chatty server never blocks on a full pipe
    std::uint16_t m_port = 0;
    std::uint16_t m_httpPort = 0;
};

}  // namespace tovrin::test
