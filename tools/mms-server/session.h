#pragma once

#include "mms-server/command_packet.h"
#include "mms-server/hostile.h"
#include "mms-server/media_source.h"
#include "mms-server/stream_selection.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace tovrin::mmsserver {

// Finds what a client opens by name.
class SourceCatalog {
public:
    virtual ~SourceCatalog() = default;
    // The source for `name`; nullptr with *result (the HRESULT to answer) and
    // *why set when there is none.
    virtual std::unique_ptr<MediaSource> open(const QString& name, std::uint32_t* result, QString* why) = 0;
};

// What a session does besides following the protocol.
struct SessionPolicy {
    std::optional<QString> credentials;      // "user:password" the open-file command must carry
    std::optional<std::uint32_t> openError;  // answer every open-file command with this result
    QString realm = QStringLiteral("Tovrin");
    std::optional<HostileKind> hostile;  // only RefuseFunnel concerns the session itself
    // TCP packet-pair: three funnel reports when a client asks for it; off,
    // one report saying none follow, as servers without it answer.
    bool packetPair = true;
    // Only players whose name (the connect command's "NSPlayer/x.y...", up
    // to its first ';') contains this are served; others are refused with
    // access denied in the connect reply, and the connection closes.
    std::optional<QString> requiredAgent;
    // What a client that sends no stream selection receives: every stream
    // (nothing here), or only those this selection keeps.
    std::optional<StreamSelection> unselected;
};

// The actions a session asks of its connection. Commands carry only their
// message fields; the connection frames them, keeps seq and the clock, and
// decides whether data goes by TCP or UDP.
class SessionSink {
public:
    virtual ~SessionSink() = default;
    virtual void sendCommand(std::uint16_t mid, const QByteArray& fields) = 0;
    virtual void useUdp(std::uint16_t port) = 0;
    virtual void sendUdpPacketPair() = 0;
    // The header in data packets of at most chunkBytes payload.
    virtual void sendHeader(const QByteArray& header, std::uint32_t chunkBytes, std::uint8_t incarnation) = 0;
    virtual void startMedia(std::unique_ptr<PacketCursor> cursor, std::uint32_t incarnation) = 0;
    virtual void stopMedia() = 0;
    virtual void closeSession(const QString& why) = 0;
    virtual void logEvent(const QString& line) = 0;
};

// The reply state machine of one client: takes its commands in order and
// answers them as MS-MMSP describes, leaving all I/O to the sink. Commands out
// of place are answered with an error result where the reply has one;
// persistent nonsense closes the session.
class Session {
public:
    Session(SourceCatalog& catalog, SessionSink& sink, SessionPolicy policy);

    void handle(const Command& command);

    // At the end of a play: a playlist moves on to its next entry (the end
    // of stream saying so, the stream change, the next header), and the
    // client asks for it to be played. False when the stream has ended.
    bool nextEntry(std::uint32_t playIncarnation);

    int pongs() const { return m_pongs; }
    std::uint32_t clientId() const { return m_clientId; }

private:
    void connect(const Command& command);
    void funnelInfo(const Command& command);
    void connectFunnel(const Command& command);
    void openFile(const Command& command);
    void securityResponse(const Command& command);
    void openNamed(const QString& name, std::uint32_t incarnation);
    void refuseOpen(std::uint32_t result, std::uint32_t incarnation, const QString& why);
    void readBlock(const Command& command);
    void streamSwitch(const Command& command);
    void startPlaying(const Command& command);
    void stopPlaying(const Command& command);
    void unknown(const Command& command);

    SourceCatalog& m_catalog;
    SessionSink& m_sink;
    SessionPolicy m_policy;
    std::uint32_t m_clientId;
    bool m_connected = false;
    bool m_udpPacketPair = false;
    bool m_authenticated = false;
    int m_authFailures = 0;
    int m_unknownCommands = 0;
    int m_pongs = 0;
    std::optional<QString> m_pendingName;  // an open-file command waiting for credentials
    std::uint32_t m_pendingIncarnation = 0;
    std::uint32_t m_cookie = 0;
    std::uint32_t m_headerIncarnation = 0;  // of the client's header request
    std::unique_ptr<MediaSource> m_source;
    std::optional<StreamSelection> m_selection;  // of the open file, once the client has sent one
};

}  // namespace tovrin::mmsserver
