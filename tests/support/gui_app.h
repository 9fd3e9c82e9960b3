#pragma once

#include <QApplication>

namespace tovrin::test {

// The widget application of a window test executable, made by its main()
// (tests/app/gui_test_main.cpp).
inline QApplication& GuiApp()
{
    return *static_cast<QApplication*>(QCoreApplication::instance());
}

}  // namespace tovrin::test
