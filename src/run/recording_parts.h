#pragma once

#include "asf/data_packet_reader.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringView>

#include <bitset>
#include <cstdint>
#include <optional>

namespace tovrin {

// A size as typed: a whole number of bytes, or with K, M, G or T (1024,
// 1024², ...; "700M", "1.5G"). Nothing when it is no size or 0.
std::optional<std::uint64_t> ParseByteSize(QStringView text);
// A span of time as typed: seconds, or with s, m, h or d ("10s", "30m",
// "1h"). Nothing when it is no time or 0.
std::optional<std::uint64_t> ParseSpanMs(QStringView text);
// A size as the log tells it: "700 MB", "512 KB", "1.5 GB", "900 B".
QString ByteSizeText(std::uint64_t bytes);

// How a broadcast is cut into parts: each part is a whole file of its own.
struct SettingsRecord;

struct PartRules {
    std::uint64_t everyMs = 0;    // a part's media time; 0: none
    bool onClock = false;         // parts start at the whole multiples of everyMs on the local clock
    std::uint64_t partBytes = 0;  // a part's size; 0: none
    bool any() const { return everyMs > 0 || partBytes > 0; }
};

// The rules the settings (SplitEvery, SplitOnClock, SplitSize) name; a
// setting that is no time or size is none.
PartRules PartRulesFrom(const SettingsRecord& settings);

// When a part's interval ends: the first whole multiple of `everyMs` on the
// local clock, counted from local midnight, after `now`.
QDateTime NextClockBoundary(const QDateTime& now, std::uint64_t everyMs);

// The size a recording file has once closed: its header, `packets` slots of
// `packetSize` bytes, and the index a recording of `mediaMs` gets.
std::uint64_t ClosedFileBytes(std::uint64_t headerLength, std::uint64_t packets, std::uint64_t packetSize,
                              std::uint64_t mediaMs);

// Where a broadcast's parts begin and end. A part ends after the packet at
// which its limit passed; the next part begins with the next packet, or in
// a stream with video with the next packet that starts a key frame of a
// video stream, so every part plays from its first picture. Pure.
class PartSplitter {
public:
    void setRules(const PartRules& rules) { m_rules = rules; }
    const PartRules& rules() const { return m_rules; }
    // The header the parts share: which of its streams are video.
    void setHeader(QByteArrayView header);
    // A part begins (its first packet is the next one stored) at `now`.
    void partStarted(const QDateTime& now);
    // A packet was stored in the part: its media time within the part, and
    // the part's size once closed.
    void packetStored(std::uint64_t partMediaMs, std::uint64_t partBytes, const QDateTime& now);
    // Whether `packet`, the next to store, begins the next part.
    bool beginsNextPart(QByteArrayView packet);

private:
    bool startsKeyFrame(QByteArrayView packet);

    PartRules m_rules;
    std::bitset<128> m_videoStreams;
    // Packets since the limit passed that held no piece of a video stream:
    // a recording whose chosen streams leave the video out splits as sound.
    int m_withoutVideo = 0;
    QDateTime m_clockBoundary;
    bool m_limitPassed = false;
    DataPacketFacts m_facts;
};

// The limits that end a whole recording before its stream ends.
struct SizeLimits {
    std::uint64_t maxBytes = 0;      // the recording's files together; 0: none
    std::uint64_t minFreeBytes = 0;  // the disk's free space left; 0: none
};

// What a limit of SizeLimits says after a packet was stored.
enum class SizeVerdict { GoOn, MaxSizeReached, DiskAlmostFull };

// Judges the size limits as packets are stored: the recording stops before
// the next packet would take its files past the maximum, or while the disk
// still has room for what the stop adds (the index) and the next moments of
// the stream. Pure: the free space is the caller's to read.
SizeVerdict JudgeSizeLimits(const SizeLimits& limits, std::uint64_t recordedBytes, std::uint64_t nextPacketBytes,
                            std::optional<std::uint64_t> freeBytes, std::uint64_t bytesPerSecond);

}  // namespace tovrin
