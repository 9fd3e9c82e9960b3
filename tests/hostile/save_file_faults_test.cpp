// The save file failing under tovrin-cli record: a full disk (a file-size
// limit), the save folder removed during the run, a read-only file to resume.
// The user is told, the program ends normally, what was written stays.

#include "support/asf_sample.h"
#include "support/recording_checks.h"
#include "support/server_process.h"
#include "support/workspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>
#include <optional>

#include <gtest/gtest.h>

using namespace tovrin::test;

namespace {
const QString kHeaderWriteFailed = QStringLiteral("不能夠存取本地檔案來寫入標題");
const QString kWriteError = QStringLiteral("- Save file write error: ");

// The stream ended, but the file is told as incomplete, not as a success.
void ExpectToldIncomplete(const CliOutcome& cli)
{
    EXPECT_TRUE(cli.err.contains(QStringLiteral("- ******* 下載未完成 *******"))) << cli.err.toStdString();
    EXPECT_TRUE(cli.err.contains(QStringLiteral("串流已結束，但 .asf 檔案無法完成"))) << cli.err.toStdString();
    EXPECT_FALSE(cli.err.contains(QStringLiteral("下載完成， .asf 檔案寫入到本地磁碟"))) << cli.err.toStdString();
}
}  // namespace

TEST(SaveFileFaults, ADiskThatFillsUpBeforeTheHeaderIsToldAndEndsTheRun)
{
    Workspace w;
    ServerProcess server(w.media, Args(u"--rate 0"));
    ASSERT_TRUE(server.started());
    const QString out = w.out(QStringLiteral("small.wmv"));
    CliLaunch launch = RecordLaunch(server.url(QStringLiteral("clip.wmv")), out, w.config);
    launch.fileSizeLimit = 512;
    const CliOutcome cli = RunCli(launch);
    ExpectEndedByItself(cli, QStringLiteral("header on a full disk"));
    ExpectBoundedMemory(cli, QStringLiteral("header on a full disk"));
    // Without a stored header the exchange cannot go on: the run ends, told why.
    EXPECT_EQ(cli.exitCode, 1) << cli.err.toStdString();
    EXPECT_TRUE(cli.err.contains(kHeaderWriteFailed)) << cli.err.toStdString();
    EXPECT_TRUE(cli.err.contains(QStringLiteral("無法讀取這個串流的 ASF 標題，連線期間已放棄")))
        << cli.err.toStdString();
    // What fitted is the start of the header.
    const QByteArray kept = ReadWholeFile(out);
    EXPECT_LE(kept.size(), 512);
    EXPECT_EQ(kept, ReadAsf(w.source()).header.first(kept.size()));
}

TEST(SaveFileFaults, ADiskThatFillsUpDuringTheRunIsReportedOnceAndKeepsThePacketsThatFitted)
{
    Workspace w;
    const AsfParts source = ReadAsf(w.source());
    ServerProcess server(w.media, Args(u"--rate 0"));
    ASSERT_TRUE(server.started());
    const QString out = w.out(QStringLiteral("full.wmv"));
    constexpr std::size_t kFitting = 20;
    // Room for the header, 20 packets and half of the next.
    const qint64 limit = source.header.size() + qint64(kFitting * source.packetSize) + source.packetSize / 2;
    CliLaunch launch = RecordLaunch(server.url(QStringLiteral("clip.wmv")), out, w.config);
    launch.fileSizeLimit = limit;
    const CliOutcome cli = RunCli(launch);
    ExpectEndedByItself(cli, QStringLiteral("packets on a full disk"));
    ExpectBoundedMemory(cli, QStringLiteral("packets on a full disk"));
    EXPECT_EQ(cli.exitCode, 1) << "a recording with a failed write is no success\n" << cli.err.toStdString();
    EXPECT_EQ(cli.err.count(kWriteError), 1) << cli.err.toStdString();
    ExpectToldIncomplete(cli);
    EXPECT_EQ(QFileInfo(out).size(), limit);
    ExpectSlotsHoldTheSourcePackets(out, source, kFitting);
}

TEST(SaveFileFaults, TheSaveFolderRemovedDuringTheRunIsToldAtTheEnd)
{
    Workspace w;
    const AsfParts source = ReadAsf(w.source());
    // Real time: the six-second clip leaves time to remove the folder.
    ServerProcess server(w.media, Args(u"--rate 2"));
    ASSERT_TRUE(server.started());
    const QString folder = w.out(QStringLiteral("saves"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString out = folder + QStringLiteral("/gone.wmv");
    const qint64 someStored = source.header.size() + 3 * qint64(source.packetSize);
    bool removed = false;
    CliLaunch launch = RecordLaunch(server.url(QStringLiteral("clip.wmv")), out, w.config);
    launch.interruptWhen = [&](qint64, const QString&) {
        if (!removed && QFileInfo(out).size() >= someStored)
            removed = QDir(folder).removeRecursively();
        return false;
    };
    const CliOutcome cli = RunCli(launch);
    ASSERT_TRUE(removed) << cli.err.toStdString();
    ExpectEndedByItself(cli, QStringLiteral("folder removed"));
    ExpectBoundedMemory(cli, QStringLiteral("folder removed"));
    EXPECT_EQ(cli.exitCode, 1) << cli.err.toStdString();
    // The header could not be patched: the file has gone with its folder.
    EXPECT_TRUE(cli.err.contains(QStringLiteral("- 完成 ASF 檔案時發生錯誤"))) << cli.err.toStdString();
    ExpectToldIncomplete(cli);
    EXPECT_FALSE(QFileInfo::exists(folder)) << "nothing is created again";
}

TEST(SaveFileFaults, AReadOnlyFileIsNotResumedAndKeepsItsContent)
{
    Workspace w;
    const QString out = w.out(QStringLiteral("partial.wmv"));
    {
        ServerProcess dropping(w.media, Args(u"--rate 0 --drop-after 10"));
        ASSERT_TRUE(dropping.started());
        const CliOutcome first = RunCli(RecordLaunch(dropping.url(QStringLiteral("clip.wmv")), out, w.config));
        ASSERT_EQ(StatedPacketCount(out), 10u) << first.err.toStdString();
    }
    const QByteArray before = ReadWholeFile(out);
    ASSERT_TRUE(QFile::setPermissions(out, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

    ServerProcess server(w.media, Args(u"--rate 0"));
    ASSERT_TRUE(server.started());
    CliLaunch launch =
        RecordLaunch(server.url(QStringLiteral("clip.wmv")), out, w.config, {QStringLiteral("--resume")});
    std::optional<CliCopyForEveryone> copy;
    if (::geteuid() == 0) {
        // Root writes whatever the mode bits say: the run is made by nobody,
        // who may read the workspace and keep settings in it, and runs a copy
        // of the program that it can reach wherever the build tree is.
        if (copy.emplace().path().isEmpty())
            GTEST_SKIP()
                << "no copy of tovrin-cli that user 65534 can run (in /tmp), and root ignores a read-only mode";
        launch.program = copy->path();
        launch.user = 65534;
        launch.configHome = w.out(QStringLiteral("nobody-config"));
        QDir().mkpath(launch.configHome);
        QFile::setPermissions(w.dir.path(), QFileDevice::Permissions(0x7755));
        QFile::setPermissions(launch.configHome, QFileDevice::Permissions(0x7777));
    }
    const CliOutcome cli = RunCli(launch);
    if (launch.user && cli.exitCode == 126)
        GTEST_SKIP() << "cannot run tovrin-cli as user 65534 here, and root ignores a read-only mode";
    ExpectEndedByItself(cli, QStringLiteral("read-only resume"));
    ExpectBoundedMemory(cli, QStringLiteral("read-only resume"));
    EXPECT_EQ(cli.exitCode, 1) << cli.err.toStdString();
    EXPECT_TRUE(cli.err.contains(QStringLiteral("There was a problem creating the save file")))
        << cli.err.toStdString();
    EXPECT_EQ(ReadWholeFile(out), before);
}
