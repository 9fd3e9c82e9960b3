// The save file failing under tovrin-cli record: a full disk (a file-size
// limit), the save folder removed during the run, a read-only file to resume.
// The user is told, the program ends normally, what was written stays.

#include "support/asf_sample.h"
#include "support/golden.h"
#include "support/recording_checks.h"
#include "support/run_transcript.h"
#include "support/server_process.h"
#include "support/workspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>
#include <optional>
#include <tuple>

#include <gtest/gtest.h>

using namespace tovrin::test;

namespace {

// The run ended by itself in bounded memory, as the golden `name` tells,
// with the packet count `tovrin-cli info` reads from the file's header.
void ExpectRunAsGolden(const Workspace& w, const CliOutcome& cli, const QString& out, const char* name)
{
    ExpectEndedByItself(cli, QLatin1String(name));
    ExpectBoundedMemory(cli, QLatin1String(name));
    const QStringList info = RunCli({QStringLiteral("info"), out}, w.config).out.split(u'\n');
    EXPECT_GOLDEN(std::string("save_file/") + name,
                  CliTranscript(cli, out, ReadAsf(w.source()), w.dir.path(), info.filter(QStringLiteral("Packets:"))));
}

}  // namespace

// A full disk (a file-size limit) or the save folder removed during the
// run. Without a stored header the exchange cannot go on: the run ends, told
// why, and what fitted is the start of the header. With room for the header,
// 20 packets and half of the next, over MMS or MMSH, the first failed write
// stops the run, told as incomplete, and the header counts the 20 packets
// that fitted. Without its folder
// the header cannot be patched: the file has gone, and nothing is created
// again. A read-only file to resume is refused and keeps its content.
TEST(SaveFileFaults, ADiskThatFillsUpAFolderRemovedOrAReadOnlyFileIsToldAndKeepsWhatFitted)
{
    Workspace w;
    const AsfParts source = ReadAsf(w.source());
    // Real time: the six-second clip leaves time to remove the folder.
    ServerProcess server(w.media, Args(u"--rate 2 --http-port 0"));
    ASSERT_TRUE(server.started());
    const qint64 twentyAndAHalf = source.header.size() + qint64(20 * source.packetSize) + source.packetSize / 2;
    const std::tuple<const char*, std::optional<qint64>, bool> cases[] = {
        {"full_before_the_header", 512, false},
        {"full_during_the_run", twentyAndAHalf, false},
        {"full_during_the_run_mmsh", twentyAndAHalf, true},
        {"folder_removed", std::nullopt, false},
    };
    for (const auto& [name, limit, overHttp] : cases) {
        const QString folder = w.out(QLatin1String(name));
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString out = folder + QStringLiteral("/saved.wmv");
        const QString clip = QStringLiteral("clip.wmv");
        CliLaunch launch = RecordLaunch(overHttp ? server.mmshUrl(clip) : server.url(clip), out, w.config);
        launch.fileSizeLimit = limit;
        bool removed = false;
        launch.interruptWhen = [&](qint64, const QString&) {
            if (!limit && !removed && QFileInfo(out).size() >= source.header.size() + 3 * qint64(source.packetSize))
                removed = QDir(folder).removeRecursively();
            return false;
        };
        ExpectRunAsGolden(w, RunCli(launch), out, name);
        EXPECT_EQ(removed, QFileInfo::exists(folder) == false);
    }

    // With room again, a partial recording resumes into a copy of the source.
    const QString partial = w.out(QStringLiteral("full_during_the_run_mmsh/saved.wmv"));
    EXPECT_EQ(
        RunCli(RecordLaunch(server.url(QStringLiteral("clip.wmv")), partial, w.config, Args(u"--resume"))).exitCode, 0);
    ExpectSameAsSource(partial, w.source());

    // The partial recording made read-only is not resumed and keeps its content.
    const QString out = w.out(QStringLiteral("full_during_the_run/saved.wmv"));
    const QByteArray before = ReadWholeFile(out);
    ASSERT_TRUE(QFile::setPermissions(out, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
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
    ExpectRunAsGolden(w, cli, out, "read_only_resume");
    EXPECT_EQ(ReadWholeFile(out), before);
}
