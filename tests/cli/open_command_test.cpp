// tovrin-cli open and info, and record on a redirector, run as programs.

#include "support/asf_sample.h"
#include "support/ffprobe.h"
#include "support/golden.h"
#include "support/nginx_server.h"
#include "support/recording_checks.h"
#include "support/server_process.h"
#include "support/workspace.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTcpServer>

#include <gtest/gtest.h>

using namespace tovrin::test;
using namespace Qt::StringLiterals;

// Each run's command line, exit code, output and errors, with the
// workspace's folder and the web server's address left out.
TEST(CliOpen, StreamAddressLogRedirectorMediaAndUnknownLocationsAndRecordingARedirectorsEntry)
{
    Workspace w;
    w.put(u"run.log"_s, QStringEncoder("Big5")(u"********** 開始 **********\n\n- 連接到 127.0.0.1\n"_s));
    w.put(u"text.asf"_s, "not an ASF file");
    const QByteArray asx = "[Reference]\r\nRef1=mms://srv/a.asf\r\n";
    QDir(w.dir.path()).mkdir(u"site"_s);
    w.put(u"site/ref.asx"_s, asx);
    ASSERT_TRUE(WriteWholeFile(w.dir.filePath(u"web.pw"_s), "p\n", QFile::ReadOwner | QFile::WriteOwner));
    // A redirector whose second entry plays, on disk and on the web server.
    ServerProcess server(w.media, Args(u"--rate 0"));
    ASSERT_TRUE(server.started());
    const QByteArray show = "<ASX><Entry><Ref href=\"" + server.url(u"missing.wmv"_s).toUtf8()
                            + "\"/></Entry><Entry><Ref href=\"" + server.url(u"clip.wmv"_s).toUtf8()
                            + "\"/></Entry></ASX>";
    w.put(u"media/show.asx"_s, show);
    w.put(u"site/show.asx"_s, show);
    NginxServer web(w.dir.filePath(u"site"_s), u"location / { auth_basic \"cli\"; auth_basic_user_file htpasswd; }"_s);
    ASSERT_TRUE(web.started()) << web.error().toStdString();
    ASSERT_TRUE(web.allowUser(u"u"_s, u"p"_s));

    // The same password from a file only its owner may read.
    const QString site = web.url(QString());
    QStringList lines;
    QString opened;
    for (const QString& command :
         {u"open mms://host/live"_s, u"open missing.asx"_s, u"open a b"_s, u"open run.log"_s, u"open media/clip.wmv"_s,
          u"info media/clip.wmv"_s, u"info text.asf"_s, u"info nothing.asf"_s,
          u"open <site>ref.asx --http-user u --http-password p --save-redirector copy.asx"_s,
          u"open <site>ref.asx --http-user u --http-password-file web.pw"_s,
          u"record media/show.asx --entry 2 -o local.wmv --quiet"_s,
          u"record <site>show.asx --http-user u --http-password p --entry 2 -o web.wmv --quiet"_s,
          u"record media/show.asx --entry 3 -o none.wmv"_s}) {
        // tovrin-cli run in the workspace's folder.
        const CliOutcome r = RunCli(Args(QString(command).replace(u"<site>"_s, site)), w.config, 60000, w.dir.path());
        EXPECT_TRUE(command != u"info media/clip.wmv"_s || r.out == opened) << "info prints what open printed";
        opened = r.out;
        // The file's size and time are left out: they differ from run to run.
        const QStringList out = r.out.split(u'\n').filter(QRegularExpression(u"^(?!FileSize: |Created_File: )"_s));
        lines << u"$ "_s + command << u"exit %1"_s.arg(r.exitCode) << out << u"err:"_s << r.err.split(u'\n');
    }
    lines.replaceInStrings(w.dir.path(), u"<dir>"_s).replaceInStrings(site, u"<site>"_s);
    EXPECT_GOLDEN("cli/open", lines.replaceInStrings(server.url(QString()), u"<mms>/"_s));
    EXPECT_EQ(ReadWholeFile(w.dir.filePath(u"copy.asx"_s)), asx);
    EXPECT_GT(ProbeDuration(w.dir.filePath(u"local.wmv"_s)), 5.0);
    EXPECT_EQ(ReadWholeFile(w.dir.filePath(u"web.wmv"_s)), ReadWholeFile(w.dir.filePath(u"local.wmv"_s)));
    EXPECT_FALSE(QFile::exists(w.dir.filePath(u"none.wmv"_s)));
}

// Ctrl-C stops a redirector fetch from a web server that never answers (its
// 30 s limit would end it with a message), telling no failure; nothing is
// opened (exit 1).
TEST(CliOpen, CtrlCStopsARedirectorFetch)
{
    Workspace w;
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    for (const QString& command : {u"open"_s, u"record"_s}) {
        const CliOutcome r = RunCli({.args = {command, u"http://127.0.0.1:%1/a.asx"_s.arg(silent.serverPort())},
                                     .configHome = w.config,
                                     .interruptWhen = [](qint64 ms, const QString&) { return ms > 1000; }});
        EXPECT_TRUE(r.exitCode == 1 && !r.err.contains(u"***"_s)) << r.exitCode << r.err.toStdString();
    }
}
