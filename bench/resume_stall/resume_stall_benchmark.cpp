// Runs `tovrin-cli record URL -o FILE --resume --quiet` in this process, on
// its event loop, while a timer on the same loop asks to run every
// millisecond: the longest gap between two of its runs is the longest time
// the UI thread (the window's, in the desktop program) was kept from its
// events. Prints it, the record command's exit status and its wall time.
//   resume_stall_benchmark URL FILE

#include "cli/record_command.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: resume_stall_benchmark URL FILE\n");
        return 2;
    }
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 worst = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        worst = std::max(worst, now - last);
        last = now;
    });
    probe.start(1);
    last = clock.nsecsElapsed();
    const int status = tovrin::RunRecordCommand(
        {QStringLiteral("tovrin-cli"), QStringLiteral("record"), QString::fromLocal8Bit(argv[1]), QStringLiteral("-o"),
         QString::fromLocal8Bit(argv[2]), QStringLiteral("--resume"), QStringLiteral("--quiet")});
    std::printf("exit %d, %.0f ms in all, worst stall of the event loop %.1f ms\n", status,
                double(clock.nsecsElapsed()) / 1e6, double(worst) / 1e6);
    return status;
}
