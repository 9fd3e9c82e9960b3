#pragma once

#include "mms-server/hostile.h"
#include "mms-server/media_source.h"
#include "mms-server/mmsh_request.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QTcpSocket;

namespace tovrin::mmsserver {

class SourceCatalog;

struct MmshOptions {
    std::optional<QString> credentials;      // "user:password" every request must carry (Basic)
    std::optional<std::uint64_t> dropAfter;  // close after this many $D chunks, without $E
    std::optional<HostileKind> hostile;
    QString realm = QStringLiteral("Tovrin");
    bool bareEntryChange = false;               // a playlist's next header as $H alone, without $E 1 and $C
    std::optional<QString> requiredAgent;       // a User-Agent without it is refused (403)
    std::optional<StreamSelection> unselected;  // for a Play without stream-switch-entry; nothing: all
};

// One MMSH request on its own TCP connection, as non-pipelined clients send
// them: reads the request head (at most kMaxRequestHead bytes), answers a
// Describe with the header ($H chunks) and a Play with the header, the data
// packets ($D, paced by their due times) and $E; then closes. Live points
// are marked features="broadcast", files "seekable".
//
// Memory stays bounded as for MMS: $D chunks are written only while the
// socket's write buffer holds less than kWriteWindow.
//
// Thread: lives on the server's thread. Emits finished() once, when the
// connection has closed; the owner deletes it then.
class MmshConnection : public QObject {
    Q_OBJECT

public:
    static constexpr qint64 kWriteWindow = 256 * 1024;

    using Log = std::function<void(const QString&)>;

    MmshConnection(QTcpSocket* socket, int number, SourceCatalog& catalog, MmshOptions options, Log log,
                   QObject* parent = nullptr);
    ~MmshConnection() override;

    void shutdown(const QString& why);
    // Drops the connection at once, without $E, as a crash would.
    void cut(const QString& why);

signals:
    void finished();

private:
    void readRequest();
    void answer(const MmshRequest& request);
    void refuse(int status, const QByteArray& reason, const QByteArray& extraHeaders, const QString& why);
    void pump();
    // The source's header, and its packets from `start`, as a hostile kind
    // alters them.
    QByteArray header() const;
    std::unique_ptr<PacketCursor> play(const StartPlaying& start);
    // The misbehaviour of a hostile kind in place of the next $D. False when streaming ends with it.
    bool strike(const TimedPacket& next);
    void close(const QString& why);
    void disconnected();
    void logEvent(const QString& line);

    QTcpSocket* m_socket;
    int m_number;
    SourceCatalog& m_catalog;
    MmshOptions m_options;
    Log m_log;
    QString m_peer;
    QByteArray m_in;
    bool m_answered = false;
    bool m_closing = false;
    bool m_finished = false;

    std::unique_ptr<MediaSource> m_source;
    std::optional<StreamSelection> m_selection;
    std::unique_ptr<PacketCursor> m_cursor;
    std::optional<TimedPacket> m_next;
    QElapsedTimer m_playClock;
    QTimer m_paceTimer;
    std::uint8_t m_afFlags = 0;
    std::uint64_t m_sent = 0;
    bool m_struck = false;
    int m_plays = 0;  // plays started, for a hostile kind that strikes after a stream change
};

}  // namespace tovrin::mmsserver
