#include "locations/archived_log.h"
#include "locations/open_media.h"
#include "locations/redirector_fetch.h"
#include "support/asf_sample.h"
#include "support/core_app.h"
#include "support/temp_settings.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::TestContext;

namespace {

OpenOutcome Open(TestContext& t, const QString& location)
{
    test::CoreApp();
    RedirectorFetch fetch(t.shell);
    t.run.mediaLocation = location;
    return OpenMedia(t.ctx, fetch);
}

const QString kShown = QStringLiteral("Displaying archived Tovrin log file");

}  // namespace

TEST(SplitSessionLog, EachLineFeedEndsOneLine)
{
    EXPECT_EQ(SplitSessionLog("a\nb\n"), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(SplitSessionLog("a\n\nb\n"), (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")}));
    EXPECT_EQ(SplitSessionLog("\n"), QStringList{QString()});
    EXPECT_EQ(SplitSessionLog("a\r\nb\r\n"), (QStringList{QStringLiteral("a\r"), QStringLiteral("b\r")}));
    // Text after the last line feed is shown rather than dropped.
    EXPECT_EQ(SplitSessionLog("a\nno end"), (QStringList{QStringLiteral("a"), QStringLiteral("no end")}));
    EXPECT_EQ(SplitSessionLog(QByteArray::fromHex("b67db1d20a")), QStringList{QStringLiteral("開啟")});
}

TEST(ShowArchivedLog, UnreadableOrEmptyLogIsReportedInTheLogOnly)
{
    TestContext t;
    EXPECT_EQ(Open(t, t.dir.filePath(QStringLiteral("missing.log"))), OpenOutcome::Failed);
    EXPECT_EQ(t.shell.log, (QStringList{kShown, QStringLiteral("開啟記錄檔案發生錯誤"),
                                        QStringLiteral("Log file error, cannot continue")}));

    EXPECT_EQ(Open(t, test::WriteFile(t.dir, QStringLiteral("empty.log"), {})), OpenOutcome::Failed);
    EXPECT_EQ(t.shell.log, (QStringList{kShown, QStringLiteral("記錄檔案沒有包含資料"),
                                        QStringLiteral("Log file error, cannot continue")}));
    EXPECT_TRUE(t.shell.messages.isEmpty());
    // Local file mode is set before the log is read, whatever comes of it.
    EXPECT_TRUE(t.run.localFileMode);
}

TEST(ShowArchivedLog, HugeFileIsRefusedUnread)
{
    TestContext t;
    const QString path = t.dir.filePath(QStringLiteral("huge.log"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(kMaxArchivedLogBytes + 1));
    file.close();
    EXPECT_EQ(Open(t, path), OpenOutcome::Failed);
    ASSERT_EQ(t.shell.log.size(), 3);
    EXPECT_TRUE(t.shell.log.at(1).startsWith(QStringLiteral("記錄檔案太大")));

    // Within the size limit, but more lines than any session log holds.
    EXPECT_EQ(Open(t, test::WriteFile(t.dir, QStringLiteral("lines.log"), QByteArray(kMaxArchivedLogLines + 1, '\n'))),
              OpenOutcome::Failed);
    ASSERT_EQ(t.shell.log.size(), 3);
    EXPECT_TRUE(t.shell.log.at(1).startsWith(QStringLiteral("記錄檔案太多行")));
}
