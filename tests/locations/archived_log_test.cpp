#include "locations/archived_log.h"
#include "support/asf_sample.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovrin;

TEST(SplitSessionLog, EachLineFeedEndsOneLine)
{
    const std::pair<QByteArray, QStringList> cases[] = {
        {"a\nb\n", {QStringLiteral("a"), QStringLiteral("b")}},
        {"a\n\nb\n", {QStringLiteral("a"), QString(), QStringLiteral("b")}},
        {"\n", {QString()}},
        {"a\r\nb\r\n", {QStringLiteral("a\r"), QStringLiteral("b\r")}},
        // Text after the last line feed is shown rather than dropped.
        {"a\nno end", {QStringLiteral("a"), QStringLiteral("no end")}},
        {QByteArray::fromHex("b67db1d20a"), {QStringLiteral("開啟")}},
    };
    for (const auto& [content, lines] : cases)
        EXPECT_EQ(SplitSessionLog(content), lines) << content.toStdString();
}

TEST(ReadArchivedLog, UnreadableEmptyHugeOrEndlessLogsAreRefused)
{
    QTemporaryDir dir;
    QFile huge(dir.filePath(QStringLiteral("huge.log")));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(kMaxArchivedLogBytes + 1));
    huge.close();
    const std::pair<QString, ArchivedLogError> cases[] = {
        {dir.filePath(QStringLiteral("missing.log")), ArchivedLogError::CannotRead},
        {dir.path(), ArchivedLogError::CannotRead},
        {test::WriteFile(dir, QStringLiteral("empty.log"), {}), ArchivedLogError::Empty},
        {huge.fileName(), ArchivedLogError::TooLarge},
        // Within the size limit, but more lines than any session log holds.
        {test::WriteFile(dir, QStringLiteral("lines.log"), QByteArray(kMaxArchivedLogLines + 1, '\n')),
         ArchivedLogError::TooManyLines},
    };
    for (const auto& [path, error] : cases) {
        const auto read = ReadArchivedLog(path);
        ASSERT_TRUE(std::holds_alternative<ArchivedLogError>(read)) << path.toStdString();
        EXPECT_EQ(std::get<ArchivedLogError>(read), error) << path.toStdString();
    }
    EXPECT_EQ(std::get<QStringList>(ReadArchivedLog(test::WriteFile(dir, QStringLiteral("a.log"), "x\ny\n"))),
              (QStringList{QStringLiteral("x"), QStringLiteral("y")}));
}
