#pragma once

#include "cli/location_options.h"
#include "cli/password_options.h"
#include "cli/usage.h"
#include "run/recording_parts.h"
#include "run/recording_times.h"
#include "state/shell.h"
#include "transport/record_transport.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

namespace tovrin {

// Everything `tovrin-cli record` was asked to do, checked, before anything runs.
struct RecordOptions {
    QString location;  // a stream address, or a redirector over HTTP or on disk
    int entry = 1;     // the redirector's address to record, from 1
    HttpFetchOptions http;

    QString output;   // -o (empty: the stream's name in the current folder; "-": the standard output)
    QString saveLog;  // --save-log (empty: none)
    std::optional<ResumeChoice> resumeChoice;
    QString user;                           // --user
    std::optional<GivenPassword> password;  // given exactly when user is
    bool savePassword = false;
    bool quiet = false;
    bool jsonProgress = false;  // --progress json: the progress lines on stdout

    // Settings overridden for this run only.
    std::optional<QString> tcpPort;
    std::optional<QString> udpPort;
    bool udp = false;
    bool tcp = false;  // --tcp: never UDP, whatever the settings say
    bool bypassDns = false;
    bool firstEntryOnly = false;
    std::optional<int> reconnect;       // --reconnect N
    std::optional<QString> streams;     // --streams all|best|worst|IDS
    std::optional<quint32> maxBitRate;  // --max-bitrate BPS
    std::optional<QString> userAgent;   // --user-agent TEXT: the player name presented
    // --play: the player command to start (empty: the default player).
    std::optional<QStringList> playCommand;
    Transport transport = Transport::Auto;
    quint16 httpPort = 80;
    std::optional<QString> proxy;  // --proxy: a proxy address or "none", replacing the Proxy setting

    // --split-every, --split-on-clock, --split-size: a broadcast in parts,
    // as typed (checked); they override the window's settings.
    std::optional<QString> splitEvery;
    bool splitOnClock = false;
    std::optional<QString> splitSize;
    SizeLimits sizeLimits;  // --max-size, --min-free

    double durationSeconds = 0;           // 0: until the stream ends
    std::optional<RecordingTimes> times;  // --start-at, --stop-at: planned when parsed
    int connectTimeoutMs = 45000;
    int silenceTimeoutMs = 45000;  // once connected, nothing from the server this long
};

// Parses the arguments of `tovrin-cli record ...` (the program's name first).
std::variant<RecordOptions, HelpRequest, UsageError> ParseRecordCommandLine(const QStringList& arguments);

}  // namespace tovrin
