#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace tovrin::test {

// tovrin-mms-server started on a free loopback port, stopped with SIGTERM
// when this goes out of scope.
class ServerProcess {
public:
    // Serves `root`; extra arguments as tovrin-mms-server takes them.
    explicit ServerProcess(const QString& root, const QStringList& extraArgs = {});
    ~ServerProcess();

    bool started() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    QString url(const QString& path, const QString& scheme = QStringLiteral("mms")) const;
    // With --http-port among the arguments: its MMSH port and an mmsh:// address on it.
    quint16 httpPort() const { return m_httpPort; }
    QString mmshUrl(const QString& path) const;
    // What the server has logged to stderr so far.
    QByteArray log() const;

private:
    QTemporaryDir m_logDir;
    QString m_logFile = m_logDir.filePath(QStringLiteral("server.log"));
    QProcess m_process;
    quint16 m_port = 0;
    quint16 m_httpPort = 0;
};

// The result of running tovrin-cli.
struct CliResult {
    int exitCode = -1;  // -1: did not finish in time or crashed
    QByteArray out;
    QByteArray err;
    QString errText() const { return QString::fromUtf8(err); }
};

// Runs tovrin-cli with its settings kept in `configHome` (XDG_CONFIG_HOME),
// stdin empty (not a terminal), at most `timeoutMs`.
CliResult RunCli(const QStringList& args, const QString& configHome, int timeoutMs = 60000,
                 const QString& workingDir = {});

// Starts tovrin-cli without waiting, for tests that signal it.
std::unique_ptr<QProcess> StartCli(const QStringList& args, const QString& configHome);

// ffprobe's duration of the file's format, in seconds; negative when it fails.
double ProbeDuration(const QString& path);
// ffprobe's "codec_type" of each stream, in order.
QStringList ProbeStreamTypes(const QString& path);
// A recording of an on-demand file is the source's header and packets slot
// for slot, and ffprobe reads the same duration and streams.
void ExpectSameAsSource(const QString& recording, const QString& source);
// A loopback port that nothing listens on.
quint16 ClosedPort();

}  // namespace tovrin::test
