#pragma once

#include "asf/header_and_packet_storage.h"
#include "mms/receive_buffer.h"
#include "mms/server_replies.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <vector>

namespace tovrin {

struct AppContext;
class ClientCommands;
class RecordingFile;
class RunActions;
struct ServerCredentials;
struct FieldBeyondReply;

// Most bytes the stream lane of the receive buffer holds: the control
// connection is read no further until the receive thread has made room.
inline constexpr std::uint64_t kReceiveBufferLimit = 100000;
// Largest UDP datagram accepted; anything as large is refused.
inline constexpr int kMaxDatagramSize = 100000;
// How long the end of a UDP run waits for datagrams still on their way (ms):
// the server's end-of-stream reply on TCP can overtake its last datagrams.
inline constexpr int kStragglerGraceMs = 200;

// The body of a run's receive thread: consumes the receive buffer, answers
// every server command with the next client command, and stores the header
// and the media packets. It reads the server's challenge into the run's
// `credentials` and sends what the password dialog encoded there. Datagrams
// (UDP) and the control connection's bytes (TCP) sit in separate lanes of the
// buffer; the loop takes whole units from either, so a datagram never lands
// inside a command packet.
//
// Thread: the receive thread. `ctx.shell` must carry its calls to the UI
// thread; `actions` does the same for the stop routine, the announcements
// and the password dialog. The loop ends at the first wait after the stop
// flag is set, and handles nothing more once it is set.
class ReceiveLoop {
public:
    ReceiveLoop(AppContext& ctx, ReceiveBuffer& buffer, RecordingFile& file, ServerCredentials& credentials,
                ClientCommands& commands, RunActions& actions);

    void run();

    // Answers one complete server command packet; false for an id the client
    // does not know.
    bool dispatch(std::uint8_t commandId, const QByteArray& packet);

private:
    bool stopRequested() const;
    void handleStreamFront();
    void handleDatagram();
    void takeStragglers();
    void handleHeader(bool fromDatagrams);
    void handleNextHeader(ReceiveLane lane, const std::function<bool()>& stop);
    void headerFailed();
    void logUnknownPrefix(std::uint8_t type, std::uint8_t flags);
    void tellFieldsBeyondReply(const std::vector<FieldBeyondReply>& fields);
    bool headerStored() const;
    void dropEarlyMediaPacket(ReceiveBuffer& buffer, ReceiveBuffer::Lane lane, std::uint16_t length);

    AppContext& m_ctx;
    ReceiveBuffer& m_buffer;
    RecordingFile& m_file;
    ServerCredentials& m_credentials;
    ClientCommands& m_commands;
    RunActions& m_actions;
    MediaPacketWriter m_writer;
    int m_datagramsInARow = 0;
    bool m_headerFailed = false;  // the header was refused or could not be stored
    bool m_earlyMediaLogged = false;
    bool m_transportAsked = false;   // the last funnel report came and was answered
    QByteArray m_storedHeader;       // the header of the file being recorded
    bool m_entryEnded = false;       // an end of stream said the next entry follows
    StreamChangeFigures m_change;    // of the next entry, once announced
    bool m_changeAnnounced = false;  // a stream change (0x20) came; the next header is due
    bool m_datagramsHeld = false;    // datagrams wait for that stream change
};

}  // namespace tovrin
