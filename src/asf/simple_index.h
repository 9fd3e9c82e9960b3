#pragma once

#include "asf/data_packet_reader.h"

#include <QByteArray>
#include <QByteArrayView>

#include <bitset>
#include <cstdint>
#include <vector>

namespace tovrin {

// The ASF Simple Index Object's time interval: one entry per second.
inline constexpr std::uint32_t kIndexIntervalMs = 1000;
// Most entries an index holds: one a second over the whole 32-bit range of
// send times. A length no header or packet can push further keeps the
// memory and the object bounded (6 bytes an entry, some 25 MiB at most).
inline constexpr std::uint32_t kMaxIndexEntries = 0xFFFFFFFFu / kIndexIntervalMs + 1;
// Bytes of the object before its entries.
inline constexpr qsizetype kSimpleIndexStart = 56;

// Builds the Simple Index Object of a recording from its stored packets, so
// players that seek only through an index can seek in it. Entry i names the
// packet holding the latest key frame (of a video stream; of any stream in a
// file without video) presented at or before i seconds, and how many packets
// that frame spans; entries before the first key frame name the first packet.
// Packets may be added in any order and more than once: the entries depend
// only on which packet is in which slot. Memory: one entry a second of media.
// Not thread-safe: the save file's lock guards the run's builder.
class SimpleIndexBuilder {
public:
    // The streams that index the file and its File ID, from its header.
    void setHeader(QByteArrayView header);
    // Adds the packet stored in slot `index` (a packet that does not parse
    // adds nothing).
    void add(std::uint32_t index, QByteArrayView packet);
    // The object for a file of `packetCount` packets playing for
    // `playDuration` (100-ns units): its entries reach past the play
    // duration and the latest time a packet names.
    QByteArray object(std::uint32_t packetCount, std::uint64_t playDuration) const;
    // Forgets every packet (the header's facts stay).
    void clearPackets();

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    struct Entry {
        std::uint32_t packet = kNone;
        std::uint32_t time = 0;  // of its key frame, ms
        std::uint16_t span = 1;  // packets the key frame spans
    };
    // A key frame whose later pieces are still to come, per stream.
    struct OpenFrame {
        std::uint32_t object = 0;
        std::uint32_t firstPacket = kNone;
        std::uint32_t entry = 0;
    };
    void keyFrame(std::uint32_t index, const PayloadFacts& payload);

    std::bitset<128> m_indexStreams;
    bool m_everyStream = true;
    QByteArray m_fileId = QByteArray(16, '\0');
    std::vector<Entry> m_entries;  // by the first entry second at or after the key frame's time
    std::vector<OpenFrame> m_open = std::vector<OpenFrame>(128);
    std::uint32_t m_firstPacket = kNone;
    std::uint32_t m_lastTime = 0;  // latest send time, ms
    DataPacketFacts m_facts;
};

}  // namespace tovrin
