#include "asf/recording_file.h"
#include "locations/credentials.h"
#include "mms/server_replies.h"
#include "run/progress.h"
#include "run/save_file_choice.h"
#include "run/server_access.h"
#include "run/server_error.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "support/asf_builder.h"
#include "support/asf_sample.h"
#include "support/core_app.h"
#include "support/fake_shell.h"
#include "support/golden.h"
#include "support/golden_line.h"
#include "support/temp_settings.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace tovrin;
using test::ServerCommand;
using namespace Qt::StringLiterals;
using tovrin::test::Line;
using tovrin::test::TestContext;

namespace {

// What a reading answered: the fields it lacked, then what it read: packet
// size, packet count, live, bit rate, header length; server client count
// and funnel data; or the credentials challenge.
QStringList Told(const FieldsBeyondReply& beyond, const QString& read)
{
    QStringList lines;
    for (const FieldBeyondReply& field : beyond)
        lines << FieldBeyondReplyMessage(field);
    return lines << read;
}

QStringList Read(const ReadReply<OpenFileFigures>& reply)
{
    const OpenFileFigures& f = reply.value;
    return Told(reply.beyond, Line(f.packetSize, f.packetCount, f.live, f.bitRate, f.headerLength));
}

}  // namespace

TEST(ServerReplies, EachReplyAnswersItsFiguresAndOneCutShortTellsWhatItLacks)
{
    QStringList lines;
    lines << Read(
        ReadOpenFileReply(ServerCommand(0x06, 152, {{92, 3200}, {96, 0xFFFFFFFF}, {104, 364000}, {108, 5123}})));
    lines << Read(ReadOpenFileReply(ServerCommand(0x06, 104, {{92, 1600}, {96, 10}})));

    // A broadcast announced the MMSP way is live; a packet count wins over the attribute.
    lines << Read(ReadOpenFileReply(ServerCommand(0x06, 152, {{60, 0x02000000}})))
          << Read(ReadOpenFileReply(ServerCommand(0x06, 152, {{60, 0x02000000}, {96, 500}})))
          << Read(ReadOpenFileReply(ServerCommand(0x06, 152)));

    // Funnel reports answer their payload and client count; a message length
    // that claims more than the packet holds answers only what is there.
    for (const QByteArray& report : {ServerCommand(0x15, 96, {{60, 4242}}).replace(80, 16, "0123456789abcdef"),
                                     ServerCommand(0x15, 80), ServerCommand(0x15, 88, {{8, 100000}})}) {
        const ReadReply<FunnelReport> read = ReadFunnelReport(report);
        lines << Told(read.beyond,
                      Line(read.value.clientCount.value_or(0), QString::fromLatin1(read.value.payload.toHex())));
    }

    // A credentials request answers the challenge text it has: zero-terminated,
    // the length counting the zero, and never past the packet.
    const QByteArray text = test::asf::Utf16(QStringLiteral("realm=\"媒體\""));
    for (const QByteArray& packet :
         {ServerCommand(0x1A, 96, {{48, std::uint32_t(text.size())}}).replace(52, text.size(), text),
          ServerCommand(0x1A, 64, {{48, 10}}).replace(52, 10, test::asf::Utf16(u"abcdef"_s, false)).first(64),
          ServerCommand(0x1A, 56, {{48, 0x7FFFFFFF}}).replace(52, 4, test::asf::Utf16(u"xy"_s, false))}) {
        const ReadReply<QString> read = ReadCredentialsRequest(packet);
        lines << Told(read.beyond, read.value);
    }
    EXPECT_GOLDEN("mms/server_replies", lines);
}

TEST(ServerAccess, TheHostIsTakenOrTheAddressRefusedAndCredentialsAreSavedOnlyWhenAsked)
{
    // Each step's answer, then the server host or the encoded credentials and
    // the saved ones; then the shell calls.
    TestContext t;
    QStringList lines{Line{ExtractServerHost(t.ctx, u"mms://host:8080/f"_s), t.run.serverHost},
                      Line{ExtractServerHost(t.ctx, u"mms://other/"_s), t.run.serverHost}};
    t.run.serverHost = u"media.example"_s;
    test::WriteSettings(t.store, u"Auth=Ym9i AuthHost=media.example");  // bob, for this server
    ServerCredentials credentials;
    const auto saved = [&] { return Line{credentials.encoded, t.store.read(u"Auth"_s), t.store.read(u"AuthHost"_s)}; };
    // Cancel changes nothing; the prompt is prefilled with the saved user.
    lines << Line{AskServerCredentials(t.ctx, credentials)} << saved();
    const PasswordPrompt& prompt = t.shell.lastPasswordPrompt.value();
    lines << Line{prompt.site, prompt.realm, prompt.userId, prompt.password};
    t.shell.passwordAnswers.push_back(PasswordAnswer{u"bob"_s, u"secret"_s, true});
    lines << Line{AskServerCredentials(t.ctx, credentials)} << saved();
    // An empty user name is never saved; the command line's answer keeps the
    // saved credentials; unticked save forgets them.
    AcceptPassword(t.ctx, credentials, {QString(), u"x"_s, true});
    lines << saved();
    AcceptPassword(t.ctx, credentials, {u"eve"_s, u"x"_s, false, true});
    lines << saved();
    AcceptPassword(t.ctx, credentials, {u"eve"_s, u"x"_s, false});
    lines << saved() << t.shell.calls;
    EXPECT_GOLDEN("mms/server_access", lines);
}

TEST(ServerErrorReport, EachCodeIsToldInTheLogAndOneMessageBox)
{
    // Known codes; the WinSock range, inclusive, given as its low word in
    // decimal; unknown codes, which ask to be reported.
    QStringList lines;
    for (const std::uint32_t code :
         {0xC00D0006u, 0x80070005u, 0x80072745u, 0x80072711u, 0x80072AFCu, 0x80072AFDu, 0x80072710u, 0xC00D0099u}) {
        test::FakeShell shell;
        ReportServerError(shell, code);
        lines << QStringLiteral("--- %1").arg(code, 8, 16) << shell.calls;
    }
    EXPECT_GOLDEN("mms/server_errors", test::SplitLines(lines));
}

TEST(RefreshTick, ShowsLiveOrTheProgressRemainingTimeAndCountersOfAFile)
{
    const auto tick = [](TestContext& c) { AnnounceStreamStart(c.ctx), RefreshTick(c.ctx); };
    // Live: live everywhere and the gauge left alone.
    TestContext live;
    live.run.filePacketCount = kLivePacketCount;
    live.run.mediaTime = 61000;
    live.run.packetIndex = 12;
    tick(live);
    QStringList lines = live.shell.calls;

    // No packet count yet: the caption is kept.
    TestContext t;
    t.shell.caption = QStringLiteral("Tovrin 動作");
    lines << QStringLiteral("--- file");
    RefreshTick(t.ctx);
    t.run.filePacketCount = 200;
    t.run.packetIndex = 50;
    t.run.headerSendDuration = 90000;
    t.run.mediaTime = 30000;
    t.run.maxBitRate = 128999;
    t.run.streamBitRate = 64000;
    t.run.packetSize = 3200;
    t.run.ackCount = 3;
    t.run.streamCount = 2;
    t.run.serverClientCount = 77;
    // The transport in use is named, not the setting ticked since.
    t.settings.udpTick = true;
    tick(t);
    // Beyond the announced count and duration: held at 100 % and nothing left, never a wrapped figure.
    t.run.packetIndex = 250;
    t.run.mediaTime = 95000;
    t.run.dataOverUdp = true;
    tick(t);
    lines += t.shell.calls;
    EXPECT_GOLDEN("mms/progress_ticks", lines);
}

TEST(CompletionSound, RepeatsAtTheDoneIntervalAndTreatsNonNumbersAsTenSeconds)
{
    for (const auto& [text, ms] :
         {std::pair{"10", 10000}, {" 3 ", 3000}, {"0", 0}, {"ten", 10000}, {"", 10000}, {"-5", 10000}})
        EXPECT_EQ(SoundRepeatInterval(QString::fromUtf8(text)), ms) << text;
}

TEST(OpenSaveFile, AsksWhereToSaveThenCreatesResumesOrStartsNothing)
{
    TestContext t;
    const QString folder = t.dir.filePath(u"media"_s), path = folder + u"/clip.wmv"_s;
    QDir().mkpath(folder);
    t.run.defaultSaveName = u"clip.wmv"_s;
    std::unique_ptr<RecordingFile> file;
    QStringList lines;
    // An attempt as a controller makes it, the last run's file let go first;
    // then its answer, the save path, the remembered folder, resume, and the
    // file's size and bytes.
    const auto attempt = [&](const char* what, std::optional<QString> answer, const QByteArray& existing,
                             std::deque<ResumeChoice> resume = {}) {
        EXPECT_TRUE(test::WriteWholeFile(path, existing));
        t.shell.saveFileAnswers = {answer};
        t.shell.resumeAnswers = resume;
        file.reset();
        file = OpenSaveFile(t.ctx);
        lines << u"--- "_s + QLatin1String(what)
              << test::Line(bool(file), t.session.savePath, t.store.read(u"AsfDir"_s), t.run.resume.load(),
                            file ? file->size().value_or(-1) : -1, QString::fromLatin1(test::ReadWholeFile(path)));
    };
    t.store.write(u"AsfDir"_s, u"/earlier/"_s);
    attempt("chooser cancelled", std::nullopt, "recorded data");
    // Asked in the remembered folder; an empty file is replaced without asking.
    attempt("new file", path, {});
    const SaveFileRequest& r = t.shell.lastSaveRequest.value();
    lines << test::Line(int(r.kind), r.title, r.filter, r.defaultExtension, r.defaultName, r.startFolder,
                        r.overwritePrompt);
    // The resume dialog decides what happens to a file with data; the folder
    // is remembered even when it is cancelled.
    t.store.write(u"AsfDir"_s, u"/earlier/"_s);
    attempt("resume cancelled", path, "recorded data", {ResumeChoice::Cancel});
    attempt("resumed", path, "recorded data", {ResumeChoice::Resume});
    // Downloaded again, the file keeps its data until the new header.
    attempt("downloaded again", path, "recorded data", {ResumeChoice::Redownload});
    file->writeHeader("header");
    lines << QString::fromLatin1(test::ReadWholeFile(path));
    // A new file in a missing folder; a folder (holding data) to resume.
    attempt("missing folder", t.dir.filePath(u"missing/clip.wmv"_s), "x");
    attempt("a folder", folder, "x", {ResumeChoice::Resume});
    lines << t.shell.calls;
    EXPECT_GOLDEN("mms/save_file_choice", lines.join(u'\n').replace(t.dir.path(), u"<dir>"_s).split(u'\n'));
}
