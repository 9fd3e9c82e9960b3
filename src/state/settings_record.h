#pragma once

#include <QString>

namespace tovrin {

class SettingsStore;

// The most tries in a row the Reconnect setting takes.
constexpr int kMaxReconnect = 99;

// The live settings held by the settings dialog, with their defaults when
// nothing is stored. Other code reads them at the moment it needs them.
struct SettingsRecord {
    QString serverSocket = QStringLiteral("1755");  // MMS server TCP port, as typed
    bool udpTick = false;                           // try the UDP data transport
    QString udpPort = QStringLiteral("7000");       // local UDP port, as typed
    QString doneInterval = QStringLiteral("10");    // seconds between completion sounds
    bool bypassDns = false;                         // connect by address, no lookup
    bool autoLogTick = false;                       // offer to save the log on completion
    // Follow a stream into its next entry (a playlist's, a changed header)
    // rather than end at the first entry's end. Read only: "off" in the store.
    bool followEntries = true;
    // How many times in a row a recording that lost its connection connects
    // again (0: never, the default). Stored as "Reconnect".
    int reconnect = 0;
    // Which streams of a multi-bit-rate stream are recorded: "all", "best",
    // "worst" or stream numbers ("1,3"), stored as "StreamChoice"; and the
    // most bit/s the recorded streams may take together, 0 for no limit,
    // stored as "MaxBitRate".
    QString streamChoice = QStringLiteral("all");
    quint32 maxBitRate = 0;
    // The proxy connections go through: a proxy address (http://host:port,
    // socks5://host:port, with user:password@ when the proxy asks), "none"
    // for none, or empty (the default) for the environment's or the
    // system's. Stored as "Proxy".
    QString proxy;
    // The player name and version presented to servers, as typed (empty:
    // the default, NSPlayer/7.0.0.1956). Stored as "PlayerName".
    QString playerName;
    // A broadcast recorded in parts, as typed: every "30m" of media time
    // ("SplitEvery"), at the whole multiples of it on the local clock
    // ("SplitOnClock": "on"), every "700M" ("SplitSize"); empty: none.
    QString splitEvery;
    bool splitOnClock = false;
    QString splitSize;
    // The file-name template the proposed save name is made from ("NameTemplate");
    // empty: the stream's own name.
    QString nameTemplate;

    // The UDP port text as it was loaded: each UDP run binds it while it
    // runs; the settings dialog keeps a change for the next program start.
    QString loadedUdpPort = QStringLiteral("7000");
};

// Fills the record from the store (the settings dialog's creation step).
// DoneInterval is not persisted: it is "10" at every start.
SettingsRecord LoadSettings(const SettingsStore& store);

}  // namespace tovrin
