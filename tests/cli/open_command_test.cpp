// tovrin-cli open and info, and record on a redirector, run as programs.

#include "integration/processes.h"
#include "nginx_server.h"
#include "support/asf_sample.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovrin::test;

namespace {

struct Workspace {
    QTemporaryDir dir;
    QString config = dir.filePath(QStringLiteral("config"));
    Workspace() { QDir().mkpath(config); }

    QString put(const QString& name, const QByteArray& bytes) const
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    CliResult run(const QStringList& args, int timeoutMs = 60000) const
    {
        return RunCli(args, config, timeoutMs, dir.path());
    }
};

QString Out(const CliResult& result)
{
    return QString::fromUtf8(result.out);
}

}  // namespace

TEST(CliOpen, StreamAddressAndUnknownLocations)
{
    Workspace w;
    CliResult result = w.run({QStringLiteral("open"), QStringLiteral("mms://host/live")});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(Out(result), QStringLiteral("mms://host/live\n"));
    result = w.run({QStringLiteral("open"), QStringLiteral(" \t mms://host/live  ")});
    EXPECT_EQ(result.exitCode, 0) << result.errText().toStdString();
    EXPECT_EQ(Out(result), QStringLiteral("mms://host/live\n"));

    result = w.run({QStringLiteral("open"), QStringLiteral("missing.asx")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_TRUE(result.errText().contains(QStringLiteral("could not open local redirector file")));

    EXPECT_EQ(w.run({QStringLiteral("open")}).exitCode, 2);
    EXPECT_EQ(w.run({QStringLiteral("open"), QStringLiteral("a"), QStringLiteral("b")}).exitCode, 2);
}

TEST(CliOpen, SavedLogPrintsItsLines)
{
    Workspace w;
    QStringEncoder big5("Big5");
    const QString text = QStringLiteral("********** 開始 **********\n\n- 連接到 127.0.0.1\n");
    w.put(QStringLiteral("run.log"), big5(text));
    const CliResult result = w.run({QStringLiteral("open"), QStringLiteral("run.log")});
    EXPECT_EQ(result.exitCode, 0) << result.errText().toStdString();
    EXPECT_EQ(Out(result), text);
}

TEST(CliOpen, LocalMediaAndInfoPrintTheFileProperties)
{
    Workspace w;
    QFile::copy(SamplePath(Sample::Wmv), w.dir.filePath(QStringLiteral("clip.wmv")));
    const CliResult opened = w.run({QStringLiteral("open"), QStringLiteral("clip.wmv")});
    EXPECT_EQ(opened.exitCode, 0) << opened.errText().toStdString();
    const QStringList lines = Out(opened).split(u'\n');
    EXPECT_TRUE(lines.contains(QStringLiteral("Clip: ") + SampleTitle()));
    EXPECT_TRUE(lines.contains(QStringLiteral("VidSize: 320 x 240")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Location: ") + w.dir.filePath(QStringLiteral("clip.wmv"))));
    EXPECT_TRUE(lines.contains(QStringLiteral("Codecs: FourCC: WMV2")));

    const CliResult info = w.run({QStringLiteral("info"), QStringLiteral("clip.wmv")});
    EXPECT_EQ(info.exitCode, 0);
    EXPECT_EQ(info.out, opened.out);

    w.put(QStringLiteral("text.asf"), "not an ASF file");
    const CliResult bad = w.run({QStringLiteral("info"), QStringLiteral("text.asf")});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.out.isEmpty());
    EXPECT_EQ(w.run({QStringLiteral("info"), QStringLiteral("nothing.asf")}).exitCode, 1);
}

TEST(CliOpen, WebRedirectorWithCredentialsAndSavedCopy)
{
    Workspace w;
    QDir(w.dir.path()).mkdir(QStringLiteral("site"));
    const QByteArray asx = "[Reference]\r\nRef1=mms://srv/a.asf\r\n";
    w.put(QStringLiteral("site/ref.asx"), asx);
    NginxServer web(w.dir.filePath(QStringLiteral("site")),
                    QStringLiteral("location / { auth_basic \"cli\"; auth_basic_user_file htpasswd; }"));
    ASSERT_TRUE(web.started()) << web.error().toStdString();
    ASSERT_TRUE(web.allowUser(QStringLiteral("u"), QStringLiteral("p")));

    const CliResult loaded = w.run({QStringLiteral("open"), web.url(QStringLiteral("ref.asx")),
                                    QStringLiteral("--http-user"), QStringLiteral("u"), QStringLiteral("--http-password"),
                                    QStringLiteral("p"), QStringLiteral("--save-redirector"), QStringLiteral("copy.asx")});
    EXPECT_EQ(loaded.exitCode, 0) << loaded.errText().toStdString();
    EXPECT_EQ(Out(loaded), QStringLiteral("1. mms://srv/a.asf\n"));
    EXPECT_EQ(ReadWholeFile(w.dir.filePath(QStringLiteral("copy.asx"))), asx);

    // The same password from a file only its owner may read.
    const QString passwordFile = w.dir.filePath(QStringLiteral("web.pw"));
    ASSERT_TRUE(WriteWholeFile(passwordFile, "p\n", QFile::ReadOwner | QFile::WriteOwner));
    const CliResult fromFile = w.run({QStringLiteral("open"), web.url(QStringLiteral("ref.asx")), QStringLiteral("--http-user"),
                                      QStringLiteral("u"), QStringLiteral("--http-password-file"), passwordFile});
    EXPECT_EQ(fromFile.exitCode, 0) << fromFile.errText().toStdString();
    EXPECT_EQ(Out(fromFile), QStringLiteral("1. mms://srv/a.asf\n"));
}

TEST(CliRecord, RecordsTheChosenEntryOfARedirector)
{
    Workspace w;
    QDir(w.dir.path()).mkdir(QStringLiteral("media"));
    QFile::copy(SamplePath(Sample::Wmv), w.dir.filePath(QStringLiteral("media/clip.wmv")));
    ServerProcess server(w.dir.filePath(QStringLiteral("media")), {QStringLiteral("--rate"), QStringLiteral("0")});
    ASSERT_TRUE(server.started());
    const QByteArray asx = "<ASX><Entry><Ref href=\"" + server.url(QStringLiteral("missing.wmv")).toUtf8()
                           + "\"/></Entry><Entry><Ref href=\"" + server.url(QStringLiteral("clip.wmv")).toUtf8()
                           + "\"/></Entry></ASX>";
    w.put(QStringLiteral("media/show.asx"), asx);

    const CliResult local = w.run({QStringLiteral("record"), QStringLiteral("media/show.asx"), QStringLiteral("--entry"),
                                   QStringLiteral("2"), QStringLiteral("-o"), QStringLiteral("local.wmv"),
                                   QStringLiteral("--quiet")});
    EXPECT_EQ(local.exitCode, 0) << local.errText().toStdString();
    EXPECT_GT(ProbeDuration(w.dir.filePath(QStringLiteral("local.wmv"))), 5.0);

    NginxServer web(w.dir.filePath(QStringLiteral("media")));
    ASSERT_TRUE(web.started()) << web.error().toStdString();
    const CliResult fetched = w.run({QStringLiteral("record"), web.url(QStringLiteral("show.asx")), QStringLiteral("--entry"),
                                     QStringLiteral("2"), QStringLiteral("-o"), QStringLiteral("web.wmv"),
                                     QStringLiteral("--quiet")});
    EXPECT_EQ(fetched.exitCode, 0) << fetched.errText().toStdString();
    EXPECT_EQ(ReadWholeFile(w.dir.filePath(QStringLiteral("web.wmv"))),
              ReadWholeFile(w.dir.filePath(QStringLiteral("local.wmv"))));

    const CliResult beyond = w.run({QStringLiteral("record"), QStringLiteral("media/show.asx"), QStringLiteral("--entry"),
                                    QStringLiteral("3"), QStringLiteral("-o"), QStringLiteral("none.wmv")});
    EXPECT_EQ(beyond.exitCode, 1);
    EXPECT_TRUE(beyond.errText().contains(QStringLiteral("there is no entry 3")));
    EXPECT_FALSE(QFile::exists(w.dir.filePath(QStringLiteral("none.wmv"))));
    EXPECT_EQ(w.run({QStringLiteral("record"), QStringLiteral("media/show.asx"), QStringLiteral("--entry"),
                     QStringLiteral("0")}).exitCode,
              2);
}
