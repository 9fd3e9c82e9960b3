#pragma once

#include "mms-server/media_source.h"
#include "mms-server/session.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QTcpSocket;
class QUdpSocket;

namespace tovrin::mmsserver {

struct ConnectionOptions {
    SessionPolicy policy;
    std::optional<std::uint64_t> dropAfter;  // close after this many media packets
    int pingIntervalMs = 30000;              // keep-alive after this much silence
    int idleTimeoutMs = 3600 * 1000;         // close after this long without a command, when not streaming
    std::optional<HostileKind> hostile;      // misbehave on purpose (see hostile.h)
};

// One client: socket I/O around its Session. Reads commands (at most
// command::kMaxBytes each), sends replies, and streams the header and the
// media packets paced by their due times, over TCP or UDP.
//
// Memory stays bounded per client: media is written only while the socket's
// write buffer holds less than kWriteWindow, and commands are read only while
// replies are not piling up behind a client that does not read.
//
// Thread: lives on the server's thread. Emits finished() once, when the
// connection has closed; the owner deletes it then.
class ClientConnection : public QObject, private SessionSink {
    Q_OBJECT

public:
    static constexpr qint64 kWriteWindow = 256 * 1024;
    static constexpr qint64 kReplyBacklog = 1024 * 1024;
    static constexpr int kUdpBurst = 32;
    // Over UDP, the pause between the last datagram and the end-of-stream
    // reply (ms), so a client reads every datagram before the reply.
    static constexpr int kUdpEndPauseMs = 30;

    using Log = std::function<void(const QString&)>;

    ClientConnection(QTcpSocket* socket, int number, SourceCatalog& catalog, const ConnectionOptions& options, Log log,
                     QObject* parent = nullptr);
    ~ClientConnection() override;

    // Closes the connection (after what is already written), as on shutdown.
    void shutdown(const QString& why);
    // Drops the connection at once, unwritten bytes and all, as a crash would.
    void cut(const QString& why);

signals:
    void finished();

private:
    void readCommands();
    void pump();
    void keepAlive();
    void disconnected();

    // SessionSink
    void sendCommand(std::uint16_t mid, const QByteArray& fields) override;
    void useUdp(std::uint16_t port) override;
    void sendUdpPacketPair() override;
    void sendHeader(const QByteArray& header, std::uint32_t chunkBytes, std::uint8_t incarnation) override;
    void startMedia(std::unique_ptr<PacketCursor> cursor, std::uint32_t incarnation) override;
    void stopMedia() override;
    void closeSession(const QString& why) override;
    void logEvent(const QString& line) override;

    bool writeRoom() const;
    void sendData(const QByteArray& dataPacket);
    void endOfStream();
    void sendEndOfStream();
    void sendMedia(const QByteArray& dataPacket);
    // The misbehaviour of a hostile kind that strikes while streaming, in
    // place of the next media packet. False when streaming ends with it.
    bool strikeWhileStreaming(const TimedPacket& next);
    void floodKeepAlives();

    QTcpSocket* m_socket;
    int m_number;
    ConnectionOptions m_options;
    Log m_log;
    QString m_peer;
    Session m_session;
    QByteArray m_in;
    bool m_closing = false;
    bool m_finished = false;

    QElapsedTimer m_clock;  // since the first packet sent; timeSent of commands
    QElapsedTimer m_lastSent;
    QElapsedTimer m_lastHeard;
    QTimer m_keepAliveTimer;
    int m_pings = 0;
    std::uint16_t m_seq = 0;

    QUdpSocket* m_udp = nullptr;
    QHostAddress m_udpAddress;
    std::uint16_t m_udpPort = 0;
    std::uint64_t m_udpLost = 0;

    QByteArray m_header;
    qsizetype m_headerSent = 0;
    std::uint32_t m_headerChunk = 0;
    std::uint8_t m_headerIncarnation = 0;
    std::uint32_t m_headerLocation = 0;

    std::unique_ptr<PacketCursor> m_cursor;
    std::optional<TimedPacket> m_next;
    std::uint32_t m_mediaIncarnation = 0;
    QElapsedTimer m_playClock;
    QTimer m_paceTimer;
    std::uint8_t m_afFlags = 0;
    std::uint64_t m_mediaSent = 0;
    std::uint64_t m_playSent = 0;
    // Counts plays started and stopped: an end-of-stream reply that waits
    // for its pause is dropped when its play is no longer the current one.
    std::uint64_t m_playGeneration = 0;
    QByteArray m_withheld;  // late-datagram: the media packet held back
    int m_plays = 0;        // plays started, for a hostile kind that strikes after a stream change

    bool m_struck = false;    // the hostile misbehaviour has happened
    bool m_deaf = false;      // the client's commands are no longer read
    bool m_flooding = false;  // keep-alives go out whenever there is room
};

}  // namespace tovrin::mmsserver
