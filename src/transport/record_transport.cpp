#include "transport/record_transport.h"

#include "asf/run_names.h"
#include "locations/location_class.h"
#include "locations/player_name.h"
#include "mms/mms_link.h"
#include "mmsh/mmsh_link.h"
#include "state/app_context.h"
#include "state/settings_record.h"
#include "state/shell.h"

#include <QCoreApplication>
#include <QUrl>

namespace tovrin {

std::optional<Transport> TransportNamed(const QString& name)
{
    if (name == QLatin1String("auto"))
        return Transport::Auto;
    if (name == QLatin1String("mmst"))
        return Transport::Mmst;
    if (name == QLatin1String("mmsu"))
        return Transport::Mmsu;
    if (name == QLatin1String("mmsh"))
        return Transport::Mmsh;
    return std::nullopt;
}

QString MmshAddress(const QString& address, quint16 httpPort)
{
    const qsizetype scheme = address.indexOf(QStringLiteral("://"));
    if (scheme < 0)
        return address;
    QUrl url(QStringLiteral("mmsh") + address.mid(scheme));
    if (!url.isValid())
        return address;
    url.setPort(httpPort == 80 ? -1 : httpPort);
    return url.toString(QUrl::FullyEncoded);
}

namespace {

bool IsMmshAddress(const QString& address)
{
    return address.startsWith(QLatin1String("mmsh://"), Qt::CaseInsensitive);
}

// An MMSH address taken apart. An HTTP server may publish its stream at its
// root (VLC does): the recording is then named after the server.
std::optional<LinkTarget> MmshTarget(AppContext& ctx, const QString& address)
{
    LinkTarget target;
    target.url = address.trimmed();
    const QUrl parsed(target.url);
    if (!parsed.isValid() || parsed.host().isEmpty()) {
        ctx.shell.showMessage(QStringLiteral("Please check URL entry, invalid IP/Host"));
        return std::nullopt;
    }
    if (parsed.path().size() <= 1 && !parsed.hasQuery()) {
        target.serverHost = parsed.authority();
        target.defaultSaveName = parsed.host() + QStringLiteral("_live.asf");
        return target;
    }
    const std::optional<QString> host = ServerHostOf(target.url);
    if (!host) {
        ctx.shell.showMessage(QStringLiteral("The URL is invalid, bad '/' or missing filename"));
        return std::nullopt;
    }
    target.serverHost = *host;
    QString url = target.url;
    const std::optional<StreamNames> names = NamesOfStream(url);
    if (!names) {
        ctx.shell.showMessage(QStringLiteral("Please check URL entry, invalid path"));
        return std::nullopt;
    }
    target.streamPath = names->streamPath;
    target.defaultSaveName = names->defaultSaveName;
    return target;
}

std::optional<LinkTarget> MmsTarget(AppContext& ctx, const QString& address)
{
    LinkTarget target;
    const std::optional<QString> host = ServerHostOf(address);
    if (!host) {
        ctx.shell.showMessage(QStringLiteral("The URL is invalid, bad '/' or missing filename"));
        ctx.shell.showMessage(QStringLiteral("Please check URL entry, invalid IP/Host"));
        return std::nullopt;
    }
    target.serverHost = *host;
    QString url = address;
    const std::optional<StreamNames> names = NamesOfStream(url);
    target.url = url;
    if (!names) {
        ctx.shell.showMessage(QStringLiteral("Please check URL entry, invalid path"));
        return std::nullopt;
    }
    target.streamPath = names->streamPath;
    target.defaultSaveName = names->defaultSaveName;
    return target;
}

// A player name set that no request can carry is told before the run.
bool PlayerNameUsable(AppContext& ctx)
{
    const QString refusal = PlayerNameRefusal(ctx.settings.playerName);
    if (refusal.isEmpty())
        return true;
    ctx.shell.showMessage(
        QCoreApplication::translate("Tovrin", "無法使用播放器名稱「%1」: %2\n請在「設定」的「播放器名稱」修改")
            .arg(ctx.settings.playerName, refusal));
    return false;
}

}  // namespace

RecordTransport::RecordTransport(AppContext& ctx, Transport transport, quint16 httpPort)
    : m_ctx(ctx), m_transport(transport), m_httpPort(httpPort)
{
}

LinkFactory::Verdict RecordTransport::accepts(AppContext& ctx, const QString& address)
{
    if (IsMmshAddress(address))
        return PlayerNameUsable(ctx) ? Verdict::Accepted : Verdict::Refused;
    Shell& shell = ctx.shell;
    if (address.isEmpty()) {
        shell.showMessage(
            QCoreApplication::translate("Tovrin", "沒有給予網址\n請使用「檔案」->「開啟」之後輸入媒介位置。"));
        return Verdict::Refused;
    }
    if (ClassifyLocation(address) & (lcHttp | lcRedirector | lcAsp)) {
        shell.showMessage(QCoreApplication::translate(
            "Tovrin", "您只能直接輸入「MMS://」位置進入這個網址視窗\n請使用「檔案」->「開啟」替代"));
        return Verdict::RefusedAndCleared;
    }
    if (m_transport != Transport::Mmsh && ctx.settings.serverSocket.isEmpty()) {
        shell.showMessage(QStringLiteral("No TCP Port number\nUse Setup -> TCP (default = 1755)"));
        return Verdict::Refused;
    }
    return PlayerNameUsable(ctx) ? Verdict::Accepted : Verdict::Refused;
}

std::optional<LinkTarget> RecordTransport::target(AppContext& ctx, const QString& address)
{
    if (!IsMmshAddress(address)) {
        m_address = address;
        m_onMmsh = m_transport == Transport::Mmsh;
        if (!m_onMmsh)
            return MmsTarget(ctx, address);
        return MmshTarget(ctx, MmshAddress(address, m_httpPort));
    }
    m_onMmsh = true;
    return MmshTarget(ctx, address);
}

std::unique_ptr<TransportLink> RecordTransport::create(std::shared_ptr<RunEventQueue> events)
{
    const SettingsRecord& settings = m_ctx.settings;
    const QString playerName = PresentedPlayerName(settings.playerName).value_or(kDefaultPlayerName);
    if (m_onMmsh)
        return std::make_unique<MmshLink>(std::move(events), m_httpPort, ProxyConfigOf(m_ctx), playerName);
    MmsLinkSettings mms;
    mms.serverPort = settings.serverSocket;
    mms.bypassDns = settings.bypassDns;
    mms.overUdp = settings.udpTick;
    mms.udpPort = settings.loadedUdpPort;
    mms.proxies = ProxyConfigOf(m_ctx);
    mms.playerName = playerName;
    return std::make_unique<MmsLink>(mms, std::move(events), m_datagrams);
}

std::optional<Rollover> RecordTransport::rollOver()
{
    if (m_transport != Transport::Auto || m_onMmsh)
        return std::nullopt;
    const QString address = MmshAddress(m_address, m_httpPort);
    return Rollover{
        address, QCoreApplication::translate("Tovrin", "- MMS 連線被拒絕或在回覆之前關閉，改用 MMSH: %1").arg(address)};
}

}  // namespace tovrin
