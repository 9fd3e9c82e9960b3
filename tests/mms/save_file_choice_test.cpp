#include "mms/save_file_choice.h"

#include "asf/recording_file.h"
#include "support/asf_sample.h"
#include "support/temp_settings.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::TestContext;

class OpenSaveFileTest : public ::testing::Test {
protected:
    TestContext t;
    QString folder = t.dir.filePath(QStringLiteral("media"));
    QString path = folder + QStringLiteral("/clip.wmv");
    std::unique_ptr<RecordingFile> file;

    void SetUp() override
    {
        QDir().mkpath(folder);
        t.run.defaultSaveName = QStringLiteral("clip.wmv");
        t.shell.saveFileAnswers.push_back(path);
    }
    // As a controller does: the last run's file is let go first.
    bool open()
    {
        file.reset();
        file = OpenSaveFile(t.ctx);
        return bool(file);
    }
    void existing(const QByteArray& bytes) { ASSERT_TRUE(test::WriteWholeFile(path, bytes)); }
};

TEST_F(OpenSaveFileTest, AsksInTheRememberedFolderAndCreatesANewFile)
{
    t.store.write(QStringLiteral("AsfDir"), QStringLiteral("/earlier/"));
    existing({});  // an empty file is replaced without asking
    ASSERT_TRUE(open());

    const SaveFileRequest& r = t.shell.lastSaveRequest.value();
    EXPECT_EQ(r.title, QStringLiteral("建立 / 重新開始儲存檔案"));
    EXPECT_EQ(r.filter, QStringLiteral("Windows 媒介檔案 (*.asf;*.wmv;*.wma;*.wm)"));
    EXPECT_EQ(r.defaultExtension, QStringLiteral("asf"));
    EXPECT_EQ(r.defaultName, QStringLiteral("clip.wmv"));
    EXPECT_EQ(r.startFolder, QStringLiteral("/earlier/"));
    EXPECT_FALSE(r.overwritePrompt);
    EXPECT_EQ(t.shell.saveLocation, path);
    EXPECT_EQ(t.session.savePath, path);
    EXPECT_EQ(t.store.read(QStringLiteral("AsfDir")), folder + u'/');
    EXPECT_FALSE(t.shell.calls.contains(QStringLiteral("askResume")));
    EXPECT_FALSE(t.run.resume);
    ASSERT_TRUE(file && file->isOpen());
}

TEST_F(OpenSaveFileTest, TheResumeDialogDecidesWhatHappensToAFileWithData)
{
    existing("recorded data");
    t.shell.resumeAnswers = {ResumeChoice::Cancel};
    EXPECT_FALSE(open());
    EXPECT_EQ(test::ReadWholeFile(path), QByteArray("recorded data"));
    EXPECT_FALSE(file);
    EXPECT_EQ(t.store.read(QStringLiteral("AsfDir")), folder + u'/') << "remembered even when cancelled";

    t.shell.saveFileAnswers = {path};
    t.shell.resumeAnswers = {ResumeChoice::Resume};
    ASSERT_TRUE(open());
    EXPECT_TRUE(t.run.resume);
    EXPECT_EQ(file->size(), 13);
    EXPECT_EQ(test::ReadWholeFile(path), QByteArray("recorded data"));

    t.shell.saveFileAnswers = {path};
    t.shell.resumeAnswers = {ResumeChoice::Redownload};
    ASSERT_TRUE(open());
    EXPECT_FALSE(t.run.resume);
    EXPECT_EQ(QFileInfo(path).size(), 0);
    EXPECT_TRUE(t.shell.messages.isEmpty());
}

TEST_F(OpenSaveFileTest, CancelledOrImpossibleFilesStartNothing)
{
    t.shell.saveFileAnswers = {std::nullopt};
    EXPECT_FALSE(open());
    EXPECT_TRUE(t.session.savePath.isEmpty());
    EXPECT_TRUE(t.shell.messages.isEmpty());

    // A new file in a missing folder; a folder (holding data) to resume.
    t.shell.saveFileAnswers = {t.dir.filePath(QStringLiteral("missing/clip.wmv")), folder};
    t.shell.resumeAnswers = {ResumeChoice::Resume};
    existing("x");
    EXPECT_FALSE(open());
    EXPECT_FALSE(open());
    EXPECT_EQ(t.shell.messages, QStringList(2, QStringLiteral("There was a problem creating the save file")));
    EXPECT_FALSE(file);
}
