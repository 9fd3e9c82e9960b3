#pragma once

#include <QCoreApplication>

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

}  // namespace tovrin::test
