#include "state/app_error.h"
#include "state/format_time.h"
#include "state/run_reset.h"
#include "state/settings_access.h"
#include "state/settings_record.h"
#include "state/settings_store.h"
#include "state/window_state.h"
#include "support/golden.h"
#include "support/golden_line.h"
#include "support/temp_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace tovrin::test;
using namespace Qt::StringLiterals;

TEST(SettingsStore, MissingValuesReadEmptyAndWritingCreatesTheStoreOwnerOnly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"nested/folder/Tovrin.conf"_s);
    SettingsStore store(path);
    const QString list = u"mms://a/b.wmv\r\nmms://c/直播\r\n"_s;
    // Reading never creates the store; it is for the owner (and the user, who
    // is the owner) to read and write, nothing for group or others.
    EXPECT_EQ((Line{store.read(u"TCPPort"_s), QFileInfo::exists(path), store.write(u"URLList"_s, list),
                    store.read(u"URLList"_s), QFileInfo(path).permissions() & 0x66ff,
                    store.write(u"URLList"_s, QString()), store.read(u"URLList"_s)}),
              Line(QString(), false, true, list,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser,
                   true, QString()));
}

// Only exact words check the flags: the comparison is case-sensitive.
// Saving asks only when the UDP port changed: No puts the old port back into
// the record and the store; Yes tells the caller to close the program.
TEST(SettingsRecord, LoadsTheDefaultsOrTheWordPairsAndSavingAsksOnlyWhenTheUdpPortChanged)
{
    TestContext t;
    QStringList lines;
    for (const QString& stored : {QString(), u"TCPPort=8080 UDPPort=7010 LastProto=udp DNSState=IP AutoLog=on"_s}) {
        WriteSettings(t.store, stored);
        const SettingsRecord r = LoadSettings(t.store);
        lines << Line(r.serverSocket, r.udpPort, r.loadedUdpPort, r.doneInterval, r.udpTick, r.bypassDns,
                      r.autoLogTick);
    }
    TestContext s;
    s.settings = LoadSettings(s.store);
    s.settings.udpTick = true;
    s.settings.autoLogTick = true;
    lines << Line(SaveSettings(s.ctx));
    ExpectStored(s.store, u"TCPPort=1755 UDPPort=7000 LastProto=UDP DNSState=Lookup AutoLog=on");
    for (const QString& port : {u"7100"_s, u"7200"_s}) {
        s.settings.udpPort = port;
        s.shell.confirmAnswers.push_back(port == u"7200"_s);
        const bool closeNow = SaveSettings(s.ctx);
        lines << Line(port, "->", closeNow, s.settings.udpPort, s.store.read(u"UDPPort"_s));
    }
    EXPECT_GOLDEN("state/settings_record", lines << OneLineEach(s.shell.calls));
}

namespace {
// A test context whose stop routine notes each stop among the shell's calls,
// where its order shows, and a context whose store cannot be written (a
// folder stands in its place).
struct StoppingContext : TestContext, RunStopper {
    StoppingContext()
    {
        ctx.stopper = this;
        QDir().mkpath(dir.filePath(u"blocked.conf"_s));
    }
    void stopRun() override { shell.calls << u"stopRun"_s; }
    SettingsStore blockedStore{dir.filePath(u"blocked.conf"_s)};
    AppContext blocked{shell, blockedStore, settings, run, session, this};
};
}  // namespace

TEST(ApplicationErrorHandler, EndsTheRunWithoutFixUpsButASettingThatCannotBeWrittenDoesNot)
{
    StoppingContext t;
    HandleApplicationError(t.ctx, u"Windows socket 錯誤: 10061"_s);
    t.shell.calls << Line(t.run.liveHeaderFixed, t.run.packetCountFixed);
    // A settings file that cannot be written is told, and the recording goes
    // on with its fix-ups still to come.
    t.run.reset();
    t.shell.calls << Line{WriteSetting(t.blocked, u"AsfDir"_s, u"/x/"_s), t.run.liveHeaderFixed,
                          t.run.packetCountFixed};
    EXPECT_GOLDEN("state/application_error", OneLineEach(t.shell.calls));
}

// Nothing stored gives the design geometry; a size below the minimum and a
// negative left are kept; a geometry value that is not a number must not
// cost the URL box.
TEST(WindowState, EachStoredValueIsAppliedOnItsOwnAndTheCloseSequenceStopsTheRunBeforeItWrites)
{
    QStringList lines;
    for (const QString& stored :
         {QString(), u"Width=200 Height=100 FormLeft=-8 FormTop=40"_s,
          u"Height=tall Width=500 URLSelected=mms://b/2 URLList=mms://a/1.wmv\r\nmms://b/2\nmms://c/3.asf\r"_s}) {
        TestContext t;
        WriteSettings(t.store, stored);
        const WindowState s = LoadWindowState(t.store);
        lines << Line(stored, "->", s.height, s.width, s.left, s.top, s.urlSelected, s.urlList);
    }
    // The close sequence stops the run before it writes, and keeps the URL list.
    StoppingContext t;
    WindowState state;
    state.urlList = {u"mms://a/1.wmv"_s, u"mms://b/2"_s, u"mms://c/3.asf"_s};
    state.urlSelected = u"mms://b/2"_s;
    state.width = 600;
    state.left = -8;
    RunCloseSequence(t.ctx, state);
    t.shell.calls << u"stored URLList "_s + t.store.read(u"URLList"_s);
    const WindowState back = LoadWindowState(t.store);
    t.shell.calls << Line("loaded back", back.urlList, back.urlSelected, back.width, back.left);

    // A store that cannot be written still lets the stop routine run first.
    RunCloseSequence(t.blocked, state);
    EXPECT_GOLDEN("state/window_state", lines << OneLineEach(t.shell.calls));
}

// The display is cleared in order and the run reset, but the session stays:
// an earlier run's packets would otherwise count as this one's.
TEST(ResetRun, ClearsTheDisplayInOrderAndTheRunButNotTheSession)
{
    TestContext t;
    t.shell.log << QStringLiteral("old line");
    t.run.packetIndex = 77;
    t.run.serverHost = QStringLiteral("host");
    t.run.receivedPackets.expect(5, 2);
    SessionState& s = t.session;
    s.streamNumbers[0] = 3;
    s.streamActions[0] = 1;
    s.savePath = QStringLiteral("/rec/a.wmv");
    s.mediaLocation = QStringLiteral("mms://host/a");

    ResetRun(t.ctx);
    t.shell.calls << Line("log", t.shell.log, "mode", int(t.shell.mode), "run", t.run.packetIndex.load(),
                          t.run.serverHost, t.run.receivedPackets.tracking());
    EXPECT_GOLDEN("state/reset_run", t.shell.calls << Line("session", s.streamNumbers[0], s.streamActions[0],
                                                           s.savePath, s.mediaLocation));
}

// Each part has two digits at least, hours are unbounded, the last
// millisecond rounds up and the top value does not overflow.
TEST(FormatTime, PadsRoundsAndLeavesHoursUnbounded)
{
    const std::pair<std::uint32_t, const char*> table[] = {
        {0, "00 : 00 : 00"},          {998, "00 : 00 : 00"},          {999, "00 : 00 : 01"},
        {9000, "00 : 00 : 09"},       {61000, "00 : 01 : 01"},        {3600000, "01 : 00 : 00"},
        {360000000, "100 : 00 : 00"}, {4294967295u, "1193 : 02 : 47"}};
    for (auto [ms, text] : table)
        EXPECT_EQ(FormatTime(ms), QString::fromLatin1(text)) << ms;
}
