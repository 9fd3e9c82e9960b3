#include "locations/session_log.h"
#include "locations/replace_file.h"
#include "support/asf_sample.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;

TEST(SessionLog, FileIsBig5LinesEachEndedByLineFeed)
{
    EXPECT_EQ(EncodeSessionLog({u"a"_s, u"b"_s}), QByteArray("a\nb\n"));
    EXPECT_EQ(EncodeSessionLog({QString()}), QByteArray("\n"));
    EXPECT_EQ(EncodeSessionLog({}), QByteArray());
    EXPECT_EQ(EncodeSessionLog({u"開啟 :\t碁"_s}), QByteArray::fromHex("b67db1d2203a09f9d60a"));
}

TEST(SessionLog, DefaultNameComesFromTheSaveFileThenTheLocation)
{
    const struct {
        const char* savePath;
        const char* location;
        const char* name;
    } cases[] = {
        {"", "", "default_tovrin.log"},
        {"C:\\Media\\show.asf", "", "show.log"},
        {"", "mms://host/live/news.asf", "news.log"},
        {"", "mms://host/live", "0.log"},
        {"C:\\x", "ignored", "0.log"},
        {"D:\\rec\\a.b.asf", "", "a.b.log"},
        {"/home/u/rec/clip.wmv", "", "clip.log"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DefaultLogName(QString::fromLatin1(c.savePath), QString::fromLatin1(c.location)),
                  QString::fromLatin1(c.name))
            << c.savePath << " " << c.location;
    }
}

TEST(ReplaceFileContent, WritesTheWholeFileOrKeepsTheOldOne)
{
    QTemporaryDir dir;
    const QString path = test::WriteFile(dir, u"old.log"_s, "kept\n");
    EXPECT_EQ(ReplaceFileContent(dir.filePath(u"missing/x.log"_s), "new"), ReplaceResult::CannotCreate);
    EXPECT_EQ(test::ReadWholeFile(path), QByteArray("kept\n"));
    EXPECT_EQ(ReplaceFileContent(path, QByteArray("new\0", 4)), ReplaceResult::Written);
    EXPECT_EQ(test::ReadWholeFile(path), QByteArray("new\0", 4));
}
