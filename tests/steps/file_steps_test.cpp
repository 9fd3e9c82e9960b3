#include "locations/redirector_file.h"
#include "locations/session_log.h"
#include "steps/log_steps.h"
#include "steps/redirector_steps.h"
#include "support/asf_sample.h"
#include "support/temp_settings.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;
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
    t.session.savePath = t.dir.filePath(u"clip.wmv"_s);
    t.shell.log = {u"第一行"_s, QString(), u"last"_s};
    const QString target = t.dir.filePath(u"logs/run.log"_s);
    SaveTwiceIntoAFolder(t, target, u"LogDir"_s, [&] { SaveLog(t.ctx); });
    EXPECT_EQ(t.shell.lastSaveRequest->defaultName, u"clip.log"_s);
    EXPECT_EQ(t.shell.lastSaveRequest->title, u"儲存記錄檔案"_s);
    EXPECT_TRUE(t.shell.lastSaveRequest->overwritePrompt);
    EXPECT_EQ(test::ReadWholeFile(target), EncodeSessionLog(t.shell.log));
}

TEST(SaveLog, EmptyLogAndUnwritableTargetAreReportedAndKeepTheOldFile)
{
    TestContext t;
    const QString target = test::WriteFile(t.dir, u"old.log"_s, "kept\n");
    t.shell.saveFileAnswers.push_back(target);
    SaveLog(t.ctx);
    EXPECT_EQ(t.shell.messages.value(0), u"沒有記錄資料可儲存"_s);
    EXPECT_EQ(test::ReadWholeFile(target), QByteArray("kept\n"));
    EXPECT_EQ(t.store.read(u"LogDir"_s), t.dir.path() + QLatin1Char('/'));

    t.shell.log = {u"line"_s};
    t.shell.saveFileAnswers.push_back(t.dir.filePath(u"missing/folder/x.log"_s));
    SaveLog(t.ctx);
    EXPECT_EQ(t.shell.messages.value(1), u"建立這個記錄檔案發生錯誤"_s);
}

TEST(SaveRedirectorFile, WritesTheBytesUnchangedAndRemembersTheFolder)
{
    TestContext t;
    t.session.mediaLocation = u"http://web/lists/show.asx"_s;
    const QByteArray text("[Reference]\r\nRef1=mms://srv/a.asf\r\n\0tail", 40);
    const QString target = t.dir.filePath(u"keep/show.asx"_s);
    int saved = 0;
    SaveTwiceIntoAFolder(t, target, u"AsxDir"_s, [&] { saved += SaveRedirectorFile(t.ctx, text); });
    EXPECT_EQ(saved, 1);  // Cancel saves nothing
    EXPECT_EQ(test::ReadWholeFile(target), text);
    EXPECT_EQ(t.shell.lastSaveRequest->defaultName, u"show.asx"_s);
    EXPECT_EQ(t.shell.lastSaveRequest->title, u"Save Redirector File"_s);
    EXPECT_EQ(t.shell.lastSaveRequest->defaultExtension, u"asx"_s);
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
    t.shell.saveFileAnswers.push_back(t.dir.filePath(u"missing/folder/x.asx"_s));
    EXPECT_FALSE(SaveRedirectorFile(t.ctx, "mms://h/a"));
    EXPECT_EQ(t.shell.messages, QStringList{u"There was an error creating the redirector file"_s});
}
