#include "asf/name_rules.h"
#include "asf/run_names.h"
#include "support/temp_settings.h"

#include <gtest/gtest.h>

#include <array>

using namespace tovrin;
using tovrin::test::TestContext;

TEST(NameRules, NamesAndFoldersCutFromPaths)
{
    EXPECT_EQ(NameAfterSeparator(QStringLiteral("C:\\logs\\run.log")), QStringLiteral("run.log"));
    EXPECT_EQ(NameAfterSeparator(QStringLiteral("drive:name")), QStringLiteral("name"));
    // The first and last characters never count.
    EXPECT_EQ(NameAfterSeparator(QStringLiteral("/ab")), QStringLiteral("0"));
    EXPECT_EQ(NameAfterSeparator(QStringLiteral("ab/")), QStringLiteral("0"));
    EXPECT_EQ(NameBeforeExtension(QStringLiteral("clip.old.wmv")), QStringLiteral("clip.old"));
    EXPECT_EQ(NameBeforeExtension(QStringLiteral(".profile")), QStringLiteral("0"));

    EXPECT_TRUE(IsLocalPath(QStringLiteral("C:\\a.wmv")));
    EXPECT_FALSE(IsLocalPath(QStringLiteral("C:/a.wmv")));
    EXPECT_EQ(FolderOfPath(QStringLiteral("C:\\media\\clip.wmv")), QStringLiteral("C:\\media\\"));
    EXPECT_EQ(FolderOfPath(QStringLiteral("clip.wmv")), QString());
#ifndef Q_OS_WIN
    EXPECT_TRUE(IsLocalPath(QStringLiteral("/home/u/a.wmv")));
    EXPECT_EQ(FolderOfPath(QStringLiteral("/home/u/clip.wmv")), QStringLiteral("/home/u/"));
#endif
}

TEST(PrepareNames, StreamPathAndDefaultSaveNameFromTheTrimmedUrl)
{
    const std::array<QString, 3> cases[] = {
        {QStringLiteral("mms://server/dir/clip.wmv"), QStringLiteral("dir/clip.wmv"), QStringLiteral("clip.wmv")},
        {QStringLiteral("mms://server/news"), QStringLiteral("news"), QStringLiteral("news_live.asf")},
        {QStringLiteral("mms://server/Clip.Asf"), QStringLiteral("Clip.Asf"), QStringLiteral("Clip.Asf_live.asf")},
        {QStringLiteral(" mms://server/ab\r\n"), QStringLiteral("ab"), QStringLiteral("ab_live.asf")},
        {QStringLiteral("mms://server/dir/video.WM"), QStringLiteral("dir/video.WM"), QStringLiteral("video.WM")},
    };
    for (const auto& [given, streamPath, saveName] : cases) {
        TestContext t;
        QString url = given;
        ASSERT_TRUE(PrepareNames(t.run, url)) << given.toStdString();
        EXPECT_EQ(url, given.trimmed());
        EXPECT_EQ(t.run.streamPath, streamPath);
        EXPECT_EQ(t.run.defaultSaveName, saveName);
    }
    for (QString bad : {QStringLiteral("mms://server/a"), QStringLiteral("mms://server/"), QString()}) {
        TestContext t;
        EXPECT_FALSE(PrepareNames(t.run, bad)) << bad.toStdString();
    }
}
