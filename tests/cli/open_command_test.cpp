// tovrin-cli open and info, and record on a redirector, run as programs.

#include "support/asf_sample.h"
#include "support/ffprobe.h"
#include "support/nginx_server.h"
#include "support/recording_checks.h"
#include "support/server_process.h"
#include "support/workspace.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovrin::test;
using namespace Qt::StringLiterals;

namespace {

// tovrin-cli run in the workspace's folder.
struct Cli : Workspace {
    CliOutcome run(const QStringList& args) const { return RunCli(args, config, 60000, dir.path()); }
    CliOutcome run(QStringView words) const { return run(Args(words)); }
};

}  // namespace

TEST(CliOpen, StreamAddressAndUnknownLocations)
{
    Cli w;
    CliOutcome result = w.run(u"open mms://host/live");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, u"mms://host/live\n"_s);

    result = w.run(u"open missing.asx");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_TRUE(result.err.contains(u"could not open local redirector file"_s));

    result = w.run(u"open a b");
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, u"tovrin-cli open: expects exactly one location\nTry 'tovrin-cli open --help'.\n"_s);
}

TEST(CliOpen, SavedLogPrintsItsLines)
{
    Cli w;
    QStringEncoder big5("Big5");
    const QString text = u"********** 開始 **********\n\n- 連接到 127.0.0.1\n"_s;
    w.put(u"run.log"_s, big5(text));
    const CliOutcome result = w.run(u"open run.log");
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, text);
}

TEST(CliOpen, LocalMediaAndInfoPrintTheFileProperties)
{
    Cli w;
    const CliOutcome opened = w.run(u"open media/clip.wmv");
    EXPECT_EQ(opened.exitCode, 0) << opened.err.toStdString();
    const QStringList lines = opened.out.split(u'\n');
    EXPECT_TRUE(lines.contains(u"Clip: "_s + SampleTitle()));
    EXPECT_TRUE(lines.contains(u"VidSize: 320 x 240"_s));
    EXPECT_TRUE(lines.contains(u"Location: "_s + w.source()));
    EXPECT_TRUE(lines.contains(u"Codecs: FourCC: WMV2"_s));

    const CliOutcome info = w.run(u"info media/clip.wmv");
    EXPECT_EQ(info.exitCode, 0);
    EXPECT_EQ(info.out, opened.out);

    w.put(u"text.asf"_s, "not an ASF file");
    const CliOutcome bad = w.run(u"info text.asf");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.out.isEmpty());
    EXPECT_EQ(w.run(u"info nothing.asf").exitCode, 1);
}

TEST(CliOpen, WebRedirectorWithCredentialsAndSavedCopy)
{
    Cli w;
    QDir(w.dir.path()).mkdir(u"site"_s);
    const QByteArray asx = "[Reference]\r\nRef1=mms://srv/a.asf\r\n";
    w.put(u"site/ref.asx"_s, asx);
    NginxServer web(w.dir.filePath(u"site"_s), u"location / { auth_basic \"cli\"; auth_basic_user_file htpasswd; }"_s);
    ASSERT_TRUE(web.started()) << web.error().toStdString();
    ASSERT_TRUE(web.allowUser(u"u"_s, u"p"_s));

    const QStringList open = Args(u"open") << web.url(u"ref.asx"_s);
    const CliOutcome loaded = w.run(open + Args(u"--http-user u --http-password p --save-redirector copy.asx"));
    EXPECT_EQ(loaded.exitCode, 0) << loaded.err.toStdString();
    EXPECT_EQ(loaded.out, u"1. mms://srv/a.asf\n"_s);
    EXPECT_EQ(ReadWholeFile(w.dir.filePath(u"copy.asx"_s)), asx);

    // The same password from a file only its owner may read.
    const QString passwordFile = w.dir.filePath(u"web.pw"_s);
    ASSERT_TRUE(WriteWholeFile(passwordFile, "p\n", QFile::ReadOwner | QFile::WriteOwner));
    const CliOutcome fromFile = w.run(open + Args(u"--http-user u --http-password-file") << passwordFile);
    EXPECT_EQ(fromFile.exitCode, 0) << fromFile.err.toStdString();
    EXPECT_EQ(fromFile.out, u"1. mms://srv/a.asf\n"_s);
}

TEST(CliRecord, RecordsTheChosenEntryOfARedirector)
{
    Cli w;
    ServerProcess server(w.media, Args(u"--rate 0"));
    ASSERT_TRUE(server.started());
    const QByteArray asx = "<ASX><Entry><Ref href=\"" + server.url(u"missing.wmv"_s).toUtf8()
                           + "\"/></Entry><Entry><Ref href=\"" + server.url(u"clip.wmv"_s).toUtf8()
                           + "\"/></Entry></ASX>";
    w.put(u"media/show.asx"_s, asx);

    const CliOutcome local = w.run(u"record media/show.asx --entry 2 -o local.wmv --quiet");
    EXPECT_EQ(local.exitCode, 0) << local.err.toStdString();
    EXPECT_GT(ProbeDuration(w.dir.filePath(u"local.wmv"_s)), 5.0);

    NginxServer web(w.dir.filePath(u"media"_s));
    ASSERT_TRUE(web.started()) << web.error().toStdString();
    const CliOutcome fetched =
        w.run((Args(u"record") << web.url(u"show.asx"_s)) + Args(u"--entry 2 -o web.wmv --quiet"));
    EXPECT_EQ(fetched.exitCode, 0) << fetched.err.toStdString();
    EXPECT_EQ(ReadWholeFile(w.dir.filePath(u"web.wmv"_s)), ReadWholeFile(w.dir.filePath(u"local.wmv"_s)));

    const CliOutcome beyond = w.run(u"record media/show.asx --entry 3 -o none.wmv");
    EXPECT_EQ(beyond.exitCode, 1);
    EXPECT_TRUE(beyond.err.contains(u"there is no entry 3"_s));
    EXPECT_FALSE(QFile::exists(w.dir.filePath(u"none.wmv"_s)));
}
