#include "locations/redirector_file.h"
#include "locations/session_log.h"
#include "steps/log_steps.h"
#include "steps/redirector_steps.h"
#include "support/asf_sample.h"
#include "support/temp_settings.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::TestContext;

namespace {

// Saves through `save` into `target`, its chooser starting where the chooser
// likes, then again cancelled: the second chooser starts in the target's
// folder, remembered in `setting`.
template <typename Save>
void SaveTwiceIntoAFolder(TestContext& t, const QString& target, const QString& setting, Save save)
{
    const QString folder = QFileInfo(target).path() + QLatin1Char('/');
    QDir().mkpath(folder);
    t.shell.saveFileAnswers.push_back(target);
    save();
    ASSERT_TRUE(t.shell.lastSaveRequest);
    EXPECT_TRUE(t.shell.lastSaveRequest->startFolder.isEmpty());
    EXPECT_EQ(t.store.read(setting), folder);
    t.shell.saveFileAnswers.push_back(std::nullopt);
    save();
    EXPECT_EQ(t.shell.lastSaveRequest->startFolder, folder);
    EXPECT_TRUE(t.shell.messages.isEmpty());
}

}  // namespace

TEST(SaveLog, WritesTheLinesAndRemembersTheFolder)
{
    TestContext t;
    t.run.savePath = t.dir.filePath(QStringLiteral("clip.wmv"));
    t.shell.log = {QStringLiteral("第一行"), QString(), QStringLiteral("last")};
    const QString target = t.dir.filePath(QStringLiteral("logs/run.log"));
    SaveTwiceIntoAFolder(t, target, QStringLiteral("LogDir"), [&] { SaveLog(t.ctx); });
    EXPECT_EQ(t.shell.lastSaveRequest->defaultName, QStringLiteral("clip.log"));
    EXPECT_EQ(t.shell.lastSaveRequest->title, QStringLiteral("儲存記錄檔案"));
    EXPECT_TRUE(t.shell.lastSaveRequest->overwritePrompt);
    EXPECT_EQ(test::ReadWholeFile(target), EncodeSessionLog(t.shell.log));
}

TEST(SaveLog, EmptyLogAndUnwritableTargetAreReportedAndKeepTheOldFile)
{
    TestContext t;
    const QString target = test::WriteFile(t.dir, QStringLiteral("old.log"), "kept\n");
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

TEST(SaveRedirectorFile, WritesTheBytesUnchangedAndRemembersTheFolder)
{
    TestContext t;
    t.run.mediaLocation = QStringLiteral("http://web/lists/show.asx");
    const QByteArray text("[Reference]\r\nRef1=mms://srv/a.asf\r\n\0tail", 40);
    const QString target = t.dir.filePath(QStringLiteral("keep/show.asx"));
    int saved = 0;
    SaveTwiceIntoAFolder(t, target, QStringLiteral("AsxDir"), [&] { saved += SaveRedirectorFile(t.ctx, text); });
    EXPECT_EQ(saved, 1);  // Cancel saves nothing
    EXPECT_EQ(test::ReadWholeFile(target), text);
    EXPECT_EQ(t.shell.lastSaveRequest->defaultName, QStringLiteral("show.asx"));
    EXPECT_EQ(t.shell.lastSaveRequest->title, QStringLiteral("Save Redirector File"));
    EXPECT_EQ(t.shell.lastSaveRequest->defaultExtension, QStringLiteral("asx"));
    EXPECT_TRUE(t.shell.lastSaveRequest->overwritePrompt);

    // The saved file opened again gives the same entries as the text did.
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    ASSERT_TRUE(LoadRedirector(t.ctx, file));
    EXPECT_EQ(t.shell.urlList, ScanRedirector(text).entries);
}

TEST(SaveRedirectorFile, FileThatCannotBeCreatedIsReported)
{
    TestContext t;
    t.shell.saveFileAnswers.push_back(t.dir.filePath(QStringLiteral("missing/folder/x.asx")));
    EXPECT_FALSE(SaveRedirectorFile(t.ctx, "mms://h/a"));
    EXPECT_EQ(t.shell.messages, QStringList{QStringLiteral("There was an error creating the redirector file")});
}
