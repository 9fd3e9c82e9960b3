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
using namespace Qt::StringLiterals;
using tovrin::test::TestContext;

namespace {

const QString kWorking = u"處理程序媒介..."_s;
const QString kUrlListReady = u"URL list now has data, please select an entry"_s;
const QString kTypeError = u"The media type or its location was invalid\nPlease re-check your entry"_s;
const QString kLogShown = u"Displaying archived Tovrin log file"_s;
const QString kLogFailed = u"Log file error, cannot continue"_s;

struct Opener {
    QCoreApplication& app = test::CoreApp();  // before the fetch's network manager
    TestContext t;
    RedirectorFetch fetch;
    OpenDialog dialog{t.ctx, fetch};

    Opener()
    {
        // Left over from an earlier run: the opening starts from a reset.
        t.shell.log = {u"old line"_s};
        t.run.localFileMode = true;
        t.run.serverHost = u"old-host"_s;
    }
    OpenOutcome open(const QString& location)
    {
        t.session.mediaLocation = location;
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
    for (const QString& location : {u"mms://host/live"_s, u"MMSU://HOST/CLIP.WMV"_s}) {
        Opener o;
        EXPECT_EQ(o.open(location), OpenOutcome::StreamAddress);
        EXPECT_EQ(o.t.shell.url, location);
        EXPECT_EQ(o.t.shell.log, (QStringList{kWorking, u"準備連接到網址 -> 按下「執行」開始連接"_s}));
        EXPECT_TRUE(o.t.shell.messages.isEmpty());
        EXPECT_FALSE(o.t.run.localFileMode);
        EXPECT_TRUE(o.t.run.serverHost.isEmpty());
        EXPECT_EQ(o.t.shell.previewCloses, 1);
        // The working line is drawn before anything is looked at.
        const qsizetype logged = o.t.shell.calls.indexOf(u"log "_s + kWorking);
        EXPECT_EQ(o.t.shell.calls.value(logged + 1), u"repaint"_s);
    }
}

TEST(OpenMedia, LocalRedirectorFillsTheUrlListInFileOrderInLocalFileMode)
{
    Opener o;
    EXPECT_EQ(o.open(o.file(u"a.wvx"_s, Addresses(3))), OpenOutcome::RedirectorLoaded);
    EXPECT_EQ(o.t.shell.urlList,
              (QStringList{u"mms://srv/clip1.asf"_s, u"mms://srv/clip2.asf"_s, u"mms://srv/clip3.asf"_s}));
    EXPECT_EQ(o.t.shell.url, u"mms://srv/clip1.asf"_s);
    EXPECT_EQ(o.t.shell.log, (QStringList{kWorking, kUrlListReady}));
    EXPECT_TRUE(o.t.shell.messages.isEmpty());
    EXPECT_TRUE(o.t.shell.confirmations.isEmpty());  // only a fetched file is offered for saving
    EXPECT_TRUE(o.t.run.localFileMode);

    EXPECT_EQ(o.open(o.file(u"b.asx"_s, Addresses(21))), OpenOutcome::RedirectorLoaded);
    ASSERT_EQ(o.t.shell.urlList.size(), 20);
    EXPECT_EQ(o.t.shell.urlList.last(), u"mms://srv/clip20.asf"_s);
    EXPECT_EQ(o.t.shell.messages, QStringList{u"Too many entires in ASX file, displaying max amount only"_s});
}

TEST(OpenMedia, LocalMediaFileIsInspectedWhateverTheLengthOfItsHeader)
{
    Opener o;
    EXPECT_EQ(o.open(test::SamplePath(test::Sample::Wmv)), OpenOutcome::MediaInspected);
    EXPECT_EQ(o.t.shell.log, (QStringList{kWorking, u"Media Loaded -> Click Information tab"_s,
                                          u"Media Loaded -> Click Preview monitor"_s}));
    EXPECT_EQ(o.t.shell.properties.value(PropertyField::Clip), test::SampleTitle());
    EXPECT_EQ(o.t.shell.properties.value(PropertyField::VidSize), u"320 x 240"_s);
    EXPECT_TRUE(o.t.run.localFileMode);
    EXPECT_EQ(o.t.run.streamCount, 2u);

    // A header longer than the 5000 bytes read when the header names no length.
    const QString path = o.t.dir.filePath(u"long-header.wma"_s);
    ASSERT_EQ(
        test::RunProgram(u"ffmpeg"_s,
                         test::Args(u"-hide_banner -loglevel error -f lavfi -i sine=duration=1 -c:a wmav2 -metadata")
                             << u"comment="_s + QString(6000, QLatin1Char('x')) << path),
        0);
    EXPECT_GT(LocalHeaderLength(path), 12000u);
    EXPECT_EQ(o.open(path), OpenOutcome::MediaInspected) << o.t.shell.messages.join(u'|').toStdString();
    EXPECT_EQ(o.t.shell.properties.value(PropertyField::Length), u"00 : 00 : 01"_s);
}

TEST(OpenMedia, WhatCannotBeOpenedIsToldAndLeavesTheUrlBoxAlone)
{
    QTemporaryDir files;
    const auto file = [&](const char* name, const QByteArray& bytes) {
        return test::WriteFile(files, QString::fromLatin1(name), bytes);
    };
    QDir(files.path()).mkdir(u"folder.asx"_s);  // a folder named like a redirector is no file
    QFile huge(files.filePath(u"huge.log"_s));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(kMaxArchivedLogBytes + 1));
    huge.close();
    QByteArray big(kMaxRedirectorFileBytes + 1, ' ');
    big.replace(0, 9, "mms://h/a");
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const QString refused = u"http://127.0.0.1:%1/list.asx"_s.arg(closed.serverPort());
    closed.close();

    const QString cannotOpen = u"could not open local redirector file"_s;
    const QString localParse = u"Local parse error"_s;
    const QString notAsf = u"Local ASF extraction error"_s;
    const QStringList noWebData = {u"Redirector file contains no data"_s, u"Networked parse error"_s};
    const QStringList typeErrorLog = {kWorking, u"Media type / location error, could not load"_s};
    const auto logError = [](const char* line) { return QStringList{kLogShown, QString::fromUtf8(line), kLogFailed}; };
    const struct {
        QString location;
        QStringList messages;
        QStringList log;
        bool localFileMode = false;
        bool messageStarts = false;  // each message only starts as given
    } cases[] = {
        {u"Mms://host/a.asf"_s, {u"未知的媒介位置"_s}, {}},
        {u"mmst://h/a.asx"_s,
         {QStringLiteral("You are trying to access a redirector file type\nfrom a streaming MMS server. Only HTTP "
                         "servers\nhold redirector information files, please check\nyour URL entry and try again")},
         {}},
        {u"http://h/a.asp"_s,
         {QStringLiteral("Sorry, ASP formatted locations are not yet supported by Tovrin\n\nYou may need to examine "
                         "the ASP file to determine its media\nURLs or redirector locations first")},
         {}},
        {u"http://h/clip.wmv"_s, {u"您正嘗試到 HTTP 存取未支援的媒介類型。\n\nIf you know this"_s}, {}, false, true},
        // Unsupported combinations keep the log.
        {u"http://h/page"_s, {kTypeError}, typeErrorLog},
        {files.filePath(u"missing.asx"_s), {cannotOpen}, {}},
        {files.filePath(u"folder.asx"_s), {cannotOpen}, {}},
        {file("empty.asx", {}), {u"Error - local redirector file contains no data"_s, localParse}, {}},
        {file("none.asx", "<asx><ref href=\"http://x/a.asf\"/></asx>"),
         {u"Error in redirector file - no entries found"_s, localParse},
         {}},
        {file("big.asx", big), {u"Error - local redirector file is larger than 4 MiB"_s, localParse}, {}},
        {file("text.wmv", QByteArray(8000, 'x')), {QString(), notAsf}, {}, false, true},
        {files.filePath(u"gone.asf"_s), {QString(), notAsf}, {}, false, true},
        // A saved log that cannot be shown is told in the log only, in local
        // file mode, set before the log is read.
        {files.filePath(u"missing.log"_s), {}, logError("開啟記錄檔案發生錯誤"), true},
        {file("empty.log", {}), {}, logError("記錄檔案沒有包含資料"), true},
        {huge.fileName(), {}, logError("記錄檔案太大 (超過 16 MiB)"), true},
        {file("lines.log", QByteArray(kMaxArchivedLogLines + 1, '\n')),
         {},
         logError("記錄檔案太多行 (超過 200000 行)"),
         true},
        {refused, QStringList{u"HTTP redirector site failed to connect"_s} + noWebData, {}},
        {u"http:///list.asx"_s,
         QStringList{u"Could not connect to redirector URL, could be a broken link"_s} + noWebData,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.location.toStdString());
        Opener o;
        o.t.shell.url = u"mms://kept/x"_s;
        o.t.shell.urlList = {u"mms://kept/x"_s};
        EXPECT_EQ(o.open(c.location), OpenOutcome::Failed);
        ASSERT_EQ(o.t.shell.messages.size(), c.messages.size()) << o.t.shell.messages.join(u'|').toStdString();
        for (qsizetype i = 0; i < c.messages.size(); ++i) {
            const QString& shown = o.t.shell.messages.at(i);
            EXPECT_TRUE(c.messageStarts ? shown.startsWith(c.messages.at(i)) : shown == c.messages.at(i))
                << shown.toStdString();
        }
        EXPECT_EQ(o.t.shell.log, c.log);
        EXPECT_EQ(o.t.run.localFileMode, c.localFileMode);
        EXPECT_EQ(o.t.shell.url, u"mms://kept/x"_s);
        EXPECT_EQ(o.t.shell.urlList, QStringList{u"mms://kept/x"_s});
        EXPECT_FALSE(o.fetch.isBusy());
    }
    Opener o;
    o.open(u"http://h/clip.wmv"_s);
    EXPECT_TRUE(o.t.shell.messages.value(0).endsWith(u"able to copy the file that way - progressive download"_s));
}

// The open dialog ------------------------------------------------------------

TEST(OpenDialog, HistoryIsNewestFirstWithRepeatsAndAtMostTwenty)
{
    Opener o;
    OpenDialog& dialog = o.dialog;
    dialog.formShow();
    EXPECT_TRUE(dialog.history().isEmpty());
    EXPECT_TRUE(dialog.text().isEmpty());

    dialog.setText(u"  mms://a/b  "_s);
    EXPECT_EQ(dialog.okClick(), OpenOutcome::StreamAddress);
    EXPECT_FALSE(dialog.isOpen());
    EXPECT_EQ(o.t.session.mediaLocation, u"mms://a/b"_s);
    EXPECT_EQ(o.t.shell.mediaLocation, u"mms://a/b"_s);
    EXPECT_EQ(o.t.store.read(u"MediaList"_s), u"mms://a/b\r\n"_s);

    dialog.formShow();
    EXPECT_EQ(dialog.text(), u"mms://a/b"_s);
    dialog.okClick();
    EXPECT_EQ(o.t.store.read(u"MediaList"_s), u"mms://a/b\r\nmms://a/b\r\n"_s);

    for (int i = 1; i <= 20; ++i) {
        dialog.formShow();
        dialog.setText(u"mms://h/%1"_s.arg(i));
        dialog.okClick();
    }
    dialog.formShow();
    ASSERT_EQ(dialog.history().size(), 20);
    EXPECT_EQ(dialog.history().first(), u"mms://h/20"_s);
    EXPECT_EQ(dialog.history().last(), u"mms://h/1"_s);
    EXPECT_EQ(o.t.store.read(u"MediaList"_s).count(u"\r\n"_s), 20);
}

TEST(OpenDialog, OkWithoutATextOrWhileTheMediaIsBusyDoesNothing)
{
    Opener o;
    OpenDialog& dialog = o.dialog;
    dialog.formShow();
    for (const QString& text : {QString(), u" \t "_s}) {
        dialog.setText(text);
        EXPECT_FALSE(dialog.okClick());
        EXPECT_TRUE(dialog.isOpen());
    }
    dialog.setText(u"mms://a/b"_s);
    EXPECT_FALSE(dialog.okClick(true));
    EXPECT_TRUE(dialog.isOpen());
    EXPECT_EQ(o.t.shell.messages, QStringList{u"當尚在連接時，無法改變媒介"_s});
    o.t.shell.messages.clear();
    o.t.shell.calls.clear();
    EXPECT_TRUE(o.t.store.read(u"MediaList"_s).isEmpty());
    EXPECT_EQ(o.t.shell.log, QStringList{u"old line"_s});

    dialog.cancelClick();
    EXPECT_FALSE(dialog.isOpen());
    EXPECT_TRUE(o.t.shell.calls.isEmpty());
}

TEST(OpenDialog, OkClearsTheSaveLabelAndTheUrlBoxBeforeOpening)
{
    Opener o;
    o.t.session.savePath = u"/rec/old.wmv"_s;
    o.t.shell.url = u"mms://old/x"_s;
    o.t.shell.urlList = {u"mms://old/x"_s, u"mms://old/y"_s};
    o.dialog.formShow();
    o.dialog.setText(u"Mms://unknown"_s);
    EXPECT_EQ(o.dialog.okClick(), OpenOutcome::Failed);
    EXPECT_TRUE(o.t.session.savePath.isEmpty());
    EXPECT_TRUE(o.t.shell.saveLocation.isEmpty());
    EXPECT_TRUE(o.t.shell.url.isEmpty());
    EXPECT_TRUE(o.t.shell.urlList.isEmpty());
    // Even a location that cannot be opened is remembered.
    EXPECT_EQ(o.t.store.read(u"MediaList"_s), u"Mms://unknown\r\n"_s);
}

TEST(OpenDialog, BrowsePutsThePathInTheTextAndRemembersItsFolder)
{
    Opener o;
    OpenDialog& dialog = o.dialog;
    dialog.formShow();
    const QString picked = o.t.dir.filePath(u"clips/a.wmv"_s);
    o.t.shell.openFileAnswers.push_back(picked);
    dialog.browseClick();
    EXPECT_EQ(dialog.text(), picked);
    EXPECT_EQ(o.t.store.read(u"OpenDir"_s), o.t.dir.filePath(u"clips/"_s));
    ASSERT_TRUE(o.t.shell.lastOpenRequest);
    EXPECT_EQ(o.t.shell.lastOpenRequest->title, u"開啟本地檔案"_s);
    EXPECT_EQ(o.t.shell.lastOpenRequest->startFolder, QDir::currentPath());
    ASSERT_EQ(o.t.shell.lastOpenRequest->filters.size(), 5);
    EXPECT_EQ(o.t.shell.lastOpenRequest->filters.at(3), u"Tovrin 記錄檔案 (*.log)"_s);
    EXPECT_TRUE(o.t.store.read(u"MediaList"_s).isEmpty());  // nothing opened yet

    // Next time the chooser starts there; Cancel changes nothing.
    o.t.shell.openFileAnswers.push_back(std::nullopt);
    dialog.browseClick();
    EXPECT_EQ(o.t.shell.lastOpenRequest->startFolder, o.t.dir.filePath(u"clips/"_s));
    EXPECT_EQ(dialog.text(), picked);
}
