#include "mms/ui_thread_shell.h"
#include "support/fake_shell.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

using namespace tovrin;

namespace {
// Records which thread each log line arrived on.
struct ThreadCheckingShell : test::FakeShell {
    std::vector<QThread*> threads;
    void appendLog(const QString& line) override
    {
        threads.push_back(QThread::currentThread());
        FakeShell::appendLog(line);
    }
};
}  // namespace

TEST(UiThreadShell, CallsFromAnotherThreadRunOnTheUiThreadInOrderAndAnswerBack)
{
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    QObject uiObject;
    UiDispatcher ui(&uiObject);
    ThreadCheckingShell target;
    target.confirmAnswers = {true};
    UiThreadShell shell(target, ui);

    std::atomic<bool> done{false};
    bool answer = false;
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i)
            shell.appendLog(QString::number(i));
        answer = shell.confirm(QStringLiteral("go on?"));
        done = true;
    });
    for (int spins = 0; !done && spins < 100000; ++spins)
        app.processEvents(QEventLoop::AllEvents, 10);
    worker.join();

    ASSERT_EQ(target.log.size(), 50);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(target.log[i], QString::number(i));
    for (QThread* t : target.threads)
        EXPECT_EQ(t, app.thread());
    EXPECT_TRUE(answer);

    shell.appendLog(QStringLiteral("from the UI thread itself"));
    EXPECT_EQ(target.log.last(), QStringLiteral("from the UI thread itself"));
}
