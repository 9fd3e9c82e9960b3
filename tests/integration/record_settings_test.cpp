// What tovrin-cli record takes from the window's settings file.

#include "support/asf_sample.h"
#include "support/recording_checks.h"
#include "support/server_process.h"
#include "support/temp_settings.h"
#include "support/workspace.h"

#include <QUdpSocket>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace tovrin::test;
using namespace Qt::StringLiterals;

// With UDP ticked in the window, whose UDP port is held by another program:
// MMS over HTTP never binds it; MMS tries UDP and says both that it took UDP
// from the window's settings and that the port cannot be used; --tcp records
// over TCP.
TEST(RecordSettings, OnlyAUdpRunBindsTheUdpPortAndTheLogNamesTheSettingsTaken)
{
    Workspace w;
    QUdpSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress::Any, 0));
    SettingsStore store(w.config + u"/Tovrin Streaming/Tovrin.conf"_s);
    WriteSettings(store, u"LastProto=UDP UDPPort=%1"_s.arg(holder.localPort()));
    ServerProcess server(w.media, Args(u"--rate 0 --http-port 0"));
    ASSERT_TRUE(server.started());
    const auto record = [&](const QString& url, const QString& name, const QStringList& extra = {}) {
        return RunCli(Args(u"record") << url << u"-o"_s << w.out(name) << extra, w.config);
    };
    const CliOutcome overHttp = record(server.mmshUrl(u"clip.wmv"_s), u"h.wmv"_s);
    EXPECT_EQ(overHttp.exitCode, 0) << overHttp.err.toStdString();
    ExpectSameAsSource(w.out(u"h.wmv"_s), w.source());

    const CliOutcome udp = record(server.url(u"clip.wmv"_s), u"u.wmv"_s);
    EXPECT_EQ(udp.exitCode, 1);
    EXPECT_TRUE(udp.err.contains(u"- 沿用視窗的設定: UDP 協定 (埠號 %1)"_s.arg(holder.localPort())))
        << udp.err.toStdString();
    EXPECT_TRUE(udp.err.contains(u"UDP 埠號 %1 無法使用"_s.arg(holder.localPort())));

    const CliOutcome tcp = record(server.url(u"clip.wmv"_s), u"t.wmv"_s, Args(u"--tcp"));
    EXPECT_EQ(tcp.exitCode, 0) << tcp.err.toStdString();
    EXPECT_TRUE(tcp.err.contains(u"- 接收 TCP 串流 -"_s));
    EXPECT_FALSE(tcp.err.contains(u"沿用視窗的設定"_s));
}
