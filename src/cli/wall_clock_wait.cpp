#include "cli/wall_clock_wait.h"

#include "cli/interrupt_signal.h"
#include "run/run_engine.h"
#include "state/shell.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace tovrin {

namespace {

// A start the clock is read past by more than this came while the machine
// slept, or was past already: the log tells how late.
constexpr qint64 kLateSeconds = 2;
constexpr int kTickMs = 1000;

QString Stamp(const QDateTime& moment)
{
    return moment.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

}  // namespace

StartWait WaitForStart(Shell& shell, const RecordingTimes& times)
{
    QDateTime now = QDateTime::currentDateTime();
    if (times.start > now) {
        shell.appendLog(QCoreApplication::translate("Tovrin", "- 等待開始時間 %1 (還有 %2)")
                            .arg(Stamp(times.start), SpanText((now.msecsTo(times.start) + 999) / 1000)));
        InterruptSignal interrupt;
        QEventLoop loop;
        QTimer tick;
        tick.setSingleShot(true);
        QObject::connect(&interrupt, &InterruptSignal::interrupted, &loop, [&loop] { loop.exit(1); });
        QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
            const qint64 left = QDateTime::currentDateTime().msecsTo(times.start);
            if (left <= 0)
                loop.exit(0);
            else
                tick.start(int(std::min<qint64>(left, kTickMs)));
        });
        tick.start(int(std::min<qint64>(now.msecsTo(times.start), kTickMs)));
        if (loop.exec() != 0) {
            shell.appendLog(QCoreApplication::translate("Tovrin", "- 在開始時間之前停止，沒有錄製"));
            return StartWait::Interrupted;
        }
        now = QDateTime::currentDateTime();
    }
    if (times.stop && *times.stop <= now) {
        shell.appendLog(QCoreApplication::translate("Tovrin", "- 停止時間 %1 已過，沒有錄製").arg(Stamp(*times.stop)));
        return StartWait::Missed;
    }
    if (const qint64 late = times.start.secsTo(now); late > kLateSeconds)
        shell.appendLog(QCoreApplication::translate("Tovrin", "- 開始時間 %1 已過 %2，立即開始錄製")
                            .arg(Stamp(times.start), SpanText(late)));
    if (times.stop)
        shell.appendLog(QCoreApplication::translate("Tovrin", "- 錄製到 %1 為止").arg(Stamp(*times.stop)));
    return StartWait::Started;
}

void StopRecordingAt(RunEngine& recording, Shell& shell, const QDateTime& stop)
{
    auto* tick = new QTimer(&recording);
    QObject::connect(tick, &QTimer::timeout, &recording, [tick, &recording, &shell, stop] {
        const qint64 left = QDateTime::currentDateTime().msecsTo(stop);
        if (left > 0) {
            tick->start(int(std::min<qint64>(left, kTickMs)));
            return;
        }
        if (!recording.isRunning())
            return;
        shell.appendLog(QCoreApplication::translate("Tovrin", "- 已到停止時間 %1，停止錄製").arg(Stamp(stop)));
        recording.stop();
    });
    tick->setSingleShot(true);
    tick->start(0);
}

}  // namespace tovrin
