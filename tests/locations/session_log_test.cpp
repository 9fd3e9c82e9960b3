#include "locations/session_log.h"
#include "locations/replace_file.h"
#include "support/asf_sample.h"
#include "support/golden.h"

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
    QStringList lines;
    for (const auto& [savePath, location] : {std::pair{u"", u""},
                                             {u"C:\\Media\\show.asf", u""},
                                             {u"", u"mms://host/live/news.asf"},
                                             {u"", u"mms://host/live"},
                                             {u"C:\\x", u"ignored"},
                                             {u"D:\\rec\\a.b.asf", u""},
                                             {u"/home/u/rec/clip.wmv", u""}}) {
        lines << u"'%1' '%2' -> %3"_s.arg(QString::fromUtf16(savePath), QString::fromUtf16(location),
                                          DefaultLogName(QString::fromUtf16(savePath), QString::fromUtf16(location)));
    }
    EXPECT_GOLDEN("locations/default_log_name", lines);
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
