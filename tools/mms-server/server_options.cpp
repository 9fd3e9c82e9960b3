#include "mms-server/server_options.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <cmath>

namespace tovrin::mmsserver {

namespace {

ParsedOptions failure(const QString& message)
{
    ParsedOptions parsed;
    parsed.message = QStringLiteral("tovrin-mms-server: %1\nTry --help.").arg(message);
    parsed.exitCode = 2;
    return parsed;
}

std::optional<double> number(const QString& text, double low, double high)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < low || value > high)
        return std::nullopt;
    return value;
}

}  // namespace

ParsedOptions ParseServerOptions(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "An MMS (MS-MMSP over TCP, data over TCP or UDP) server for tests: serves the ASF files under a\n"
        "folder on demand (mms://host/NAME) and publishes live points that replay files in a loop."));
    const QCommandLineOption listen(QStringLiteral("listen"),
                                    QStringLiteral("Address to listen on (default 127.0.0.1)."), QStringLiteral("ADDR"),
                                    QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("TCP port for MMS, which answers HTTP requests over MMSH too; "
                                                 "0 picks a free one (default 1755)."),
                                  QStringLiteral("PORT"), QStringLiteral("1755"));
    const QCommandLineOption httpPort(QStringLiteral("http-port"),
                                      QStringLiteral("Serve the same names over MMSH (mmsh://, MMS over HTTP) on this "
                                                     "TCP port too; 0 picks a free one."),
                                      QStringLiteral("PORT"));
    const QCommandLineOption root(
        QStringLiteral("root"), QStringLiteral("Folder of the .asf/.wmv/.wma files served (default: current folder)."),
        QStringLiteral("DIR"), QStringLiteral("."));
    const QCommandLineOption rate(QStringLiteral("rate"),
                                  QStringLiteral("Pace: 1 real time, 10 ten times faster, 0 as fast as the "
                                                 "connection takes them (default 1). Live points always run "
                                                 "in real time."),
                                  QStringLiteral("FACTOR"), QStringLiteral("1"));
    const QCommandLineOption live(
        QStringLiteral("live"),
        QStringLiteral("Publish mms://host/NAME replaying FILE in a loop on a broadcast clock; with several FILEs, "
                       "airing them in turn, the last followed by the first, and moving each client on at an "
                       "entry's end as a playlist does (see --playlist), to what airs then (repeatable)."),
        QStringLiteral("NAME=FILE,..."));
    const QCommandLineOption liveStyle(QStringLiteral("live-style"),
                                       QStringLiteral("How the open-file reply marks a live point: 'count' (packet "
                                                      "count 0xFFFFFFFF, default) or 'mmsp' (packet count 0); "
                                                      "both set the broadcast attribute."),
                                       QStringLiteral("STYLE"), QStringLiteral("count"));
    const QCommandLineOption auth(QStringLiteral("auth"),
                                  QStringLiteral("Ask for Basic credentials and accept only these."),
                                  QStringLiteral("USER:PASSWORD"));
    const QCommandLineOption error(QStringLiteral("error"),
                                   QStringLiteral("Answer every open-file command with this result code "
                                                  "(e.g. 0xC00D001A)."),
                                   QStringLiteral("HRESULT"));
    const QCommandLineOption dropAfter(QStringLiteral("drop-after"),
                                       QStringLiteral("Close each connection after N media packets."),
                                       QStringLiteral("N"));
    const QCommandLineOption pingInterval(QStringLiteral("ping-interval"),
                                          QStringLiteral("Send a keep-alive after S seconds of silence (default 30)."),
                                          QStringLiteral("S"), QStringLiteral("30"));
    const QCommandLineOption maxClients(QStringLiteral("max-clients"),
                                        QStringLiteral("Refuse connections beyond N at once (default 64)."),
                                        QStringLiteral("N"), QStringLiteral("64"));
    const QCommandLineOption hostile(QStringLiteral("hostile"),
                                     QStringLiteral("Misbehave on purpose, for tests of a recorder (one KIND per "
                                                    "run; errors carry 0xC00D002E):\n")
                                         + HostileKindsHelp(),
                                     QStringLiteral("KIND"));
    const QCommandLineOption packetPair(QStringLiteral("packet-pair"),
                                        QStringLiteral("'on' (default): three funnel reports to a client that asks "
                                                       "for TCP packet-pair; 'off': one report saying none follow, "
                                                       "as servers without packet-pair answer."),
                                        QStringLiteral("on|off"), QStringLiteral("on"));
    const QCommandLineOption playlist(
        QStringLiteral("playlist"),
        QStringLiteral("Publish mms://host/NAME playing the FILEs in turn, on demand: at each entry's end an end "
                       "of stream saying the next entry follows (0x1E result 1), a stream change (0x20) and the "
                       "next header; over MMSH $E 1, $C and $H (repeatable)."),
        QStringLiteral("NAME=FILE,FILE,..."));
    const QCommandLineOption entryChange(QStringLiteral("entry-change"),
                                         QStringLiteral("How a playlist moves on over MMSH: 'announced' ($E 1, $C, "
                                                        "$H; default) or 'bare' (the next header's $H alone)."),
                                         QStringLiteral("announced|bare"), QStringLiteral("announced"));
    const QCommandLineOption outage(
        QStringLiteral("outage"),
        QStringLiteral("Every EVERY seconds from the start, cut every connection without an end of stream, as a "
                       "crash or a network cut would, and refuse connections for LENGTH seconds (less than "
                       "EVERY); live points keep airing meanwhile (e.g. 120:5). A third number ends the "
                       "schedule after that many outages (e.g. 4:3:1, one outage)."),
        QStringLiteral("EVERY:LENGTH[:TIMES]"));
    const QCommandLineOption requireAgent(
        QStringLiteral("require-agent"),
        QStringLiteral("Serve only players whose name contains TEXT (MMS: the connect command's \"NSPlayer/...\", "
                       "refused with access denied, 0x80070005; MMSH: the User-Agent, refused with 403)."),
        QStringLiteral("TEXT"));
    const QCommandLineOption unselected(
        QStringLiteral("unselected"),
        QStringLiteral("What a client that selects no streams (no 0x33, no stream-switch-entry) receives: 'all' "
                       "(default) or 'none', as deployed servers. A selection is always honoured: only the "
                       "payloads of the chosen streams are sent."),
        QStringLiteral("all|none"), QStringLiteral("all"));
    parser.addOptions({listen, port, httpPort, root, rate, live, liveStyle, auth, error, dropAfter, pingInterval,
                       maxClients, hostile, packetPair, playlist, entryChange, outage, requireAgent, unselected});
    const QCommandLineOption help = parser.addHelpOption();

    if (!parser.parse(arguments))
        return failure(parser.errorText());
    if (parser.isSet(help)) {
        ParsedOptions parsed;
        parsed.message = parser.helpText();
        return parsed;
    }
    if (!parser.positionalArguments().isEmpty())
        return failure(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));

    ServerOptions options;
    if (!options.listen.setAddress(parser.value(listen)))
        return failure(QStringLiteral("--listen: \"%1\" is not an IP address").arg(parser.value(listen)));
    bool ok = false;
    const uint portValue = parser.value(port).toUInt(&ok);
    if (!ok || portValue > 65535)
        return failure(QStringLiteral("--port: \"%1\" is not a port number").arg(parser.value(port)));
    options.port = std::uint16_t(portValue);
    if (parser.isSet(httpPort)) {
        const uint value = parser.value(httpPort).toUInt(&ok);
        if (!ok || value > 65535)
            return failure(QStringLiteral("--http-port: \"%1\" is not a port number").arg(parser.value(httpPort)));
        options.httpPort = std::uint16_t(value);
    }

    options.root = parser.value(root);
    if (!QFileInfo(options.root).isDir())
        return failure(QStringLiteral("--root: \"%1\" is not a folder").arg(options.root));

    const auto rateValue = number(parser.value(rate), 0, 1000);
    if (!rateValue)
        return failure(QStringLiteral("--rate: \"%1\" is not a number from 0 to 1000").arg(parser.value(rate)));
    options.rate = *rateValue;

    for (const QString& entry : parser.values(live)) {
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        const QString name = entry.left(eq);
        const QStringList files = entry.mid(eq + 1).split(QLatin1Char(','));
        if (eq <= 0 || files.contains(QString()) || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('?')))
            return failure(QStringLiteral("--live: \"%1\" is not NAME=FILE,...").arg(entry));
        for (const LiveOption& known : options.live) {
            if (known.name == name)
                return failure(QStringLiteral("--live: \"%1\" named twice").arg(name));
        }
        options.live.push_back({name, files});
    }

    for (const QString& entry : parser.values(playlist)) {
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        const QString name = entry.left(eq);
        const QStringList files = entry.mid(eq + 1).split(QLatin1Char(','), Qt::SkipEmptyParts);
        if (eq <= 0 || files.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('?')))
            return failure(QStringLiteral("--playlist: \"%1\" is not NAME=FILE,FILE,...").arg(entry));
        options.playlists.push_back({name, files});
    }
    const QString change = parser.value(entryChange);
    if (change != QLatin1String("announced") && change != QLatin1String("bare"))
        return failure(QStringLiteral("--entry-change: \"%1\" is neither 'announced' nor 'bare'").arg(change));
    options.bareEntryChange = change == QLatin1String("bare");

    const QString style = parser.value(liveStyle);
    if (style == QLatin1String("count"))
        options.liveStyle = LiveStyle::AllOnesCount;
    else if (style == QLatin1String("mmsp"))
        options.liveStyle = LiveStyle::Mmsp;
    else
        return failure(QStringLiteral("--live-style: \"%1\" is neither 'count' nor 'mmsp'").arg(style));

    if (parser.isSet(auth)) {
        const QString credentials = parser.value(auth);
        if (credentials.indexOf(QLatin1Char(':')) <= 0)
            return failure(QStringLiteral("--auth: expected USER:PASSWORD"));
        options.credentials = credentials;
    }
    if (parser.isSet(error)) {
        const QString text = parser.value(error);
        const qulonglong value = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                                     ? text.mid(2).toULongLong(&ok, 16)
                                     : text.toULongLong(&ok, 10);
        if (!ok || value == 0 || value > 0xFFFFFFFFull)
            return failure(QStringLiteral("--error: \"%1\" is not a non-zero 32-bit result code").arg(text));
        options.openError = std::uint32_t(value);
    }
    if (parser.isSet(dropAfter)) {
        const qulonglong value = parser.value(dropAfter).toULongLong(&ok);
        if (!ok)
            return failure(QStringLiteral("--drop-after: \"%1\" is not a packet count").arg(parser.value(dropAfter)));
        options.dropAfter = value;
    }
    const auto ping = number(parser.value(pingInterval), 0.05, 3600);
    if (!ping)
        return failure(QStringLiteral("--ping-interval: \"%1\" is not a number of seconds from 0.05 to 3600")
                           .arg(parser.value(pingInterval)));
    options.pingIntervalMs = int(*ping * 1000);
    const uint clients = parser.value(maxClients).toUInt(&ok);
    if (!ok || clients == 0 || clients > 10000)
        return failure(QStringLiteral("--max-clients: \"%1\" is not from 1 to 10000").arg(parser.value(maxClients)));
    options.maxClients = int(clients);
    if (parser.isSet(hostile)) {
        options.hostile = HostileKindNamed(parser.value(hostile));
        if (!options.hostile)
            return failure(
                QStringLiteral("--hostile: \"%1\" is not a kind named in --help").arg(parser.value(hostile)));
    }

    if (parser.isSet(requireAgent)) {
        if (parser.value(requireAgent).isEmpty())
            return failure(QStringLiteral("--require-agent: expected a player name"));
        options.requiredAgent = parser.value(requireAgent);
    }
    const QString unselectedValue = parser.value(unselected);
    if (unselectedValue != QLatin1String("all") && unselectedValue != QLatin1String("none"))
        return failure(QStringLiteral("--unselected: \"%1\" is neither 'all' nor 'none'").arg(unselectedValue));
    options.unselectedNone = unselectedValue == QLatin1String("none");

    const QString pairing = parser.value(packetPair);
    if (pairing != QLatin1String("on") && pairing != QLatin1String("off"))
        return failure(QStringLiteral("--packet-pair: \"%1\" is neither 'on' nor 'off'").arg(pairing));
    options.packetPair = pairing == QLatin1String("on");

    if (parser.isSet(outage)) {
        const QStringList parts = parser.value(outage).split(QLatin1Char(':'));
        const auto every = parts.size() == 2 || parts.size() == 3 ? number(parts[0], 0.1, 86400) : std::nullopt;
        const auto length = every ? number(parts[1], 0.01, *every - 0.01) : std::nullopt;
        const auto times = parts.size() == 3 ? number(parts[2], 1, 1e6) : std::optional<double>(0);
        if (!length || !times || *times != std::floor(*times))
            return failure(QStringLiteral("--outage: \"%1\" is not EVERY:LENGTH[:TIMES], seconds from 0.1 to "
                                          "86400, LENGTH less than EVERY, TIMES a count")
                               .arg(parser.value(outage)));
        options.outage = ServerOptions::Outage{int(*every * 1000), int(*length * 1000), int(*times)};
    }

    ParsedOptions parsed;
    parsed.options = std::move(options);
    return parsed;
}

}  // namespace tovrin::mmsserver
