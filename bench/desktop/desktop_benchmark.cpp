// Runs the desktop program as `tovrin` does, reports when its main window is
// first shown, its resident memory idle, and, given a stream address, records
// it through the main window (the save chooser answered with OUT) while a
// 10 ms timer on the UI thread measures how late it fires.
//
//   desktop_benchmark [URL OUT]
// Prints "key value" lines: startup_ms (process start to the window shown), rss_idle_kb, and with a URL
// rss_recording_peak_kb, stall_max_ms, stall_p99_ms, record_wall_s, end.

#include "app/desktop_app.h"
#include "app/modal_driver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QWindow>

#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Milliseconds since this process was started (the kernel's start time, in
// clock ticks since boot, against the boot-time clock now).
double msSinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // Fields after the command name, which ends at the last ')'; starttime is field 22.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double startTicks = fields.value(22 - 3).toDouble();
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return (now.tv_sec + now.tv_nsec / 1e9) * 1000.0 - startTicks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    tovrin::ConfigureDesktopApplication();

    tovrin::SettingsStore store;
    tovrin::DesktopApp program(store);
    program.show();
    tovrin::test::WaitUntil(
        [&] { return program.window().windowHandle() && program.window().windowHandle()->isExposed(); }, 10000);
    std::printf("startup_ms %.0f\n", msSinceProcessStart());
    tovrin::test::WaitUntil([] { return false; }, 500);  // settle
    std::printf("rss_idle_kb %ld\n", residentKb());
    if (argc < 3) {
        program.closeProgram();
        return 0;
    }
    const QString url = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);

    bool ended = false;
    tovrin::RunEnd end = tovrin::RunEnd::Failed;
    QObject::connect(&program.engine(), &tovrin::RunEngine::finished, [&](tovrin::RunEnd how) {
        ended = true;
        end = how;
    });
    tovrin::test::ModalDriver driver([&](QWidget* modal) {
        if (qobject_cast<QFileDialog*>(modal))
            tovrin::test::AcceptFileChooser(modal, out);
        else if (qobject_cast<QMessageBox*>(modal))
            tovrin::test::AnswerMessageBox(modal);
    });

    // The UI thread's lateness: a 10 ms timer that should fire every 10 ms.
    std::vector<double> lateness;
    long peakRss = 0;
    QElapsedTimer sinceTick;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        lateness.push_back(std::max(0.0, sinceTick.nsecsElapsed() / 1e6 - 10.0));
        sinceTick.restart();
        if (lateness.size() % 10 == 0)
            peakRss = std::max(peakRss, residentKb());
    });

    // Measured from the start of the run (after the save chooser, which the
    // user is looking at) to its end.
    QElapsedTimer wall;
    QObject::connect(&program.engine(), &tovrin::RunEngine::runStarted, [&] {
        wall.start();
        sinceTick.start();
        tick.start(10);
    });
    program.window().setUrlText(url);
    program.connectClick();
    tovrin::test::WaitUntil([&] { return ended && !QApplication::activeModalWidget(); }, 600000);
    tick.stop();

    std::sort(lateness.begin(), lateness.end());
    const double worst = lateness.empty() ? 0 : lateness.back();
    const double p99 = lateness.empty() ? 0 : lateness[std::size_t(lateness.size() * 0.99)];
    std::printf("rss_recording_peak_kb %ld\n", peakRss);
    std::printf("stall_max_ms %.1f\n", worst);
    std::printf("stall_p99_ms %.1f\n", p99);
    std::printf("record_wall_s %.2f\n", wall.nsecsElapsed() / 1e9);
    std::printf("end %s\n", end == tovrin::RunEnd::Completed ? "completed" : "not-completed");
    program.closeProgram();
    return end == tovrin::RunEnd::Completed ? 0 : 1;
}
