#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace tovrin::test {

// An nginx web server of its own, started in the foreground on a free
// loopback port, serving `root`, with a configuration in a temporary folder.
// `serverConfig` is added to its server block. Stopped when this goes.
class NginxServer {
public:
    explicit NginxServer(const QString& root, const QString& serverConfig = {});
    ~NginxServer();

    bool started() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    QString url(const QString& path) const;
    // What went wrong when it did not start.
    QString error() const { return m_error; }
    // Lets `user` in where the configuration asks for Basic authentication
    // with `auth_basic_user_file htpasswd;`.
    bool allowUser(const QString& user, const QString& password) const;

private:
    bool start(const QString& root, const QString& serverConfig, quint16 port);

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_program;
    quint16 m_port = 0;
    QString m_error;
};

}  // namespace tovrin::test
