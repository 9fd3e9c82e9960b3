#include "mms/progress.h"
#include "asf/recording_file.h"
#include "mms/save_file_choice.h"
#include "mms/ui_thread_shell.h"
#include "support/asf_sample.h"
#include "support/core_app.h"
#include "support/fake_shell.h"
#include "support/golden.h"
#include "support/golden_line.h"
#include "support/temp_settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QThread>

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::TestContext;
using namespace Qt::StringLiterals;

TEST(RefreshTick, ShowsLiveOrTheProgressRemainingTimeAndCountersOfAFile)
{
    // Live: live everywhere and the gauge left alone.
    TestContext live;
    live.run.filePacketCount = kLivePacketCount;
    live.run.mediaTime = 61000;
    live.run.packetIndex = 12;
    AnnounceStreamStart(live.ctx);
    RefreshTick(live.ctx);
    QStringList lines = live.shell.calls;

    // No packet count yet: the caption is kept.
    TestContext t;
    t.shell.caption = QStringLiteral("Tovrin 動作");
    lines << QStringLiteral("--- file");
    RefreshTick(t.ctx);
    t.run.filePacketCount = 200;
    t.run.packetIndex = 50;
    t.run.headerSendDuration = 90000;
    t.run.mediaTime = 30000;
    t.run.maxBitRate = 128999;
    t.run.streamBitRate = 64000;
    t.run.packetSize = 3200;
    t.run.ackCount = 3;
    t.run.streamCount = 2;
    t.run.serverClientCount = 77;
    // The transport in use is named, not the setting ticked since.
    t.settings.udpTick = true;
    AnnounceStreamStart(t.ctx);
    RefreshTick(t.ctx);
    // Beyond the announced count and duration: held at 100 % and nothing left, never a wrapped figure.
    t.run.packetIndex = 250;
    t.run.mediaTime = 95000;
    t.run.dataOverUdp = true;
    AnnounceStreamStart(t.ctx);
    RefreshTick(t.ctx);
    lines += t.shell.calls;
    EXPECT_GOLDEN("mms/progress_ticks", lines);
}

TEST(CompletionSound, RepeatsAtTheDoneIntervalAndTreatsNonNumbersAsTenSeconds)
{
    for (const auto& [text, ms] :
         {std::pair{"10", 10000}, {" 3 ", 3000}, {"0", 0}, {"ten", 10000}, {"", 10000}, {"-5", 10000}})
        EXPECT_EQ(SoundRepeatInterval(QString::fromUtf8(text)), ms) << text;
}

TEST(OpenSaveFile, AsksWhereToSaveThenCreatesResumesOrStartsNothing)
{
    TestContext t;
    const QString folder = t.dir.filePath(u"media"_s), path = folder + u"/clip.wmv"_s;
    QDir().mkpath(folder);
    t.run.defaultSaveName = u"clip.wmv"_s;
    std::unique_ptr<RecordingFile> file;
    QStringList lines;
    // An attempt as a controller makes it, the last run's file let go first;
    // then its answer, the save path, the remembered folder, resume, and the
    // file's size and bytes.
    const auto attempt = [&](const char* what, std::optional<QString> answer, const QByteArray& existing,
                             std::deque<ResumeChoice> resume = {}) {
        EXPECT_TRUE(test::WriteWholeFile(path, existing));
        t.shell.saveFileAnswers = {answer};
        t.shell.resumeAnswers = resume;
        file.reset();
        file = OpenSaveFile(t.ctx);
        lines << u"--- "_s + QLatin1String(what)
              << test::Line(bool(file), t.session.savePath, t.store.read(u"AsfDir"_s), t.run.resume.load(),
                            file ? file->size().value_or(-1) : -1, QString::fromLatin1(test::ReadWholeFile(path)));
    };
    t.store.write(u"AsfDir"_s, u"/earlier/"_s);
    attempt("chooser cancelled", std::nullopt, "recorded data");
    // Asked in the remembered folder; an empty file is replaced without asking.
    attempt("new file", path, {});
    const SaveFileRequest& r = t.shell.lastSaveRequest.value();
    lines << test::Line(int(r.kind), r.title, r.filter, r.defaultExtension, r.defaultName, r.startFolder,
                        r.overwritePrompt);
    // The resume dialog decides what happens to a file with data; the folder
    // is remembered even when it is cancelled.
    t.store.write(u"AsfDir"_s, u"/earlier/"_s);
    attempt("resume cancelled", path, "recorded data", {ResumeChoice::Cancel});
    attempt("resumed", path, "recorded data", {ResumeChoice::Resume});
    attempt("downloaded again", path, "recorded data", {ResumeChoice::Redownload});
    // A new file in a missing folder; a folder (holding data) to resume.
    attempt("missing folder", t.dir.filePath(u"missing/clip.wmv"_s), "x");
    attempt("a folder", folder, "x", {ResumeChoice::Resume});
    lines << t.shell.calls;
    EXPECT_GOLDEN("mms/save_file_choice", lines.join(u'\n').replace(t.dir.path(), u"<dir>"_s).split(u'\n'));
}

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
    QCoreApplication& app = test::CoreApp();
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
    test::WaitUntil([&] { return done.load(); }, 10000);
    worker.join();

    QStringList numbers;
    for (int i = 0; i < 50; ++i)
        numbers << QString::number(i);
    EXPECT_EQ(target.log, numbers);
    EXPECT_EQ(std::count(target.threads.begin(), target.threads.end(), app.thread()), 50);
    EXPECT_TRUE(answer);

    shell.appendLog(QStringLiteral("from the UI thread itself"));
    EXPECT_EQ(target.log.last(), QStringLiteral("from the UI thread itself"));
}
