// The window tests' main: the application object lives on main's stack, so
// it is gone before the program's static data (Qt's per-thread font caches
// among it) is torn down, as in a real program.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
