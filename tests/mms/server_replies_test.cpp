#include "mms/server_replies.h"
#include "locations/credentials.h"
#include "mms/server_access.h"
#include "mms/server_error.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "support/asf_builder.h"
#include "support/fake_shell.h"
#include "support/golden.h"
#include "support/golden_line.h"
#include "support/temp_settings.h"

#include <gtest/gtest.h>

using namespace tovrin;
using test::ServerCommand;
using namespace Qt::StringLiterals;
using tovrin::test::Line;
using tovrin::test::TestContext;

namespace {

// What a reading answered: the fields it lacked, then what it left in the
// run: packet size, packet count, live, bit rate, header length, server
// client count, funnel data, or else the credentials challenge.
QStringList Read(FieldsBeyondReply beyond, const RunState& run, const QString& challenge = {})
{
    QStringList lines;
    for (const FieldBeyondReply& field : beyond)
        lines << FieldBeyondReplyMessage(field);
    return lines << test::Line(run.packetSize.load(), run.filePacketCount.load(), run.isLive(),
                               run.streamBitRate.load(), run.headerLength.load(), run.serverClientCount.load(),
                               QString::fromLatin1(run.funnelData.toHex()), challenge);
}

}  // namespace

TEST(ServerReplies, EachReplyFillsItsFiguresAndOneCutShortKeepsWhatItLacks)
{
    RunState run, live, file, unknown;
    QStringList lines;
    lines << Read(
        ReadOpenFileReply(ServerCommand(0x06, 152, {{92, 3200}, {96, 0xFFFFFFFF}, {104, 364000}, {108, 5123}}), run),
        run);
    lines << Read(ReadOpenFileReply(ServerCommand(0x06, 104, {{92, 1600}, {96, 10}}), run), run);

    // A broadcast announced the MMSP way is live; a packet count wins over the attribute.
    lines << Read(ReadOpenFileReply(ServerCommand(0x06, 152, {{60, 0x02000000}}), live), live)
          << Read(ReadOpenFileReply(ServerCommand(0x06, 152, {{60, 0x02000000}, {96, 500}}), file), file)
          << Read(ReadOpenFileReply(ServerCommand(0x06, 0, 152), unknown), unknown);

    // Funnel reports append their payload and count; a message length that
    // claims more than the packet holds appends only what is there.
    RunState funnel;
    SessionState session;
    for (const QByteArray& report : {ServerCommand(0x15, 96, {{60, 4242}}).replace(80, 16, "0123456789abcdef"),
                                     ServerCommand(0x15, 0, 80), ServerCommand(0x15, 88, {{8, 100000}})})
        lines << Read(ReadFunnelReport(report, funnel, session), funnel);
    EXPECT_EQ(session.funnelReportCount.load(), 3u);

    // A credentials request appends the challenge text it has: zero-terminated,
    // the length counting the zero, and never past the packet.
    const QByteArray text = test::asf::Utf16(QStringLiteral("realm=\"媒體\""));
    for (const QByteArray& packet :
         {ServerCommand(0x1A, 96, {{48, std::uint32_t(text.size())}}).replace(52, text.size(), text),
          ServerCommand(0x1A, 64, {{48, 10}}).replace(52, 10, test::asf::Utf16(u"abcdef"_s, false)).first(64),
          ServerCommand(0x1A, 56, {{48, 0x7FFFFFFF}}).replace(52, 4, test::asf::Utf16(u"xy"_s, false))}) {
        ServerCredentials credentials;
        lines << Read(ReadCredentialsRequest(packet, credentials), RunState(), credentials.challenge);
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
    t.store.write(u"Auth"_s, u"Ym9i"_s);  // bob
    ServerCredentials credentials;
    const auto saved = [&] { return Line{QString::fromLatin1(credentials.encoded), t.store.read(u"Auth"_s)}; };
    // Cancel changes nothing; the prompt is prefilled with the saved user.
    lines << Line{AskServerCredentials(t.ctx, credentials)} << saved();
    const PasswordPrompt& prompt = t.shell.lastPasswordPrompt.value();
    lines << Line{prompt.site, prompt.realm, prompt.userId, prompt.password};
    t.shell.passwordAnswers.push_back(PasswordAnswer{u"bob"_s, u"secret"_s, true});
    lines << Line{AskServerCredentials(t.ctx, credentials)} << saved();
    // Unticked save forgets the saved credentials.
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
