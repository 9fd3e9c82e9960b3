#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace tovrin {

// The name of the local server a running tovrin listens on: one per user and
// settings location, so programs with their own settings (another
// XDG_CONFIG_HOME, a test's folder) never hand off to each other, and a
// second start with the same settings reaches the window already using them.
QString InstanceServerName(const QString& settingsLocation);

// One running program per settings location. The first start listens; a
// later one hands its location over the local socket and ends.
//
// Thread: the UI thread.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(QString serverName, QObject* parent = nullptr);

    // Gives location (maybe empty: just come to the front) to the program
    // listening on the name. True once that program has taken it; false when
    // none is listening. Blocks for at most timeoutMs.
    bool handOff(const QString& location, int timeoutMs = 5000) const;
    // Listens on the name, taking it over from a program that ended without
    // closing it. False when it cannot.
    bool listen();

signals:
    // A later start handed this location over (empty: no location).
    void locationReceived(const QString& location);

private:
    void acceptConnection();

    QString m_name;
    QLocalServer* m_server = nullptr;
};

}  // namespace tovrin
