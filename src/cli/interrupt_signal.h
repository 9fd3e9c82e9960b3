#pragma once

#include <QObject>

namespace tovrin {

// Turns SIGINT and SIGTERM into a Qt signal on the UI thread, by way of a
// self-pipe: the handler only writes one byte.
class InterruptSignal : public QObject {
    Q_OBJECT

public:
    explicit InterruptSignal(QObject* parent = nullptr);
    ~InterruptSignal() override;

signals:
    void interrupted();
};

}  // namespace tovrin
