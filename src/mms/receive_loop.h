#pragma once

#include "locations/player_name.h"
#include "mms/client_commands.h"
#include "mms/receive_buffer.h"
#include "mms/receive_front.h"
#include "mms/server_replies.h"
#include "run/link_event.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

namespace tovrin {

class RunEventQueue;

// Most bytes the stream lane of the receive buffer holds: the control
// connection is read no further until the receive thread has made room.
inline constexpr std::uint64_t kReceiveBufferLimit = 100000;
// Largest UDP datagram accepted; anything as large is refused.
inline constexpr int kMaxDatagramSize = 100000;
// How long the end of a UDP run waits for datagrams still on their way (ms):
// the server's end-of-stream reply on TCP can overtake its last datagrams.
inline constexpr int kStragglerGraceMs = 200;

// What a connection's exchange knows before its receive thread starts.
struct ExchangeSetup {
    QString serverHost;
    QString streamPath;
    // The transport request: the control connection's local address, and
    // the local port the media goes to (the UDP port for datagrams).
    QString localAddress;
    QString localPort;
    bool overUdp = false;
    // The loop took bytes off the stream lane: the connection may read
    // again. Any thread; never waits.
    std::function<void()> streamDrained;
    QString playerName = kDefaultPlayerName;  // presented in the connect command
};

// The body of a connection's receive thread: takes the receive buffer apart,
// answers every server command with the next client command, collects the
// header and hands the header, the media packets and everything else that
// happens to the run engine as events (see link_event.h). It keeps nothing of
// the run: what the engine decides comes back as orders in the buffer (the
// media to ask for, the credentials to send). Datagrams (UDP) and the
// control connection's bytes (TCP) sit in separate lanes of the buffer; the
// loop takes whole units from either, so a datagram never lands inside a
// command packet.
//
// Thread: the receive thread. It waits only on the buffer (for bytes,
// datagrams, an order, or room in the event queue), never on the UI thread,
// and ends at its first wait after `stop` is set.
class ReceiveLoop {
public:
    ReceiveLoop(ReceiveBuffer& buffer, CommandChannel& channel, RunEventQueue& events, ExchangeSetup setup,
                const std::atomic<bool>& stop);

    // Sends the connect command, then runs the exchange until it ends.
    void run();

    // Answers one complete server command packet; false for an id the client
    // does not know.
    bool dispatch(std::uint8_t commandId, const QByteArray& packet);

private:
    template <typename Event>
    void post(Event event);
    void log(const QString& line);
    // The exchange cannot go on: told once, and the loop ends.
    void fail(const QString& logLine, const QString& message = QString());
    bool stopRequested() const;
    bool ended() const { return m_ended || stopRequested(); }
    void takeOrders();
    void handleStreamFront();
    void handleDatagram();
    void takeStragglers();
    void handleHeader(ReceiveBuffer::Lane lane);
    std::optional<QByteArray> collectHeader(ReceiveBuffer::Lane lane, std::uint32_t headerLength,
                                            std::uint32_t packetSize);
    bool takeMediaPacket(ReceiveBuffer::Lane lane);
    void dropEarlyMediaPacket(ReceiveBuffer::Lane lane, std::uint16_t length);
    void logUnknownPrefix(std::uint8_t type, std::uint8_t flags);
    void tellFieldsBeyondReply(const FieldsBeyondReply& fields);

    ReceiveBuffer& m_buffer;
    RunEventQueue& m_events;
    ExchangeSetup m_setup;
    const std::atomic<bool>& m_stop;
    ClientCommands m_commands;

    bool m_ended = false;  // failed, or the server has gone
    int m_datagramsInARow = 0;
    std::uint32_t m_funnelReports = 0;
    QByteArray m_funnelData;
    bool m_transportAsked = false;          // the last funnel report came and was answered
    std::optional<OpenFileFigures> m_file;  // the open-file reply's figures
    bool m_headerTaken = false;             // a header was handed over (or failed) for the current entry
    bool m_headerFailed = false;            // the header could not be collected: later header packets are dropped
    bool m_mediaAsked = false;              // the engine asked for media: packets are handed over
    std::optional<MediaRequest> m_media;    // what it asked for, sent once the selection is answered
    bool m_earlyMediaLogged = false;
    std::uint64_t m_packetsHandedOver = 0;
    bool m_entryEnded = false;       // an end of stream said the next entry follows
    StreamChangeFigures m_current;   // of the entry being received
    StreamChangeFigures m_change;    // of the next entry, once announced
    bool m_changeAnnounced = false;  // a stream change (0x20) came; the next header is due
    bool m_datagramsHeld = false;    // datagrams wait for that stream change
};

}  // namespace tovrin
