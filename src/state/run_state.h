#pragma once

#include "state/received_packets.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace tovrin {

class RecordingFile;

using Counter = std::atomic<std::uint32_t>;

// Largest number of streams the stream table holds.
inline constexpr std::size_t kMaxStreams = 10;

// File packet count the server announces for a live broadcast.
inline constexpr std::uint32_t kLivePacketCount = 0xFFFFFFFFu;

// All values of one download run. The receive thread writes the counters and
// the refresh tick reads them from the UI thread, so each is a single atomic
// 32-bit word. Texts and byte strings are touched by one thread at a time:
// the UI thread before the receive thread starts and after it has ended,
// the receive thread in between. The receive buffer guards itself.
struct RunState {
    // Connection (controller)
    std::atomic<bool> stopFlag{false};
    Counter ackCount{0};
    Counter commandSequence{0};

    // Server figures (open-file reply, funnel reports)
    Counter packetSize{0};
    Counter headerLength{0};
    Counter filePacketCount{0};
    Counter streamBitRate{0};
    Counter serverClientCount{0};

    // Storage progress
    Counter mediaTime{0};
    Counter packetIndex{0};
    // The highest slot stored in this run: a datagram that arrives out of
    // order leaves packetIndex, the latest, below it.
    Counter highestPacketIndex{0};
    // Set once the first media packet of the run has been written to its
    // slot: until then packetIndex counts nothing.
    std::atomic<bool> mediaPacketStored{false};
    // A failed write of the save file has been logged: once per run is enough.
    std::atomic<bool> writeErrorReported{false};
    // Which packets of an on-demand file the save file holds (see
    // received_packets.h for the threads that touch it).
    ReceivedPackets receivedPackets;

    // From the stored ASF header
    Counter headerSendDuration{0};
    Counter headerFileSize{0};
    Counter storedPacketCount{0};
    Counter streamCount{0};
    Counter streamKindBits{0};
    Counter maxBitRate{0};

    // Flags
    std::atomic<bool> resume{false};
    std::atomic<bool> localFileMode{false};
    std::atomic<bool> liveHeaderFixed{false};
    std::atomic<bool> packetCountFixed{false};
    // The data transport the server was asked for (UDP datagrams rather than
    // the TCP connection). Set when the transport command goes out; the UDP
    // setting may change meanwhile and no longer tells.
    std::atomic<bool> dataOverUdp{false};

    Counter incarnation{1};

    // The gauge's percentage text, shown once a file of known length starts
    // streaming and kept until the next reset.
    std::atomic<bool> gaugeTextShown{false};

    // The save file with its batch and its lock; it guards itself. Held by
    // pointer only because this layer cannot see the class (asf does): set
    // when the file is opened, before the receive thread starts.
    std::shared_ptr<RecordingFile> recording;
    QByteArray paddingBlock;
    QByteArray funnelData;
    QString serverHost;
    QString streamPath;
    QString defaultSaveName;
    QByteArray authCredentials;
    QString authChallenge;
    QString previewFile;

    // Filled from the ASF header; only the first streamCount entries are used.
    // Not cleared by a reset.
    std::array<std::uint8_t, kMaxStreams> streamNumbers{};
    std::array<std::uint8_t, kMaxStreams> streamActions{};

    // Live beside the run: counted across runs, back to 0 only on reaching 3.
    Counter funnelReportCount{0};

    // What the main window's labels show, kept across resets: the path of the
    // save file (chosen when a run starts) and the media location last opened.
    QString savePath;
    QString mediaLocation;

    bool isLive() const { return filePacketCount.load() == kLivePacketCount; }

    // Every run value back to its start value; the stream table and the
    // funnel report count keep theirs. The save file is closed.
    void reset();
};

}  // namespace tovrin
