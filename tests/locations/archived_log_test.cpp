#include "locations/archived_log.h"
#include "support/asf_sample.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;

TEST(SplitSessionLog, EachLineFeedEndsOneLine)
{
    const std::pair<QByteArray, QStringList> cases[] = {
        {"a\nb\n", {u"a"_s, u"b"_s}},
        {"a\n\nb\n", {u"a"_s, QString(), u"b"_s}},
        {"\n", {QString()}},
        {"a\r\nb\r\n", {u"a\r"_s, u"b\r"_s}},
        // Text after the last line feed is shown rather than dropped.
        {"a\nno end", {u"a"_s, u"no end"_s}},
        {QByteArray::fromHex("b67db1d20a"), {u"開啟"_s}},
    };
    for (const auto& [content, lines] : cases)
        EXPECT_EQ(SplitSessionLog(content), lines) << content.toStdString();
}

TEST(ReadArchivedLog, UnreadableEmptyHugeOrEndlessLogsAreRefused)
{
    QTemporaryDir dir;
    QFile huge(dir.filePath(u"huge.log"_s));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(kMaxArchivedLogBytes + 1));
    huge.close();
    const std::pair<QString, ArchivedLogError> cases[] = {
        {dir.filePath(u"missing.log"_s), ArchivedLogError::CannotRead},
        {dir.path(), ArchivedLogError::CannotRead},
        {test::WriteFile(dir, u"empty.log"_s, {}), ArchivedLogError::Empty},
        {huge.fileName(), ArchivedLogError::TooLarge},
        // Within the size limit, but more lines than any session log holds.
        {test::WriteFile(dir, u"lines.log"_s, QByteArray(kMaxArchivedLogLines + 1, '\n')),
         ArchivedLogError::TooManyLines},
    };
    for (const auto& [path, error] : cases) {
        const auto read = ReadArchivedLog(path);
        ASSERT_TRUE(std::holds_alternative<ArchivedLogError>(read)) << path.toStdString();
        EXPECT_EQ(std::get<ArchivedLogError>(read), error) << path.toStdString();
    }
    EXPECT_EQ(std::get<QStringList>(ReadArchivedLog(test::WriteFile(dir, u"a.log"_s, "x\ny\n"))),
              (QStringList{u"x"_s, u"y"_s}));
}
