#include "state/app_error.h"
#include "state/settings_access.h"
#include "state/settings_record.h"
#include "state/settings_store.h"
#include "support/golden.h"
#include "support/golden_line.h"
#include "support/temp_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;
using namespace tovrin::test;

TEST(SettingsStore, MissingValuesReadEmptyAndWritingCreatesTheStoreOwnerOnly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"nested/folder/Tovrin.conf"_s);
    SettingsStore store(path);
    EXPECT_EQ(store.read(u"TCPPort"_s), QString());
    EXPECT_FALSE(QFileInfo::exists(path)) << "reading must never create the store";

    ASSERT_TRUE(store.write(u"URLList"_s, u"mms://a/b.wmv\r\nmms://c/直播\r\n"_s));
    EXPECT_EQ(store.read(u"URLList"_s), u"mms://a/b.wmv\r\nmms://c/直播\r\n"_s);
    // Read and write for the owner (and the user, who is the owner), nothing for group or others.
    EXPECT_EQ(QFileInfo(path).permissions() & 0x66ff,
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);

    ASSERT_TRUE(store.write(u"URLList"_s, QString()));
    EXPECT_EQ(store.read(u"URLList"_s), QString());
}

// Only exact words check the flags: the comparison is case-sensitive.
// Saving asks only when the UDP port changed: No puts the old port back into
// the record and keeps the new one stored; Yes tells the caller to close the
// program.
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
struct CountingStopper : RunStopper {
    int stops = 0;
    void stopRun() override { ++stops; }
};
}  // namespace

TEST(ApplicationErrorHandler, EndsTheRunWithoutFixUpsButASettingThatCannotBeWrittenDoesNot)
{
    TestContext t;
    CountingStopper stopper;
    t.ctx.stopper = &stopper;
    HandleApplicationError(t.ctx, u"Windows socket 錯誤: 10061"_s);
    QStringList lines{Line(t.run.liveHeaderFixed, t.run.packetCountFixed, stopper.stops)};

    // A settings file that cannot be written (a folder stands in its place)
    // is told, and the recording goes on with its fix-ups still to come.
    t.run.reset();
    const QString blocked = t.dir.filePath(u"blocked.conf"_s);
    QDir().mkpath(blocked);
    SettingsStore store(blocked);
    AppContext ctx{t.shell, store, t.settings, t.run, t.session, &stopper};
    const bool written = WriteSetting(ctx, u"AsfDir"_s, u"/x/"_s);
    lines << Line(written, t.run.liveHeaderFixed, t.run.packetCountFixed, stopper.stops);
    EXPECT_GOLDEN("state/application_error", lines << OneLineEach(t.shell.calls));
}
