#include "support/nginx_server.h"

#include "support/asf_sample.h"
#include "support/recording_checks.h"

#include <QDeadlineTimer>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QThread>

namespace tovrin::test {

NginxServer::NginxServer(const QString& root, const QString& serverConfig)
{
    // The nginx binary, on the PATH or in the system folders.
    for (const QStringList& dirs : {QStringList{}, QStringList{QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")}})
        if (m_program.isEmpty())
            m_program = QStandardPaths::findExecutable(QStringLiteral("nginx"), dirs);
    if (m_program.isEmpty()) {
        m_error = QStringLiteral("nginx is not installed (scripts/install-deps installs it)");
        return;
    }
    // Another process may take the free port between the probe and nginx's
    // bind: try a few.
    for (int attempt = 0; attempt < 5 && !m_port; ++attempt)
        start(root, serverConfig, ClosedPort());
}

bool NginxServer::start(const QString& root, const QString& serverConfig, quint16 port)
{
    const QString dir = m_dir.path();
    // Single process in the foreground: no workers that would switch to
    // another user and lose access to the temporary folders.
    const QString config =
        QStringLiteral(
            "daemon off;\n"
            "master_process off;\n"
            "pid %1/nginx.pid;\n"
            "error_log %1/error.log warn;\n"
            "events { worker_connections 64; }\n"
            "http {\n"
            "  access_log off;\n"
            "  client_body_temp_path %1/body; proxy_temp_path %1/proxy; fastcgi_temp_path %1/fastcgi;\n"
            "  uwsgi_temp_path %1/uwsgi; scgi_temp_path %1/scgi;\n"
            "  default_type application/octet-stream;\n"
            "  types { video/x-ms-asf asx wvx; text/plain log; }\n"
            "  server {\n"
            "    listen 127.0.0.1:%2;\n"
            "    root %3;\n"
            "%4\n"
            "  }\n"
            "}\n")
            .arg(dir)
            .arg(port)
            .arg(root, serverConfig);
    if (!WriteWholeFile(dir + QStringLiteral("/nginx.conf"), config.toUtf8()))
        return m_error = QStringLiteral("cannot write nginx.conf"), false;
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(m_program, {QStringLiteral("-p"), dir, QStringLiteral("-e"), dir + QStringLiteral("/error.log"),
                                QStringLiteral("-c"), dir + QStringLiteral("/nginx.conf")});
    if (!m_process.waitForStarted(5000))
        return m_error = QStringLiteral("nginx did not start: ") + m_process.errorString(), false;
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        if (probe.waitForConnected(200)) {
            m_port = port;
            return true;
        }
        QThread::msleep(50);
    }
    m_error = QStringLiteral("nginx is not listening: ")
              + QString::fromUtf8(m_process.readAll() + ReadWholeFile(dir + QStringLiteral("/error.log")));
    StopProcess(m_process);
    return false;
}

NginxServer::~NginxServer()
{
    StopProcess(m_process);
}

QString NginxServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1/%2").arg(m_port).arg(path);
}

bool NginxServer::allowUser(const QString& user, const QString& password) const
{
    // nginx takes a password in the clear, marked as such, and reads the file at each request.
    return WriteWholeFile(m_dir.filePath(QStringLiteral("htpasswd")),
                          user.toUtf8() + ":{PLAIN}" + password.toUtf8() + '\n');
}

}  // namespace tovrin::test
