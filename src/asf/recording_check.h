#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace tovrin {

// Whether a recording on disk is whole and says so truthfully: its packets
// against what its header states, its sizes and its index. Reads the file
// in runs of a few hundred kilobytes, so memory stays flat whatever its size
// (the index it rebuilds takes one entry a second of media).
struct RecordingCheck {
    struct Range {
        std::uint64_t first = 0;
        std::uint64_t last = 0;  // inclusive
    };
    // Runs of slots, the first kMaxRanges of them, and how many slots in all.
    struct Slots {
        std::vector<Range> ranges;
        std::uint64_t count = 0;
        void add(std::uint64_t first, std::uint64_t last);
    };
    static constexpr std::size_t kMaxRanges = 20;
    enum class Index { Absent, Agrees, Disagrees };

    // Set when the file is no ASF recording this check can read; nothing
    // else is then known.
    std::optional<QString> unreadable;

    std::uint64_t fileSize = 0;
    std::uint64_t statedFileSize = 0;  // the File Properties Object's
    std::uint64_t headerLength = 0;    // the Header Object and the Data Object's fixed start
    std::uint32_t packetSize = 0;
    std::uint64_t statedPackets = 0;   // the File Properties Object's
    std::uint64_t playDurationMs = 0;  // the File Properties Object's, its preroll included
    std::uint64_t dataObjectSize = 0;
    std::uint64_t dataObjectPackets = 0;
    bool broadcast = false;  // the header still marks a broadcast: its end was never written

    std::uint64_t present = 0;                                 // slots holding a packet that parses
    Slots missing;                                             // never written (all zero) or beyond the end of the file
    Slots damaged;                                             // written, but the packet does not parse
    std::optional<std::uint32_t> firstSendTime, lastSendTime;  // ms
    std::uint32_t preroll = 0;                                 // ms, the File Properties Object's
    // How far the packets' media reaches (ms) from the first send time: the
    // latest end of a packet (its send time and duration) or presentation of
    // a payload (less the preroll).
    std::uint64_t reachedMs = 0;
    Index index = Index::Absent;
    std::uint64_t trailingBytes = 0;  // behind the last stated slot, that are no index

    bool sizesAgree() const;
    // The header's play duration, less its preroll (ms).
    std::uint64_t statedMediaMs() const { return playDurationMs > preroll ? playDurationMs - preroll : 0; }
    // The packets end well before the play duration the header states: a
    // recording of known length stopped or cut before its end, whose header
    // states the packets it holds. (The end of a broadcast's recording gives
    // it the duration its packets reach.)
    bool cutShort() const;
    // Every stated packet present, not cut short, the sizes agree and the
    // index agrees.
    bool whole() const;
};

// `slotCount`: how many slots to read, when not the count the header states.
RecordingCheck CheckRecording(const QString& path, std::optional<std::uint64_t> slotCount = std::nullopt);

// Ends a recording that a killed run left without its end, as resuming it
// would and without a server: the packets are those its file holds whole
// (as far as its Data Object counts them), the file is cut behind the last,
// the index of its packets is written, and the header's counts and sizes
// (and a broadcast's durations and flags) describe it. The lines say what
// changed; nothing when the file cannot be repaired (`failure` says why).
struct RepairOutcome {
    QStringList changes;
    std::optional<QString> failure;
};
RepairOutcome RepairRecording(const QString& path);

}  // namespace tovrin
