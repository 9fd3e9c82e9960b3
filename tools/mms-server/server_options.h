#pragma once

#include "mms-server/hostile.h"
#include "mms-server/live_point.h"

#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace tovrin::mmsserver {

struct LiveOption {
    QString name;
    QStringList files;  // aired in turn
};

struct PlaylistOption {
    QString name;
    QStringList files;
};

struct ServerOptions {
    QHostAddress listen = QHostAddress(QHostAddress::LocalHost);
    std::uint16_t port = 1755;
    std::optional<std::uint16_t> httpPort;  // MMSH (MMS over HTTP) as well, on this port
    QString root = QStringLiteral(".");
    double rate = 1.0;
    std::vector<LiveOption> live;
    LiveStyle liveStyle = LiveStyle::AllOnesCount;
    std::optional<QString> credentials;  // "user:password"
    std::optional<std::uint32_t> openError;
    std::optional<std::uint64_t> dropAfter;
    int pingIntervalMs = 30000;
    int maxClients = 64;
    std::optional<HostileKind> hostile;
    bool packetPair = true;
    std::vector<PlaylistOption> playlists;
    bool bareEntryChange = false;  // MMSH: a playlist's next header as bare $H chunks
    // Every everyMs from the start, every connection is cut and the ports
    // closed for lengthMs; `times` outages in all (0: no end).
    struct Outage {
        int everyMs = 0;
        int lengthMs = 0;
        int times = 0;
    };
    std::optional<Outage> outage;
    std::optional<QString> requiredAgent;  // serve only players whose name contains this
    bool unselectedNone = false;           // a client that selects no streams receives none
};

// The command line read into options. When `options` is empty the program
// prints `message` (help text on stdout, an error on stderr) and exits with
// `exitCode`.
struct ParsedOptions {
    std::optional<ServerOptions> options;
    QString message;
    int exitCode = 0;
};

// arguments includes the program name, as QCoreApplication::arguments() gives it.
ParsedOptions ParseServerOptions(const QStringList& arguments);

}  // namespace tovrin::mmsserver
