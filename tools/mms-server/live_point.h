#pragma once

#include "mms-server/asf_file.h"
#include "mms-server/media_source.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace tovrin::mmsserver {

// How the open-file reply marks a live point: packet count 0xFFFFFFFF, or
// as MS-MMSP servers do, packet count 0; the broadcast attribute in both.
enum class LiveStyle { AllOnesCount, Mmsp };

// A live point: one file, or several aired in turn, replayed in a loop on a
// broadcast clock that starts when the point goes on air. Each entry lasts
// as long as its file plays; a loop is all entries one after the other, and
// loop k airs from k * loopMs(). Packet i of an entry airs at the loop's
// start + the entry's start within the loop + (send time of i - send time of
// the entry's packet 0), carries LocationId k * packetCount() + the packets
// of the entries before it + i (modulo 2^32), and has its send time and
// presentation times moved on by the time its entry airs from, so a client
// joining later sees the times of a broadcast that has been running, not of
// a file.
//
// One entry airs without a break from loop to loop. With several, each
// airing of an entry (an entry in one loop) is played on its own: a client
// moves from one to the next with a stream change, as on a playlist.
//
// The clock is injectable for tests; by default it is real time.
class LivePoint {
public:
    using Clock = std::function<std::int64_t()>;

    static std::shared_ptr<LivePoint> create(const QString& name, const QStringList& paths, QString* error,
                                             Clock clock = {});

    const QString& name() const { return m_name; }
    std::size_t entryCount() const { return m_entries.size(); }
    const QString& path(std::size_t entry) const { return m_entries[entry].file->path(); }
    // The entry's header marked as a broadcast: the File Properties broadcast
    // flag set, the seekable flag cleared, file size, durations and packet
    // counts zeroed, and the Data Object sized to its 50-byte start.
    const QByteArray& header(std::size_t entry) const { return m_entries[entry].header; }
    SourceFacts facts(LiveStyle style, std::size_t entry) const;
    std::int64_t loopMs() const { return m_loopMs; }
    std::uint64_t packetCount() const { return m_packetCount; }

    // Milliseconds since the point went on air.
    std::int64_t nowMs() const { return m_clock(); }

    struct Position {
        std::uint64_t loop = 0;
        std::uint64_t index = 0;  // within the entry
        std::size_t entry = 0;
    };
    // The first packet that airs at or after broadcastMs.
    Position positionAt(std::int64_t broadcastMs) const;
    std::int64_t airTimeMs(const Position& position) const;
    void advance(Position& position) const;
    // The airing a position is in, counted from the first entry of loop 0.
    std::uint64_t airingOf(const Position& position) const { return position.loop * entryCount() + position.entry; }
    // The first packet of an airing.
    Position airingStart(std::uint64_t airing) const { return {airing / entryCount(), 0, airing % entryCount()}; }
    // The packet at a position, with LocationId and times moved to the broadcast clock.
    std::optional<TimedPacket> packetAt(const Position& position, std::int64_t joinedAtMs);

private:
    struct Entry {
        std::unique_ptr<AsfFile> file;
        QByteArray header;
        std::vector<std::int64_t> airTimes;  // per packet, ms from the entry's start
        std::int64_t startMs = 0;            // within a loop
        std::int64_t lengthMs = 1;
        std::uint64_t firstLocation = 0;  // within a loop
    };

    LivePoint() = default;
    static bool load(Entry& entry, const QString& path, QString* error);

    QString m_name;
    std::vector<Entry> m_entries;
    std::int64_t m_loopMs = 1;
    std::uint64_t m_packetCount = 0;
    Clock m_clock;
};

// A live point as a client sees it after opening it: the header of the entry
// on air, and play always joins the broadcast now, whatever position the
// client names. On a point of several entries, a play ends with its airing,
// and nextEntry() moves on to the airing on air then.
class LiveSource : public MediaSource {
public:
    LiveSource(std::shared_ptr<LivePoint> point, LiveStyle style);

    QString describe() const override;
    const QByteArray& header() const override { return m_point->header(entry()); }
    SourceFacts facts() const override { return m_point->facts(m_style, entry()); }
    std::unique_ptr<PacketCursor> play(const StartPlaying& start) override;
    bool nextEntry() override;

private:
    std::size_t entry() const { return m_point->airingStart(m_airing).entry; }

    std::shared_ptr<LivePoint> m_point;
    LiveStyle m_style;
    std::uint64_t m_airing;
};

}  // namespace tovrin::mmsserver
