#pragma once

#include <QObject>

class QSocketNotifier;

namespace tovrin {

class RedirectorFetch;

// Turns SIGINT and SIGTERM into a Qt signal on the UI thread, by way of a
// self-pipe: the handler only writes one byte. While one exists the signals
// no longer end the program; at most one exists at a time.
class InterruptSignal : public QObject {
    Q_OBJECT

public:
    explicit InterruptSignal(QObject* parent = nullptr);
    ~InterruptSignal() override;

signals:
    void interrupted();

private:
    QSocketNotifier* m_notifier = nullptr;
};

// Ctrl-C (or SIGTERM) stops each redirector fetch of `fetch` while it runs;
// at any other time the signals end the program as usual (a password typed
// at a prompt can still be given up). For the life of `fetch`.
void StopFetchOnInterrupt(RedirectorFetch& fetch);

}  // namespace tovrin
