#include "locations/session_log.h"
#include "state/settings_access.h"
#include "support/asf_sample.h"
#include "support/temp_settings.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::TestContext;

TEST(SessionLog, FileIsBig5LinesEachEndedByLineFeed)
{
    EXPECT_EQ(EncodeSessionLog({QStringLiteral("a"), QStringLiteral("b")}), QByteArray("a\nb\n"));
    EXPECT_EQ(EncodeSessionLog({QString()}), QByteArray("\n"));
    EXPECT_EQ(EncodeSessionLog({}), QByteArray());
    EXPECT_EQ(EncodeSessionLog({QStringLiteral("開啟 :\t碁")}), QByteArray::fromHex("b67db1d2203a09f9d60a"));
}

TEST(SessionLog, DefaultNameComesFromTheSaveFileThenTheLocation)
{
    EXPECT_EQ(DefaultLogName(QString(), QString()), QStringLiteral("default_tovrin.log"));
    EXPECT_EQ(DefaultLogName(QStringLiteral("C:\\Media\\show.asf"), QString()), QStringLiteral("show.log"));
    EXPECT_EQ(DefaultLogName(QString(), QStringLiteral("mms://host/live/news.asf")), QStringLiteral("news.log"));
    EXPECT_EQ(DefaultLogName(QString(), QStringLiteral("mms://host/live")), QStringLiteral("0.log"));
    EXPECT_EQ(DefaultLogName(QStringLiteral("C:\\x"), QStringLiteral("ignored")), QStringLiteral("0.log"));
    EXPECT_EQ(DefaultLogName(QStringLiteral("D:\\rec\\a.b.asf"), QString()), QStringLiteral("a.b.log"));
    EXPECT_EQ(DefaultLogName(QStringLiteral("/home/u/rec/clip.wmv"), QString()), QStringLiteral("clip.log"));
}

TEST(SessionLog, SaveWritesTheLinesAndRemembersTheFolder)
{
    TestContext t;
    t.run.savePath = t.dir.filePath(QStringLiteral("clip.wmv"));
    t.shell.log = {QStringLiteral("第一行"), QString(), QStringLiteral("last")};
    const QString target = t.dir.filePath(QStringLiteral("logs/run.log"));
    QDir().mkpath(t.dir.filePath(QStringLiteral("logs")));
    t.shell.saveFileAnswers.push_back(target);
    SaveLog(t.ctx);
    ASSERT_TRUE(t.shell.lastSaveRequest);
    EXPECT_EQ(t.shell.lastSaveRequest->defaultName, QStringLiteral("clip.log"));
    EXPECT_EQ(t.shell.lastSaveRequest->title, QStringLiteral("儲存記錄檔案"));
    EXPECT_TRUE(t.shell.lastSaveRequest->overwritePrompt);
    EXPECT_EQ(test::ReadWholeFile(target), EncodeSessionLog(t.shell.log));
    EXPECT_EQ(t.store.read(QStringLiteral("LogDir")), t.dir.filePath(QStringLiteral("logs/")));

    // The next save starts in that folder.
    t.shell.saveFileAnswers.push_back(std::nullopt);
    SaveLog(t.ctx);
    EXPECT_EQ(t.shell.lastSaveRequest->startFolder, t.dir.filePath(QStringLiteral("logs/")));
    EXPECT_TRUE(t.shell.messages.isEmpty());
}

TEST(SessionLog, EmptyLogAndUnwritableTargetAreReportedAndKeepTheOldFile)
{
    TestContext t;
    const QString target = t.dir.filePath(QStringLiteral("old.log"));
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("kept\n");
    old.close();

    t.shell.saveFileAnswers.push_back(target);
    SaveLog(t.ctx);
    EXPECT_EQ(t.shell.messages.value(0), QStringLiteral("沒有記錄資料可儲存"));
    EXPECT_EQ(test::ReadWholeFile(target), QByteArray("kept\n"));
    EXPECT_EQ(t.store.read(QStringLiteral("LogDir")), t.dir.path() + QLatin1Char('/'));

    t.shell.log = {QStringLiteral("line")};
    t.shell.saveFileAnswers.push_back(t.dir.filePath(QStringLiteral("missing/folder/x.log")));
    SaveLog(t.ctx);
    EXPECT_EQ(t.shell.messages.value(1), QStringLiteral("建立這個記錄檔案發生錯誤"));
}
