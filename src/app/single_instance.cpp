#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace tovrin {

namespace {

// A handed-over location is one line of UTF-8; the listener answers "ok" once
// it has taken it.
const QByteArray kTaken = "ok\n";
// Longer than any location typed or linked; a peer that sends more without
// ending its line is cut off rather than buffered.
constexpr qint64 kMaxLocationBytes = 64 * 1024;

QString UserId()
{
#ifdef Q_OS_UNIX
    return QString::number(::getuid());
#else
    return qEnvironmentVariable("USERNAME");
#endif
}

}  // namespace

QString InstanceServerName(const QString& settingsLocation)
{
    const QByteArray key = (UserId() + u'\n' + settingsLocation).toUtf8();
    const QByteArray digest = QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(16);
    return u"tovrin-"_s + UserId() + u'-' + QString::fromLatin1(digest);
}

SingleInstance::SingleInstance(QString serverName, QObject* parent) : QObject(parent), m_name(std::move(serverName)) {}

bool SingleInstance::handOff(const QString& location, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return false;
    QString line = location;
    line.replace(u'\n', u' ');
    socket.write(line.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    return socket.readLine() == kTaken;
}

bool SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    if (m_server->listen(m_name))
        return true;
    // handOff found nobody there: a socket file left by a program that ended.
    QLocalServer::removeServer(m_name);
    return m_server->listen(m_name);
}

void SingleInstance::acceptConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kMaxLocationBytes)
                    socket->abort();
                return;
            }
            const QString location = QString::fromUtf8(socket->readLine()).chopped(1);
            socket->write(kTaken);
            socket->flush();
            emit locationReceived(location);
        });
    }
}

}  // namespace tovrin
