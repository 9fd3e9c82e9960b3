#pragma once

#include "mms-server/asf_file.h"
#include "mms-server/media_source.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace tovrin::mmsserver {

// How the open-file reply marks a live point: packet count 0xFFFFFFFF, or
// as MS-MMSP servers do, packet count 0; the broadcast attribute in both.
enum class LiveStyle { AllOnesCount, Mmsp };

// A live point: one file replayed in a loop on a broadcast clock that starts
// when the point goes on air. Loop k of the file airs from k * loopMs(); its
// packet i airs at k * loopMs() + (send time of i - send time of packet 0),
// carries LocationId k * packetCount + i (modulo 2^32), and has its send
// time and presentation times moved on by k * loopMs(), so a client joining
// later sees the times of a broadcast that has been running, not of a file.
//
// The clock is injectable for tests; by default it is real time.
class LivePoint {
public:
    using Clock = std::function<std::int64_t()>;

    static std::shared_ptr<LivePoint> create(const QString& name, const QString& path, QString* error,
                                             Clock clock = {});

    const QString& name() const { return m_name; }
    const QString& path() const { return m_file->path(); }
    // The file's header marked as a broadcast: the File Properties broadcast
    // flag set, the seekable flag cleared, file size, durations and packet
    // counts zeroed, and the Data Object sized to its 50-byte start.
    const QByteArray& header() const { return m_header; }
    SourceFacts facts(LiveStyle style) const;
    std::int64_t loopMs() const { return m_loopMs; }
    std::uint64_t packetCount() const { return m_airTimes.size(); }

    // Milliseconds since the point went on air.
    std::int64_t nowMs() const { return m_clock(); }

    struct Position {
        std::uint64_t loop = 0;
        std::uint64_t index = 0;
    };
    // The first packet that airs at or after broadcastMs.
    Position positionAt(std::int64_t broadcastMs) const;
    std::int64_t airTimeMs(const Position& position) const;
    void advance(Position& position) const;
    // The packet at a position, with LocationId and times moved to the broadcast clock.
    std::optional<TimedPacket> packetAt(const Position& position, std::int64_t joinedAtMs);

private:
    LivePoint() = default;

    QString m_name;
    std::unique_ptr<AsfFile> m_file;
    QByteArray m_header;
    std::vector<std::int64_t> m_airTimes;  // per packet, ms from the start of a loop
    std::int64_t m_loopMs = 1;
    Clock m_clock;
};

// A live point as a client sees it after opening it: play always joins the
// broadcast now, whatever position the client names.
class LiveSource : public MediaSource {
public:
    LiveSource(std::shared_ptr<LivePoint> point, LiveStyle style) : m_point(std::move(point)), m_style(style) {}

    QString describe() const override;
    const QByteArray& header() const override { return m_point->header(); }
    SourceFacts facts() const override { return m_point->facts(m_style); }
    std::unique_ptr<PacketCursor> play(const StartPlaying& start) override;

private:
    std::shared_ptr<LivePoint> m_point;
    LiveStyle m_style;
};

}  // namespace tovrin::mmsserver
