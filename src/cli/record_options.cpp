#include "cli/record_options.h"

#include "asf/bitrate_choice.h"
#include "cli/recording_config.h"
#include "locations/player_name.h"
#include "locations/proxy_choice.h"
#include "state/settings_record.h"

#include <QCommandLineParser>
#include <QProcess>

#include <cmath>

namespace tovrin {

namespace {

std::optional<QString> portOption(const QCommandLineParser& parser, const QCommandLineOption& option, bool allowZero)
{
    bool ok = false;
    const uint port = parser.value(option).toUInt(&ok);
    if (ok && port <= 65535 && (allowZero || port > 0))
        return parser.value(option);
    return std::nullopt;
}

// A number of seconds within (minimum, maximum]; nothing when it is not one.
std::optional<double> secondsOption(const QCommandLineParser& parser, const QCommandLineOption& option, double minimum,
                                    double maximum, bool minimumAllowed)
{
    bool ok = false;
    const double seconds = parser.value(option).toDouble(&ok);
    // Not a number and infinity are no time: a duration of infinity milliseconds
    // has no integer value.
    if (!ok || !std::isfinite(seconds) || seconds > maximum || seconds < minimum
        || (seconds == minimum && !minimumAllowed))
        return std::nullopt;
    return seconds;
}

std::variant<RecordOptions, HelpRequest, UsageError> ParseRecordArguments(const QStringList& arguments,
                                                                          PassedStart passed)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Records an MMS stream (mms://, mmst://, mmsu://, mmsh://) into an ASF file.\n"
                       "Each data packet goes to its own slot of the file, so an interrupted\n"
                       "download can be resumed; a live broadcast is rebased to time zero and\n"
                       "its header patched when the recording ends.\n"
                       "Ctrl-C stops the recording and keeps what was received.\n\n"
                       "It shares the window's settings file: the UDP setting and port, the\n"
                       "server port, the DNS bypass, FollowEntries, Reconnect, PlayerName and\n"
                       "AutoLog apply unless an option replaces them, and the log names those\n"
                       "it took.\n\n"
                       "Exit status: 0 when the server ended the stream and every packet of\n"
                       "the file arrived, or the recording was stopped; 1 when it ended any\n"
                       "other way, packets missing included; 2 for bad usage."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("record"), QStringLiteral("The command."));
    parser.addPositionalArgument(QStringLiteral("URL"),
                                 QStringLiteral("The stream address, e.g. mms://host/clip.wmv, or a redirector "
                                                "(http://host/list.asx or a .asx file) whose --entry to record"));
    const QCommandLineOption output(
        {QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("The file to record into (default: the stream's name in the current folder); - writes the "
                       "stream to standard output instead, for a player reading a pipe (nothing else goes there)."),
        QStringLiteral("FILE"));
    const QCommandLineOption resume(QStringLiteral("resume"),
                                    QStringLiteral("Resume into FILE when it already holds data."));
    const QCommandLineOption overwrite(QStringLiteral("overwrite"),
                                       QStringLiteral("Download again over FILE when it already holds data."));
    const QCommandLineOption tcpPort(
        QStringLiteral("tcp-port"),
        QStringLiteral("The server's MMS port when the address names none (default: the setting, 1755)."),
        QStringLiteral("N"));
    const QCommandLineOption udp(QStringLiteral("udp"), QStringLiteral("Receive the data as UDP datagrams."));
    const QCommandLineOption tcp(QStringLiteral("tcp"),
                                 QStringLiteral("Receive the data over the TCP connection, whatever the UDP setting."));
    const QCommandLineOption udpPort(QStringLiteral("udp-port"),
                                     QStringLiteral("Local UDP port (default: the setting, 7000; 0 picks a free one)."),
                                     QStringLiteral("N"));
    const QCommandLineOption bypassDns(QStringLiteral("bypass-dns"),
                                       QStringLiteral("The host is an IP address; do not look it up."));
    const QCommandLineOption user(QStringLiteral("user"),
                                  QStringLiteral("User id for a server that asks for credentials."),
                                  QStringLiteral("ID"));
    const PasswordOptions password(QStringLiteral("password"),
                                   QStringLiteral("Password for a server that asks for credentials."));
    const QCommandLineOption savePassword(QStringLiteral("save-password"),
                                          QStringLiteral("Keep the credentials in the settings for later runs."));
    const QCommandLineOption duration(
        QStringLiteral("duration"),
        QStringLiteral("Stop once SECONDS of media have been recorded, counting every file "
                       "and connection of the recording together (the packet that "
                       "passes the limit is the last), however fast the server sends."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption splitEvery(
        QStringLiteral("split-every"),
        QStringLiteral("Record a broadcast in parts of DURATION of media each (10s, 30m, 1h): each part a whole "
                       "file, the next one beginning with the next packet (with video, the next key frame)."),
        QStringLiteral("DURATION"));
    const QCommandLineOption splitOnClock(
        QStringLiteral("split-on-clock"),
        QStringLiteral("Start the parts of --split-every at its whole multiples on the local clock "
                       "(hourly parts begin at :00)."));
    const QCommandLineOption splitSize(QStringLiteral("split-size"),
                                       QStringLiteral("Record a broadcast in parts of SIZE each (700M, 1.5G)."),
                                       QStringLiteral("SIZE"));
    const QCommandLineOption maxSize(
        QStringLiteral("max-size"),
        QStringLiteral("End the recording, whole, before its files together pass SIZE (700M, 2G)."),
        QStringLiteral("SIZE"));
    const QCommandLineOption minFree(
        QStringLiteral("min-free"),
        QStringLiteral("End the recording, whole, before the disk's free space drops below SPACE (1G)."),
        QStringLiteral("SPACE"));
    const QCommandLineOption startAt(
        QStringLiteral("start-at"),
        QStringLiteral("Wait until TIME, then record: HH:MM or HH:MM:SS (today, or tomorrow when already past and "
                       "no --stop-at is still to come) or YYYY-MM-DDTHH:MM[:SS]. A start passed while the machine "
                       "slept is made at once, and the log tells how late."),
        QStringLiteral("TIME"));
    const QCommandLineOption stopAt(
        QStringLiteral("stop-at"),
        QStringLiteral("Stop at TIME as Ctrl-C does: HH:MM or HH:MM:SS (the first such time after the start) or "
                       "YYYY-MM-DDTHH:MM[:SS]."),
        QStringLiteral("TIME"));
    const QCommandLineOption config(
        QStringLiteral("config"),
        QStringLiteral("Record what ~/.config/tovrin/recordings/NAME.conf names (or the file NAME when it holds "
                       "a /): address = URL, then any option of this command by its name, e.g. output = FILE, "
                       "stop-at = 19:00; options given here win. The tovrin-record@NAME service runs this, so a "
                       "start-at already past is that day's: the recording starts late, or not at all once its "
                       "stop-at has passed too."),
        QStringLiteral("NAME"));
    const QCommandLineOption saveLog(QStringLiteral("save-log"),
                                     QStringLiteral("Save the session log to FILE when the run ends."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption connectTimeout(
        QStringLiteral("connect-timeout"),
        QStringLiteral("Give up when no connection is made within SECONDS (default 45)."), QStringLiteral("SECONDS"));
    const QCommandLineOption silenceTimeout(
        QStringLiteral("silence-timeout"),
        QStringLiteral("Give up when the server sends nothing for SECONDS once connected (default 45)."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption firstEntryOnly(
        QStringLiteral("first-entry-only"),
        QStringLiteral("End at the end of the stream's first entry instead of following a playlist or a changed "
                       "header into the next numbered file."));
    const QCommandLineOption reconnect(
        QStringLiteral("reconnect"),
        QStringLiteral("When the connection is lost after media has been stored, connect again up to N times in a "
                       "row (waiting 1, 2, 4, 8, then 15 s): a stream of known length resumes in its file, a live "
                       "broadcast goes on into the next numbered file (default: the Reconnect setting, 0 = never)."),
        QStringLiteral("N"));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("Print no log lines and no progress line."));
    const QCommandLineOption streams(
        QStringLiteral("streams"),
        QStringLiteral("Which streams of a stream encoded at several bit rates to record: all (default: the "
                       "StreamChoice setting), best or worst (one stream of each group of alternatives by its "
                       "bit rate, within --max-bitrate), or stream numbers (1,3). A stream without "
                       "alternatives is always recorded with best and worst."),
        QStringLiteral("CHOICE"));
    const QCommandLineOption maxBitRate(
        QStringLiteral("max-bitrate"),
        QStringLiteral("The most bit/s the recorded streams may take together (default: the MaxBitRate setting, "
                       "0 = no limit); with all it chooses as best does."),
        QStringLiteral("BPS"));
    const QCommandLineOption progress(
        QStringLiteral("progress"),
        QStringLiteral("json: write the recording's state and progress to stdout as one JSON object a line, for "
                       "another program to read (see README.md); the log stays on stderr."),
        QStringLiteral("FORMAT"));
    const QCommandLineOption transport(
        QStringLiteral("transport"),
        QStringLiteral("auto (default): the MMS exchange, then MMS over HTTP when the MMS port refuses or closes "
                       "before replying; mmst, mmsu (the MMS exchange, data over TCP or UDP) or mmsh (MMS over HTTP) "
                       "only. An mmsh:// address always goes over HTTP."),
        QStringLiteral("NAME"), QStringLiteral("auto"));
    const QCommandLineOption httpPort(
        QStringLiteral("http-port"),
        QStringLiteral("The server's HTTP port for MMS over HTTP when the address names none (default 80)."),
        QStringLiteral("N"));
    const QCommandLineOption proxy(
        QStringLiteral("proxy"),
        QStringLiteral("Connect through this proxy: http://[USER:PASSWORD@]HOST:PORT (MMS over HTTP and redirector "
                       "fetches as proxied requests, the MMS exchange through CONNECT) or "
                       "socks5://[USER:PASSWORD@]HOST:PORT, or none for no proxy. Default: the Proxy setting, then "
                       "the http_proxy, https_proxy, all_proxy and no_proxy environment, then the system's. Through a "
                       "proxy the data never comes as UDP."),
        QStringLiteral("URL"));
    const QCommandLineOption userAgent(
        QStringLiteral("user-agent"),
        QStringLiteral("The player name and version presented to the server, for servers that serve only the "
                       "players they know (default: the PlayerName setting, NSPlayer/7.0.0.1956)."),
        QStringLiteral("TEXT"));
    const QCommandLineOption play(
        QStringLiteral("play"),
        QStringLiteral("Also play the stream as it is recorded: a player (the first of ffplay, mpv and vlc found) "
                       "reads it on its standard input. A player that falls behind loses packets, the file none."));
    const QCommandLineOption playCommand(
        QStringLiteral("play-command"),
        QStringLiteral("The player --play starts (implies --play), e.g. \"mpv --no-video -\": words split at "
                       "blanks, double quotes group them (no shell). It reads the stream on its standard input."),
        QStringLiteral("CMD"));
    const QCommandLineOption entry(QStringLiteral("entry"),
                                   QStringLiteral("Record the redirector's Nth address (default 1)."),
                                   QStringLiteral("N"));
    parser.addOptions({tcp, streams, maxBitRate});
    parser.addOptions({output,    resume,         overwrite,      tcpPort,        udp,          udpPort,
                       bypassDns, user,           password.value, password.file,  savePassword, duration,
                       saveLog,   connectTimeout, silenceTimeout, firstEntryOnly, reconnect,    quiet,
                       transport, httpPort,       proxy,          progress});
    parser.addOptions({startAt, stopAt, config});
    parser.addOptions({splitEvery, splitOnClock, splitSize, maxSize, minFree});
    const HttpOptions http;
    http.addTo(parser);
    parser.addOption(entry);
    parser.addOptions({userAgent, play, playCommand});

    if (const auto stop = ParseOnePositional(parser, arguments, QStringLiteral("URL")))
        return AsStop<RecordOptions>(*stop);
    const QStringList positional = parser.positionalArguments();

    RecordOptions options;
    options.location = positional.at(1);
    if (parser.isSet(resume) && parser.isSet(overwrite))
        return UsageError{QStringLiteral("--resume and --overwrite exclude each other")};
    if (parser.isSet(resume))
        options.resumeChoice = ResumeChoice::Resume;
    if (parser.isSet(overwrite))
        options.resumeChoice = ResumeChoice::Redownload;
    if (parser.isSet(user) != password.isSet(parser))
        return UsageError{QStringLiteral("--user and --password go together")};
    if (const QString problem = password.check(parser); !problem.isEmpty())
        return UsageError{problem};
    options.user = parser.value(user);
    options.password = password.given(parser);
    options.savePassword = parser.isSet(savePassword);

    if (parser.isSet(tcpPort) && !(options.tcpPort = portOption(parser, tcpPort, false)))
        return UsageError{QStringLiteral("--tcp-port takes a port number")};
    if (parser.isSet(udpPort) && !(options.udpPort = portOption(parser, udpPort, true)))
        return UsageError{QStringLiteral("--udp-port takes a port number")};
    const std::optional<Transport> chosen = TransportNamed(parser.value(transport));
    if (!chosen)
        return UsageError{QStringLiteral("--transport takes auto, mmst, mmsu or mmsh")};
    options.transport = *chosen;
    if (parser.isSet(httpPort)) {
        const std::optional<QString> port = portOption(parser, httpPort, false);
        if (!port)
            return UsageError{QStringLiteral("--http-port takes a port number")};
        options.httpPort = quint16(port->toUInt());
    }
    if (parser.isSet(proxy)) {
        const std::variant<ProxyAddress, QString> parsed = ParseProxyAddress(parser.value(proxy));
        if (const QString* problem = std::get_if<QString>(&parsed))
            return UsageError{QStringLiteral("--proxy: ") + *problem};
        options.proxy = parser.value(proxy).trimmed();
    }
    options.udp = parser.isSet(udp);
    options.tcp = parser.isSet(tcp);
    if (options.udp && options.tcp)
        return UsageError{QStringLiteral("--udp and --tcp exclude each other")};
    options.bypassDns = parser.isSet(bypassDns);
    options.firstEntryOnly = parser.isSet(firstEntryOnly);
    if (parser.isSet(reconnect)) {
        bool ok = false;
        const int tries = parser.value(reconnect).toInt(&ok);
        if (!ok || tries < 0 || tries > kMaxReconnect)
            return UsageError{QStringLiteral("--reconnect takes a count from 0 to %1").arg(kMaxReconnect)};
        options.reconnect = tries;
    }

    if (parser.isSet(streams)) {
        if (!ParseStreamChoice(parser.value(streams)))
            return UsageError{QStringLiteral("--streams takes all, best, worst or stream numbers (1,3)")};
        options.streams = parser.value(streams);
    }
    if (parser.isSet(maxBitRate)) {
        bool ok = false;
        const uint bps = parser.value(maxBitRate).toUInt(&ok);
        if (!ok)
            return UsageError{QStringLiteral("--max-bitrate takes a number of bits a second")};
        options.maxBitRate = bps;
    }
    if (parser.isSet(duration)) {
        const std::optional<double> seconds = secondsOption(parser, duration, 0, 1e12, true);
        if (!seconds)
            return UsageError{QStringLiteral("--duration takes a number of seconds")};
        options.durationSeconds = *seconds;
    }
    if (parser.isSet(splitEvery)) {
        if (!ParseSpanMs(parser.value(splitEvery)))
            return UsageError{QStringLiteral("--split-every takes a time: 10s, 30m, 1h")};
        options.splitEvery = parser.value(splitEvery).trimmed();
    }
    options.splitOnClock = parser.isSet(splitOnClock);
    if (options.splitOnClock && !options.splitEvery)
        return UsageError{QStringLiteral("--split-on-clock goes with --split-every")};
    if (parser.isSet(splitSize)) {
        if (!ParseByteSize(parser.value(splitSize)))
            return UsageError{QStringLiteral("--split-size takes a size: 700M, 1.5G")};
        options.splitSize = parser.value(splitSize).trimmed();
    }
    for (const auto& [option, target] :
         {std::pair{&maxSize, &options.sizeLimits.maxBytes}, std::pair{&minFree, &options.sizeLimits.minFreeBytes}}) {
        if (!parser.isSet(*option))
            continue;
        const std::optional<std::uint64_t> bytes = ParseByteSize(parser.value(*option));
        if (!bytes)
            return UsageError{QStringLiteral("--%1 takes a size: 700M, 2G").arg(option->names().constFirst())};
        *target = *bytes;
    }
    std::optional<WallTime> times[2];
    for (const auto& [option, time] : {std::pair{&startAt, &times[0]}, std::pair{&stopAt, &times[1]}}) {
        if (parser.isSet(*option) && !(*time = ParseWallTime(parser.value(*option))))
            return UsageError{QStringLiteral("--%1 takes HH:MM, HH:MM:SS or YYYY-MM-DDTHH:MM[:SS]")
                                  .arg(option->names().constFirst())};
    }
    if (times[0] || times[1]) {
        options.times = PlanRecordingTimes(times[0], times[1], QDateTime::currentDateTime(), passed);
        if (!options.times)
            return UsageError{QStringLiteral("--stop-at comes before the recording starts")};
    }
    for (const auto& [option, target] : {std::pair{&connectTimeout, &options.connectTimeoutMs},
                                         std::pair{&silenceTimeout, &options.silenceTimeoutMs}}) {
        if (!parser.isSet(*option))
            continue;
        const std::optional<double> seconds = secondsOption(parser, *option, 0, 3600, false);
        if (!seconds)
            return UsageError{QStringLiteral("--%1 takes a number of seconds").arg(option->names().constFirst())};
        *target = int(*seconds * 1000);
    }

    std::variant<HttpFetchOptions, QString> fetch = http.parse(parser);
    if (const QString* problem = std::get_if<QString>(&fetch))
        return UsageError{*problem};
    options.http = std::get<HttpFetchOptions>(fetch);
    if (parser.isSet(entry)) {
        bool ok = false;
        options.entry = parser.value(entry).toInt(&ok);
        if (!ok || options.entry < 1)
            return UsageError{QStringLiteral("--entry takes a number from 1")};
    }
    if (parser.isSet(userAgent)) {
        if (const QString refusal = PlayerNameRefusal(parser.value(userAgent)); !refusal.isEmpty())
            return UsageError{QStringLiteral("--user-agent: ") + refusal};
        options.userAgent = parser.value(userAgent);
    }
    if (parser.isSet(playCommand)) {
        options.playCommand = QProcess::splitCommand(parser.value(playCommand));
        if (options.playCommand->isEmpty())
            return UsageError{QStringLiteral("--play-command takes a command")};
    } else if (parser.isSet(play)) {
        options.playCommand = QStringList();
    }
    options.saveLog = parser.value(saveLog);
    options.output = parser.value(output);
    options.quiet = parser.isSet(quiet);
    if (parser.isSet(progress)) {
        if (parser.value(progress) != QStringLiteral("json"))
            return UsageError{QStringLiteral("--progress takes json")};
        options.jsonProgress = true;
        // Both would write into the same standard output.
        if (options.output == QStringLiteral("-"))
            return UsageError{QStringLiteral("--progress json and -o - both write to standard output")};
    }
    return options;
}

}  // namespace

std::variant<RecordOptions, HelpRequest, UsageError> ParseRecordCommandLine(const QStringList& arguments)
{
    const auto configured = WithRecordingConfig(arguments);
    if (const UsageError* error = std::get_if<UsageError>(&configured))
        return *error;
    const auto& [expanded, configFile] = std::get<ConfiguredArguments>(configured);
    // A recording kept in a file is started by the system for its day.
    auto parsed = ParseRecordArguments(expanded, configFile.isEmpty() ? PassedStart::Tomorrow : PassedStart::Today);
    // A problem of the recording's file is told with the file's name.
    if (UsageError* error = std::get_if<UsageError>(&parsed); error && !configFile.isEmpty())
        error->message += QStringLiteral(" (%1)").arg(configFile);
    return parsed;
}

}  // namespace tovrin
