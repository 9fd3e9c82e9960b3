#pragma once

#include "state/received_packets.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace tovrin {

using Counter = std::atomic<std::uint32_t>;

// Largest number of streams the stream table holds.
inline constexpr std::size_t kMaxStreams = 10;

// File packet count the server announces for a live broadcast.
inline constexpr std::uint32_t kLivePacketCount = 0xFFFFFFFFu;

// All values of one download run, grouped by who may touch them (see
// docs/threads.md); what outlives a run is in SessionState. "The receive thread" is the UI thread itself for MMS over
// HTTP, which has none.
struct RunState {
    // --- Atomic words: written by one thread, read by the other ------------
    // The receive thread writes the server's figures, the storage progress
    // and the facts of the stored header; the UI thread's refresh tick, stop
    // routine and fix-ups read them. Each is one atomic 32-bit word.
    Counter packetSize{0};
    Counter headerLength{0};
    Counter filePacketCount{0};
    Counter streamBitRate{0};
    Counter serverClientCount{0};
    Counter ackCount{0};
    Counter incarnation{1};
    Counter mediaTime{0};
    Counter packetIndex{0};
    // The highest slot stored in this run: a datagram that arrives out of
    // order leaves packetIndex, the latest, below it.
    Counter highestPacketIndex{0};
    // Set once the first media packet of the run has been written to its
    // slot: until then packetIndex counts nothing.
    std::atomic<bool> mediaPacketStored{false};
    Counter headerSendDuration{0};
    Counter headerFileSize{0};
    Counter storedPacketCount{0};
    Counter streamCount{0};
    Counter streamKindBits{0};
    Counter maxBitRate{0};
    // Entries of the stream have been joined in one file (their headers
    // equal): the header's durations no longer describe it.
    std::atomic<bool> entriesJoined{false};
    // The server's funnel reports in this run: the transport request goes
    // out after the last one.
    Counter funnelReportCount{0};

    // --- Atomic flags either thread may set --------------------------------
    // The stop flag (the UI thread's stop routine, the receive thread's end
    // of the run); every wait of the receive thread checks it.
    std::atomic<bool> stopFlag{false};
    // The fix-ups still to be done: the stop routine sets them once done, and
    // a run that has nothing worth patching sets them beforehand.
    std::atomic<bool> liveHeaderFixed{false};
    std::atomic<bool> packetCountFixed{false};
    // A failed write of the save file has been told: once per run is enough.
    std::atomic<bool> writeErrorReported{false};

    // --- Set on the UI thread, read by the receive thread -----------------
    // Set before the receive thread starts, except dataOverUdp: the data
    // transport the server was asked for (UDP datagrams rather than the TCP
    // connection), set when the transport command goes out; the UDP setting
    // may change meanwhile and no longer tells.
    std::atomic<bool> resume{false};
    std::atomic<bool> localFileMode{false};
    std::atomic<bool> dataOverUdp{false};
    // Whether the run follows the stream into its next entry (the
    // FollowEntries setting when the run started).
    std::atomic<bool> followEntries{true};
    // The gauge's percentage text, shown once a file of known length starts
    // streaming and kept until the next reset. UI thread only.
    std::atomic<bool> gaugeTextShown{false};

    // --- One thread at a time -------------------------------------------------
    // The UI thread before the receive thread starts and after it has ended,
    // the receive thread in between.
    // Set once the header is stored and inspected, with a packet size to pad
    // and place media packets by: from then on media packets are taken.
    bool readyForMedia = false;
    QByteArray funnelData;
    QString serverHost;
    QString streamPath;
    QString defaultSaveName;
    QString previewFile;
    // Which packets of an on-demand file the save file holds (see
    // received_packets.h for the threads that touch it).
    ReceivedPackets receivedPackets;

    // --- CommandChannel's send lock ----------------------------------------
    // Numbers the commands; taken and raised only under that lock.
    Counter commandSequence{0};

    bool isLive() const { return filePacketCount.load() == kLivePacketCount; }

    // Rebuilds the value in place, so every field starts again from its
    // initial value. UI thread only, while no receive thread exists: nothing
    // else may touch the run state meanwhile.
    void reset();
};

}  // namespace tovrin
