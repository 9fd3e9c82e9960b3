#include "state/settings_access.h"

#include "state/app_context.h"
#include "state/app_error.h"
#include "state/settings_record.h"
#include "state/settings_store.h"
#include "state/shell.h"

namespace tovrin {

QString ReadSetting(AppContext& ctx, const QString& name)
{
    return ctx.store.read(name);
}

bool WriteSetting(AppContext& ctx, const QString& name, const QString& value)
{
    QString error;
    if (ctx.store.write(name, value, &error))
        return true;
    ReportError(ctx, error);
    return false;
}

bool SaveSettings(AppContext& ctx)
{
    SettingsRecord& s = ctx.settings;
    const bool written =
        WriteSetting(ctx, QStringLiteral("TCPPort"), s.serverSocket)
        && WriteSetting(ctx, QStringLiteral("UDPPort"), s.udpPort)
        && WriteSetting(ctx, QStringLiteral("LastProto"), s.udpTick ? QStringLiteral("UDP") : QStringLiteral("TCP"))
        && WriteSetting(ctx, QStringLiteral("DNSState"), s.bypassDns ? QStringLiteral("IP") : QStringLiteral("Lookup"))
        && WriteSetting(ctx, QStringLiteral("AutoLog"), s.autoLogTick ? QStringLiteral("on") : QStringLiteral("off"))
        && WriteSetting(ctx, QStringLiteral("Reconnect"), QString::number(s.reconnect))
        && WriteSetting(ctx, QStringLiteral("StreamChoice"), s.streamChoice)
        && WriteSetting(ctx, QStringLiteral("MaxBitRate"), QString::number(s.maxBitRate))
        && WriteSetting(ctx, QStringLiteral("Proxy"), s.proxy.trimmed())
        && WriteSetting(ctx, QStringLiteral("PlayerName"), s.playerName)
        && WriteSetting(ctx, QStringLiteral("SplitEvery"), s.splitEvery)
        && WriteSetting(ctx, QStringLiteral("SplitOnClock"),
                        s.splitOnClock ? QStringLiteral("on") : QStringLiteral("off"))
        && WriteSetting(ctx, QStringLiteral("SplitSize"), s.splitSize)
        && WriteSetting(ctx, QStringLiteral("NameTemplate"), s.nameTemplate);
    if (!written || s.udpPort == s.loadedUdpPort)
        return false;

    const QString question = QStringLiteral(
        "Your UDP selection has changed port value\n"
        "You must restart the Tovrin application before the\n"
        "new UDP port setting will take effect !\n\n"
        "Close Tovrin now for your restart ?\n"
        "Any data will be saved");
    if (ctx.shell.confirm(question))
        return true;
    ctx.shell.showMessage(QStringLiteral("Using original UDP port setting"));
    // The original port, in the record and in the store, so the next start
    // binds it too.
    s.udpPort = s.loadedUdpPort;
    WriteSetting(ctx, QStringLiteral("UDPPort"), s.udpPort);
    return false;
}

}  // namespace tovrin
