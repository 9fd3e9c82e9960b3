#include "asf/save_file.h"
#include "asf/name_rules.h"
#include "support/asf_sample.h"
#include "support/temp_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::TestContext;

namespace {

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

}  // namespace

TEST(NameRules, NeverCountTheFirstOrLastCharacter)
{
    EXPECT_EQ(NameAfterSeparator(QStringLiteral("mms://server/dir/clip.wmv")), QStringLiteral("clip.wmv"));
    EXPECT_EQ(NameAfterSeparator(QStringLiteral("C:\\logs\\run.log")), QStringLiteral("run.log"));
    EXPECT_EQ(NameAfterSeparator(QStringLiteral("drive:name")), QStringLiteral("name"));
    EXPECT_EQ(NameAfterSeparator(QStringLiteral("a/b")), QStringLiteral("b"));
    EXPECT_EQ(NameAfterSeparator(QStringLiteral("/ab")), QStringLiteral("0"));
    EXPECT_EQ(NameAfterSeparator(QStringLiteral("ab/")), QStringLiteral("0"));
    EXPECT_EQ(NameAfterSeparator(QString()), QStringLiteral("0"));

    EXPECT_EQ(NameBeforeExtension(QStringLiteral("clip.old.wmv")), QStringLiteral("clip.old"));
    EXPECT_EQ(NameBeforeExtension(QStringLiteral(".profile")), QStringLiteral("0"));
    EXPECT_EQ(NameBeforeExtension(QStringLiteral("name.")), QStringLiteral("0"));
    EXPECT_EQ(NameBeforeExtension(QStringLiteral("x")), QStringLiteral("0"));
}

TEST(NameRules, LocalPathsAndTheirFolders)
{
    EXPECT_TRUE(IsLocalPath(QStringLiteral("C:\\a.wmv")));
    EXPECT_FALSE(IsLocalPath(QStringLiteral("C:/a.wmv")));
    EXPECT_FALSE(IsLocalPath(QStringLiteral("\\\\server\\a.wmv")));
    EXPECT_EQ(FolderOfPath(QStringLiteral("C:\\media\\clip.wmv")), QStringLiteral("C:\\media\\"));
    EXPECT_EQ(FolderOfPath(QStringLiteral("clip.wmv")), QString());
#ifdef Q_OS_WIN
    EXPECT_FALSE(IsLocalPath(QStringLiteral("/home/u/a.wmv")));
    EXPECT_EQ(FolderOfPath(QStringLiteral("C:\\media/clip.wmv")), QStringLiteral("C:\\"));
#else
    EXPECT_TRUE(IsLocalPath(QStringLiteral("/home/u/a.wmv")));
    EXPECT_EQ(FolderOfPath(QStringLiteral("/home/u/clip.wmv")), QStringLiteral("/home/u/"));
    EXPECT_EQ(FolderOfPath(QStringLiteral("C:\\media/clip.wmv")), QStringLiteral("C:\\media/"));
#endif
}

TEST(PrepareNames, StreamPathAndDefaultSaveNameFromTheTrimmedUrl)
{
    struct Case {
        QString url, streamPath, saveName;
    };
    const Case cases[] = {
        {QStringLiteral("mms://server/dir/clip.wmv"), QStringLiteral("dir/clip.wmv"),
         QStringLiteral("clip.wmv")},
        {QStringLiteral("mms://server/news"), QStringLiteral("news"), QStringLiteral("news_live.asf")},
        {QStringLiteral("mms://server/Clip.Asf"), QStringLiteral("Clip.Asf"),
         QStringLiteral("Clip.Asf_live.asf")},
        {QStringLiteral("mms://server/ab"), QStringLiteral("ab"), QStringLiteral("ab_live.asf")},
        {QStringLiteral("mms://server/dir/video.WM"), QStringLiteral("dir/video.WM"),
         QStringLiteral("video.WM")},
        {QStringLiteral(" \tmmst://server/a.wma\r\n"), QStringLiteral("a.wma"), QStringLiteral("a.wma")},
    };
    for (const Case& c : cases) {
        TestContext t;
        QString url = c.url;
        ASSERT_TRUE(PrepareNames(t.ctx, url)) << c.url.toStdString();
        EXPECT_EQ(url, c.url.trimmed());
        EXPECT_EQ(t.run.streamPath, c.streamPath);
        EXPECT_EQ(t.run.defaultSaveName, c.saveName);
    }
}

TEST(PrepareNames, NeedsTwoCharactersAfterTheThirdSlash)
{
    for (const QString& bad :
         {QStringLiteral("mms://server/a"), QStringLiteral("mms://server/"), QStringLiteral("mms://server"),
          QStringLiteral("  mms://server/a  "), QString()}) {
        TestContext t;
        QString url = bad;
        EXPECT_FALSE(PrepareNames(t.ctx, url)) << bad.toStdString();
        EXPECT_TRUE(t.run.streamPath.isEmpty());
        EXPECT_TRUE(t.shell.messages.isEmpty()) << "the caller reports it";
    }
}

class OpenSaveFileTest : public ::testing::Test {
protected:
    TestContext t;
    QString folder = t.dir.filePath(QStringLiteral("media"));
    QString path = folder + QStringLiteral("/clip.wmv");

    void SetUp() override
    {
        QDir().mkpath(folder);
        t.run.defaultSaveName = QStringLiteral("clip.wmv");
        t.shell.saveFileAnswers.push_back(path);
    }
};

TEST_F(OpenSaveFileTest, AsksWithTheRememberedFolderAndCreatesANewFile)
{
    t.store.write(QStringLiteral("AsfDir"), QStringLiteral("/earlier/"));
    ASSERT_TRUE(OpenSaveFile(t.ctx));

    ASSERT_TRUE(t.shell.lastSaveRequest);
    const SaveFileRequest& r = *t.shell.lastSaveRequest;
    EXPECT_EQ(r.title, QStringLiteral("建立 / 重新開始儲存檔案"));
    EXPECT_EQ(r.filter, QStringLiteral("Windows 媒介檔案 (*.asf;*.wmv;*.wma;*.wm)"));
    EXPECT_EQ(r.defaultExtension, QStringLiteral("asf"));
    EXPECT_EQ(r.defaultName, QStringLiteral("clip.wmv"));
    EXPECT_EQ(r.startFolder, QStringLiteral("/earlier/"));
    EXPECT_FALSE(r.overwritePrompt);

    EXPECT_EQ(t.shell.saveLocation, path);
    EXPECT_EQ(t.run.savePath, path);
    EXPECT_EQ(t.store.read(QStringLiteral("AsfDir")), folder + u'/');
    EXPECT_FALSE(t.shell.calls.contains(QStringLiteral("askResume")));
    EXPECT_FALSE(t.run.resume);
    ASSERT_TRUE(t.run.saveFile && t.run.saveFile->isOpen());
    EXPECT_TRUE(t.run.saveFile->isWritable() && t.run.saveFile->isReadable());
    EXPECT_TRUE(QFileInfo::exists(path));
}

TEST_F(OpenSaveFileTest, AnEmptyExistingFileIsCreatedAnewWithoutAsking)
{
    WriteFile(path, {});
    ASSERT_TRUE(OpenSaveFile(t.ctx));
    EXPECT_FALSE(t.shell.calls.contains(QStringLiteral("askResume")));
    EXPECT_FALSE(t.run.resume);
}

TEST_F(OpenSaveFileTest, CancelInTheResumeDialogLeavesTheFileButRemembersTheFolder)
{
    WriteFile(path, "recorded data");
    t.shell.resumeAnswers.push_back(ResumeChoice::Cancel);
    EXPECT_FALSE(OpenSaveFile(t.ctx));
    EXPECT_EQ(test::ReadWholeFile(path), QByteArray("recorded data"));
    EXPECT_FALSE(t.run.saveFile);
    EXPECT_FALSE(t.run.resume);
    EXPECT_EQ(t.store.read(QStringLiteral("AsfDir")), folder + u'/');
    EXPECT_TRUE(t.shell.messages.isEmpty());
}

TEST_F(OpenSaveFileTest, RedownloadReplacesTheFileWithAnEmptyOne)
{
    WriteFile(path, "recorded data");
    t.run.resume = true;
    t.shell.resumeAnswers.push_back(ResumeChoice::Redownload);
    ASSERT_TRUE(OpenSaveFile(t.ctx));
    EXPECT_FALSE(t.run.resume);
    EXPECT_EQ(QFileInfo(path).size(), 0);
    ASSERT_TRUE(t.run.saveFile);
    EXPECT_EQ(t.run.saveFile->size(), 0);
}

TEST_F(OpenSaveFileTest, ResumeOpensTheExistingFileUnchanged)
{
    WriteFile(path, "recorded data");
    t.shell.resumeAnswers.push_back(ResumeChoice::Resume);
    ASSERT_TRUE(OpenSaveFile(t.ctx));
    EXPECT_TRUE(t.run.resume);
    ASSERT_TRUE(t.run.saveFile && t.run.saveFile->isWritable());
    EXPECT_EQ(t.run.saveFile->readAll(), QByteArray("recorded data"));
}

TEST_F(OpenSaveFileTest, ACancelledChooserStartsNothing)
{
    t.shell.saveFileAnswers = {std::nullopt};
    EXPECT_FALSE(OpenSaveFile(t.ctx));
    EXPECT_FALSE(t.run.saveFile);
    EXPECT_TRUE(t.run.savePath.isEmpty());
    EXPECT_TRUE(t.store.read(QStringLiteral("AsfDir")).isEmpty());
    EXPECT_TRUE(t.shell.messages.isEmpty());
}

TEST_F(OpenSaveFileTest, AFileThatCannotBeCreatedIsReported)
{
    t.shell.saveFileAnswers = {t.dir.filePath(QStringLiteral("missing-folder/clip.wmv"))};
    EXPECT_FALSE(OpenSaveFile(t.ctx));
    EXPECT_EQ(t.shell.messages, QStringList{QStringLiteral("There was a problem creating the save file")});
    EXPECT_FALSE(t.run.saveFile);

    // A path that names a folder holding data cannot be resumed either.
    t.shell.messages.clear();
    WriteFile(folder + QStringLiteral("/inside"), "x");
    t.shell.saveFileAnswers = {folder};
    t.shell.resumeAnswers = {ResumeChoice::Resume};
    EXPECT_FALSE(OpenSaveFile(t.ctx));
    EXPECT_EQ(t.shell.messages, QStringList{QStringLiteral("There was a problem creating the save file")});
}
