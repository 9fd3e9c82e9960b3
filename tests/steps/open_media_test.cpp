#include "steps/open_media.h"
#include "locations/archived_log.h"
#include "locations/open_route.h"
#include "locations/redirector_fetch.h"
#include "locations/redirector_file.h"
#include "steps/open_dialog.h"
#include "support/asf_sample.h"
#include "support/core_app.h"
#include "support/temp_settings.h"

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::TestContext;

namespace {

const QString kWorking = QStringLiteral("處理程序媒介...");
const QString kUrlListReady = QStringLiteral("URL list now has data, please select an entry");
const QString kTypeError = QStringLiteral("The media type or its location was invalid\nPlease re-check your entry");
const QString kLogShown = QStringLiteral("Displaying archived Tovrin log file");
const QString kLogFailed = QStringLiteral("Log file error, cannot continue");

struct Opener {
    QCoreApplication& app = test::CoreApp();  // before the fetch's network manager
    TestContext t;
    RedirectorFetch fetch;
    OpenDialog dialog{t.ctx, fetch};

    Opener()
    {
        // Left over from an earlier run: the opening starts from a reset.
        t.shell.log = {QStringLiteral("old line")};
        t.run.localFileMode = true;
        t.run.serverHost = QStringLiteral("old-host");
    }
    OpenOutcome open(const QString& location)
    {
        t.run.mediaLocation = location;
        return OpenMedia(t.ctx, fetch);
    }
    QString file(const QString& name, const QByteArray& bytes) { return test::WriteFile(t.dir, name, bytes); }
};

QByteArray Addresses(int count)
{
    QByteArray text = "<ASX version=\"3.0\">\r\n";
    for (int i = 1; i <= count; ++i)
        text += "<Entry><Ref href=\"mms://srv/clip" + QByteArray::number(i) + ".asf\"/></Entry>\r\n";
    return text + "</ASX>\r\n";
}

}  // namespace

TEST(OpenMedia, StreamAddressGoesIntoTheUrlBox)
{
    for (const QString& location : {QStringLiteral("mms://host/live"), QStringLiteral("MMSU://HOST/CLIP.WMV")}) {
        Opener o;
        EXPECT_EQ(o.open(location), OpenOutcome::StreamAddress);
        EXPECT_EQ(o.t.shell.url, location);
        EXPECT_EQ(o.t.shell.log, (QStringList{kWorking, QStringLiteral("準備連接到網址 -> 按下「執行」開始連接")}));
        EXPECT_TRUE(o.t.shell.messages.isEmpty());
        EXPECT_FALSE(o.t.run.localFileMode);
        EXPECT_TRUE(o.t.run.serverHost.isEmpty());
        EXPECT_EQ(o.t.shell.previewCloses, 1);
        // The working line is drawn before anything is looked at.
        const qsizetype logged = o.t.shell.calls.indexOf(QStringLiteral("log ") + kWorking);
        EXPECT_EQ(o.t.shell.calls.value(logged + 1), QStringLiteral("repaint"));
    }
}

TEST(OpenMedia, LocalRedirectorFillsTheUrlListInFileOrderInLocalFileMode)
{
    Opener o;
    EXPECT_EQ(o.open(o.file(QStringLiteral("a.wvx"), Addresses(3))), OpenOutcome::RedirectorLoaded);
    EXPECT_EQ(o.t.shell.urlList,
              (QStringList{QStringLiteral("mms://srv/clip1.asf"), QStringLiteral("mms://srv/clip2.asf"),
                           QStringLiteral("mms://srv/clip3.asf")}));
    EXPECT_EQ(o.t.shell.url, QStringLiteral("mms://srv/clip1.asf"));
    EXPECT_EQ(o.t.shell.log, (QStringList{kWorking, kUrlListReady}));
    EXPECT_TRUE(o.t.shell.messages.isEmpty());
    EXPECT_TRUE(o.t.shell.confirmations.isEmpty());  // only a fetched file is offered for saving
    EXPECT_TRUE(o.t.run.localFileMode);

    EXPECT_EQ(o.open(o.file(QStringLiteral("b.asx"), Addresses(21))), OpenOutcome::RedirectorLoaded);
    ASSERT_EQ(o.t.shell.urlList.size(), 20);
    EXPECT_EQ(o.t.shell.urlList.last(), QStringLiteral("mms://srv/clip20.asf"));
    EXPECT_EQ(o.t.shell.messages,
              QStringList{QStringLiteral("Too many entires in ASX file, displaying max amount only")});
}

TEST(OpenMedia, LocalMediaFileIsInspectedWhateverTheLengthOfItsHeader)
{
    Opener o;
    EXPECT_EQ(o.open(test::SamplePath(test::Sample::Wmv)), OpenOutcome::MediaInspected);
    EXPECT_EQ(o.t.shell.log, (QStringList{kWorking, QStringLiteral("Media Loaded -> Click Information tab"),
                                          QStringLiteral("Media Loaded -> Click Preview monitor")}));
    EXPECT_EQ(o.t.shell.properties.value(PropertyField::Clip), test::SampleTitle());
    EXPECT_EQ(o.t.shell.properties.value(PropertyField::VidSize), QStringLiteral("320 x 240"));
    EXPECT_TRUE(o.t.run.localFileMode);
    EXPECT_EQ(o.t.run.streamCount, 2u);

    // A header longer than the 5000 bytes read when the header names no length.
    const QString path = o.t.dir.filePath(QStringLiteral("long-header.wma"));
    ASSERT_EQ(
        test::RunProgram(QStringLiteral("ffmpeg"),
                         test::Args(u"-hide_banner -loglevel error -f lavfi -i sine=duration=1 -c:a wmav2 -metadata")
                             << QStringLiteral("comment=") + QString(6000, QLatin1Char('x')) << path),
        0);
    EXPECT_GT(LocalHeaderLength(path), 12000u);
    EXPECT_EQ(o.open(path), OpenOutcome::MediaInspected) << o.t.shell.messages.join(u'|').toStdString();
    EXPECT_EQ(o.t.shell.properties.value(PropertyField::Length), QStringLiteral("00 : 00 : 01"));
}

TEST(OpenMedia, WhatCannotBeOpenedIsToldAndLeavesTheUrlBoxAlone)
{
    QTemporaryDir files;
    const auto file = [&](const char* name, const QByteArray& bytes) {
        return test::WriteFile(files, QString::fromLatin1(name), bytes);
    };
    QDir(files.path()).mkdir(QStringLiteral("folder.asx"));  // a folder named like a redirector is no file
    QFile huge(files.filePath(QStringLiteral("huge.log")));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(kMaxArchivedLogBytes + 1));
    huge.close();
    QByteArray big(kMaxRedirectorFileBytes + 1, ' ');
    big.replace(0, 9, "mms://h/a");
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const QString refused = QStringLiteral("http://127.0.0.1:%1/list.asx").arg(closed.serverPort());
    closed.close();

    const QString cannotOpen = QStringLiteral("could not open local redirector file");
    const QString localParse = QStringLiteral("Local parse error");
    const QString notAsf = QStringLiteral("Local ASF extraction error");
    const QStringList noWebData = {QStringLiteral("Redirector file contains no data"),
                                   QStringLiteral("Networked parse error")};
    const QStringList typeErrorLog = {kWorking, QStringLiteral("Media type / location error, could not load")};
    const auto logError = [](const char* line) { return QStringList{kLogShown, QString::fromUtf8(line), kLogFailed}; };
    const struct {
        QString location;
        QStringList messages;
        QStringList log;
        bool localFileMode = false;
        bool messageStarts = false;  // each message only starts as given
    } cases[] = {
        {QStringLiteral("Mms://host/a.asf"), {QStringLiteral("未知的媒介位置")}, {}},
        {QStringLiteral("mmst://h/a.asx"),
         {QStringLiteral("You are trying to access a redirector file type\nfrom a streaming MMS server. Only HTTP "
                         "servers\nhold redirector information files, please check\nyour URL entry and try again")},
         {}},
        {QStringLiteral("http://h/a.asp"),
         {QStringLiteral("Sorry, ASP formatted locations are not yet supported by Tovrin\n\nYou may need to examine "
                         "the ASP file to determine its media\nURLs or redirector locations first")},
         {}},
        {QStringLiteral("http://h/clip.wmv"),
         {QStringLiteral("您正嘗試到 HTTP 存取未支援的媒介類型。\n\nIf you know this")},
         {},
         false,
         true},
        // Unsupported combinations keep the log.
        {QStringLiteral("http://h/page"), {kTypeError}, typeErrorLog},
        {files.filePath(QStringLiteral("missing.asx")), {cannotOpen}, {}},
        {files.filePath(QStringLiteral("folder.asx")), {cannotOpen}, {}},
        {file("empty.asx", {}), {QStringLiteral("Error - local redirector file contains no data"), localParse}, {}},
        {file("none.asx", "<asx><ref href=\"http://x/a.asf\"/></asx>"),
         {QStringLiteral("Error in redirector file - no entries found"), localParse},
         {}},
        {file("big.asx", big), {QStringLiteral("Error - local redirector file is larger than 4 MiB"), localParse}, {}},
        {file("text.wmv", QByteArray(8000, 'x')), {QString(), notAsf}, {}, false, true},
        {files.filePath(QStringLiteral("gone.asf")), {QString(), notAsf}, {}, false, true},
        // A saved log that cannot be shown is told in the log only, in local
        // file mode, set before the log is read.
        {files.filePath(QStringLiteral("missing.log")), {}, logError("開啟記錄檔案發生錯誤"), true},
        {file("empty.log", {}), {}, logError("記錄檔案沒有包含資料"), true},
        {huge.fileName(), {}, logError("記錄檔案太大 (超過 16 MiB)"), true},
        {file("lines.log", QByteArray(kMaxArchivedLogLines + 1, '\n')),
         {},
         logError("記錄檔案太多行 (超過 200000 行)"),
         true},
        {refused, QStringList{QStringLiteral("HTTP redirector site failed to connect")} + noWebData, {}},
        {QStringLiteral("http:///list.asx"),
         QStringList{QStringLiteral("Could not connect to redirector URL, could be a broken link")} + noWebData,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.location.toStdString());
        Opener o;
        o.t.shell.url = QStringLiteral("mms://kept/x");
        o.t.shell.urlList = {QStringLiteral("mms://kept/x")};
        EXPECT_EQ(o.open(c.location), OpenOutcome::Failed);
        ASSERT_EQ(o.t.shell.messages.size(), c.messages.size()) << o.t.shell.messages.join(u'|').toStdString();
        for (qsizetype i = 0; i < c.messages.size(); ++i) {
            const QString& shown = o.t.shell.messages.at(i);
            EXPECT_TRUE(c.messageStarts ? shown.startsWith(c.messages.at(i)) : shown == c.messages.at(i))
                << shown.toStdString();
        }
        EXPECT_EQ(o.t.shell.log, c.log);
        EXPECT_EQ(o.t.run.localFileMode, c.localFileMode);
        EXPECT_EQ(o.t.shell.url, QStringLiteral("mms://kept/x"));
        EXPECT_EQ(o.t.shell.urlList, QStringList{QStringLiteral("mms://kept/x")});
        EXPECT_FALSE(o.fetch.isBusy());
    }
    Opener o;
    o.open(QStringLiteral("http://h/clip.wmv"));
    EXPECT_TRUE(
        o.t.shell.messages.value(0).endsWith(QStringLiteral("able to copy the file that way - progressive download")));
}

// The open dialog ------------------------------------------------------------

TEST(OpenDialog, HistoryIsNewestFirstWithRepeatsAndAtMostTwenty)
{
    Opener o;
    OpenDialog& dialog = o.dialog;
    dialog.formShow();
    EXPECT_TRUE(dialog.history().isEmpty());
    EXPECT_TRUE(dialog.text().isEmpty());

    dialog.setText(QStringLiteral("  mms://a/b  "));
    EXPECT_EQ(dialog.okClick(), OpenOutcome::StreamAddress);
    EXPECT_FALSE(dialog.isOpen());
    EXPECT_EQ(o.t.run.mediaLocation, QStringLiteral("mms://a/b"));
    EXPECT_EQ(o.t.shell.mediaLocation, QStringLiteral("mms://a/b"));
    EXPECT_EQ(o.t.store.read(QStringLiteral("MediaList")), QStringLiteral("mms://a/b\r\n"));

    dialog.formShow();
    EXPECT_EQ(dialog.text(), QStringLiteral("mms://a/b"));
    dialog.okClick();
    EXPECT_EQ(o.t.store.read(QStringLiteral("MediaList")), QStringLiteral("mms://a/b\r\nmms://a/b\r\n"));

    for (int i = 1; i <= 20; ++i) {
        dialog.formShow();
        dialog.setText(QStringLiteral("mms://h/%1").arg(i));
        dialog.okClick();
    }
    dialog.formShow();
    ASSERT_EQ(dialog.history().size(), 20);
    EXPECT_EQ(dialog.history().first(), QStringLiteral("mms://h/20"));
    EXPECT_EQ(dialog.history().last(), QStringLiteral("mms://h/1"));
    EXPECT_EQ(o.t.store.read(QStringLiteral("MediaList")).count(QStringLiteral("\r\n")), 20);
}

TEST(OpenDialog, OkWithoutATextOrWhileTheMediaIsBusyDoesNothing)
{
    Opener o;
    OpenDialog& dialog = o.dialog;
    dialog.formShow();
    for (const QString& text : {QString(), QStringLiteral(" \t ")}) {
        dialog.setText(text);
        EXPECT_FALSE(dialog.okClick());
        EXPECT_TRUE(dialog.isOpen());
    }
    dialog.setText(QStringLiteral("mms://a/b"));
    EXPECT_FALSE(dialog.okClick(true));
    EXPECT_TRUE(dialog.isOpen());
    EXPECT_EQ(o.t.shell.messages, QStringList{QStringLiteral("當尚在連接時，無法改變媒介")});
    o.t.shell.messages.clear();
    o.t.shell.calls.clear();
    EXPECT_TRUE(o.t.store.read(QStringLiteral("MediaList")).isEmpty());
    EXPECT_EQ(o.t.shell.log, QStringList{QStringLiteral("old line")});

    dialog.cancelClick();
    EXPECT_FALSE(dialog.isOpen());
    EXPECT_TRUE(o.t.shell.calls.isEmpty());
}

TEST(OpenDialog, OkClearsTheSaveLabelAndTheUrlBoxBeforeOpening)
{
    Opener o;
    o.t.run.savePath = QStringLiteral("/rec/old.wmv");
    o.t.shell.url = QStringLiteral("mms://old/x");
    o.t.shell.urlList = {QStringLiteral("mms://old/x"), QStringLiteral("mms://old/y")};
    o.dialog.formShow();
    o.dialog.setText(QStringLiteral("Mms://unknown"));
    EXPECT_EQ(o.dialog.okClick(), OpenOutcome::Failed);
    EXPECT_TRUE(o.t.run.savePath.isEmpty());
    EXPECT_TRUE(o.t.shell.saveLocation.isEmpty());
    EXPECT_TRUE(o.t.shell.url.isEmpty());
    EXPECT_TRUE(o.t.shell.urlList.isEmpty());
    // Even a location that cannot be opened is remembered.
    EXPECT_EQ(o.t.store.read(QStringLiteral("MediaList")), QStringLiteral("Mms://unknown\r\n"));
}

TEST(OpenDialog, BrowsePutsThePathInTheTextAndRemembersItsFolder)
{
    Opener o;
    OpenDialog& dialog = o.dialog;
    dialog.formShow();
    const QString picked = o.t.dir.filePath(QStringLiteral("clips/a.wmv"));
    o.t.shell.openFileAnswers.push_back(picked);
    dialog.browseClick();
    EXPECT_EQ(dialog.text(), picked);
    EXPECT_EQ(o.t.store.read(QStringLiteral("OpenDir")), o.t.dir.filePath(QStringLiteral("clips/")));
    ASSERT_TRUE(o.t.shell.lastOpenRequest);
    EXPECT_EQ(o.t.shell.lastOpenRequest->title, QStringLiteral("開啟本地檔案"));
    EXPECT_EQ(o.t.shell.lastOpenRequest->startFolder, QDir::currentPath());
    ASSERT_EQ(o.t.shell.lastOpenRequest->filters.size(), 5);
    EXPECT_EQ(o.t.shell.lastOpenRequest->filters.at(3), QStringLiteral("Tovrin 記錄檔案 (*.log)"));
    EXPECT_TRUE(o.t.store.read(QStringLiteral("MediaList")).isEmpty());  // nothing opened yet

    // Next time the chooser starts there; Cancel changes nothing.
    o.t.shell.openFileAnswers.push_back(std::nullopt);
    dialog.browseClick();
    EXPECT_EQ(o.t.shell.lastOpenRequest->startFolder, o.t.dir.filePath(QStringLiteral("clips/")));
    EXPECT_EQ(dialog.text(), picked);
}
