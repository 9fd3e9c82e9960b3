#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <functional>

namespace tovrin::test {

// The application object that sockets, timers and local event loops need;
// made once, on first use, for the whole test executable.
inline QCoreApplication& CoreApp()
{
    static int argc = 1;
    static char name[] = "tovrin-tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// Runs events until `done` holds or `timeoutMs` passes; answers `done`.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

}  // namespace tovrin::test
