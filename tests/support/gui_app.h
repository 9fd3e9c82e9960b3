#pragma once

#include <QApplication>

namespace tovrin::test {

// The widget application that window tests need (offscreen under ctest);
// made once, on first use, for the whole test executable.
inline QApplication& GuiApp()
{
    static int argc = 1;
    static char name[] = "tovrin-window-tests";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

}  // namespace tovrin::test
