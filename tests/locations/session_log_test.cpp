#include "locations/session_log.h"
#include "locations/archived_log.h"
#include "support/golden.h"

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;

// A session log file is Big5, each line ended by a line feed. Read back, a
// CR stays in its line and text after the last line feed is shown rather
// than dropped.
TEST(SessionLog, FileIsBig5LinesEachEndedByLineFeed)
{
    for (const auto& [bytes, lines] : {std::pair{QByteArray("a\nb\n"), QStringList{u"a"_s, u"b"_s}},
                                       {"a\n\nb\n", {u"a"_s, QString(), u"b"_s}},
                                       {"\n", {QString()}},
                                       {"", {}},
                                       {QByteArray::fromHex("b67db1d2203a09f9d60a"), {u"開啟 :\t碁"_s}}}) {
        EXPECT_EQ(EncodeSessionLog(lines), bytes);
        EXPECT_EQ(SplitSessionLog(bytes), lines);
    }
    EXPECT_EQ(SplitSessionLog("a\r\nb\r\n"), (QStringList{u"a\r"_s, u"b\r"_s}));
    EXPECT_EQ(SplitSessionLog("a\nno end"), (QStringList{u"a"_s, u"no end"_s}));
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
