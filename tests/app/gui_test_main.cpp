// The window tests' main: the application object lives on main's stack, so
// it is gone before the program's static data (Qt's per-thread font caches
// among it) is torn down, as in a real program.
#include "app/tovrin_application.h"

#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    // Offscreen unless told otherwise: also when the build lists the tests,
    // which it does without the tests' environment and often without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    tovrin::TovrinApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
