#include "integration/processes.h"

#include "support/asf_sample.h"
#include "support/ffprobe.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTcpServer>

#include <csignal>

namespace tovrin::test {

ServerProcess::ServerProcess(const QString& root, const QStringList& extraArgs)
{
    // The log goes to a file: nothing here runs an event loop to drain a pipe.
    m_process.setStandardErrorFile(m_logFile);
    m_process.start(QStringLiteral(TOVRIN_SERVER_PATH),
                    QStringList{QStringLiteral("--root"), root, QStringLiteral("--port"), QStringLiteral("0")} + extraArgs);
    if (!m_process.waitForStarted(10000))
        return;
    QDeadlineTimer deadline(10000);
    const qsizetype lines = extraArgs.contains(QStringLiteral("--http-port")) ? 2 : 1;
    QByteArray first;
    while (first.count('\n') < lines && !deadline.hasExpired()) {
        m_process.waitForReadyRead(100);
        first += m_process.readAllStandardOutput();
    }
    const auto match = QRegularExpression(QStringLiteral("listening on .*:(\\d+)")).match(QString::fromUtf8(first));
    if (match.hasMatch())
        m_port = quint16(match.captured(1).toUInt());
    const auto http = QRegularExpression(QStringLiteral("mmsh on .*:(\\d+)")).match(QString::fromUtf8(first));
    if (http.hasMatch())
        m_httpPort = quint16(http.captured(1).toUInt());
}

QString ServerProcess::mmshUrl(const QString& path) const
{
    return QStringLiteral("mmsh://127.0.0.1:%1/%2").arg(m_httpPort).arg(path);
}

ServerProcess::~ServerProcess()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    ::kill(pid_t(m_process.processId()), SIGTERM);
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString ServerProcess::url(const QString& path, const QString& scheme) const
{
    return QStringLiteral("%1://127.0.0.1:%2/%3").arg(scheme).arg(m_port).arg(path);
}

QByteArray ServerProcess::log() const
{
    QFile file(m_logFile);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

namespace {
QProcessEnvironment cliEnvironment(const QString& configHome)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    return env;
}
}  // namespace

std::unique_ptr<QProcess> StartCli(const QStringList& args, const QString& configHome)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(cliEnvironment(configHome));
    process->setStandardInputFile(QProcess::nullDevice());
    process->start(QStringLiteral(TOVRIN_CLI_PATH), args);
    process->waitForStarted(10000);
    return process;
}

CliResult RunCli(const QStringList& args, const QString& configHome, int timeoutMs, const QString& workingDir)
{
    QProcess process;
    process.setProcessEnvironment(cliEnvironment(configHome));
    process.setStandardInputFile(QProcess::nullDevice());
    if (!workingDir.isEmpty())
        process.setWorkingDirectory(workingDir);
    process.start(QStringLiteral(TOVRIN_CLI_PATH), args);
    CliResult result;
    if (!process.waitForStarted(10000))
        return result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
    } else if (process.exitStatus() == QProcess::NormalExit) {
        result.exitCode = process.exitCode();
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

double ProbeDuration(const QString& path)
{
    const QJsonObject format = Probe(path).value(QStringLiteral("format")).toObject();
    bool ok = false;
    const double seconds = format.value(QStringLiteral("duration")).toString().toDouble(&ok);
    return ok ? seconds : -1;
}

QStringList ProbeStreamTypes(const QString& path)
{
    QStringList types;
    for (const auto& stream : Probe(path).value(QStringLiteral("streams")).toArray())
        types << stream.toObject().value(QStringLiteral("codec_type")).toString();
    return types;
}

quint16 ClosedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();  // closed again when `server` goes
}

void ExpectSameAsSource(const QString& recording, const QString& source)
{
    const AsfParts got = ReadAsf(recording);
    const AsfParts want = ReadAsf(source);
    ASSERT_FALSE(want.packets.empty());
    EXPECT_EQ(got.header, want.header);
    ASSERT_EQ(got.packets.size(), want.packets.size());
    for (std::size_t i = 0; i < want.packets.size(); ++i)
        ASSERT_EQ(got.packets[i], want.packets[i]) << "slot " << i;
    EXPECT_NEAR(ProbeDuration(recording), ProbeDuration(source), 0.05);
    EXPECT_EQ(ProbeStreamTypes(recording), ProbeStreamTypes(source));
}

}  // namespace tovrin::test
