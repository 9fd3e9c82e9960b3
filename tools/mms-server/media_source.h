#pragma once

#include "mms-server/asf_file.h"
#include "mms-server/client_messages.h"
#include "mms-server/pacing_clock.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace tovrin::mmsserver {

// fileAttributes bits of the open-file reply.
namespace attribute {
constexpr std::uint32_t kSeekable = 0x01000000;
constexpr std::uint32_t kBroadcast = 0x02000000;
}  // namespace attribute

// A data packet ready to leave: its LocationId, its bytes (a whole ASF data
// packet) and when it is due, in ms after the start of play.
struct TimedPacket {
    std::uint32_t locationId = 0;
    QByteArray bytes;
    std::int64_t dueMs = 0;
};

// The packets of one play, in order. Owned by the connection that sends them.
class PacketCursor {
public:
    virtual ~PacketCursor() = default;
    // The next packet; nothing at the end of the stream.
    virtual std::optional<TimedPacket> next() = 0;
};

// The cursor's packets, then the same packets again and again with
// LocationIds counting on, all due at once (the media-flood misbehaviour).
std::unique_ptr<PacketCursor> FloodOf(std::unique_ptr<PacketCursor> cursor);

// What the open-file reply reports about a source.
struct SourceFacts {
    std::uint32_t attributes = 0;
    double durationSeconds = 0;
    std::uint32_t packetSize = 0;
    std::uint64_t packetCount = 0;
    std::uint32_t bitRate = 0;
};

// Something a client opens by name: a file on demand or a live point.
class MediaSource {
public:
    virtual ~MediaSource() = default;
    virtual QString describe() const = 0;
    // Header Object + the Data Object's first 50 bytes, as sent to the client.
    virtual const QByteArray& header() const = 0;
    virtual SourceFacts facts() const = 0;
    virtual std::unique_ptr<PacketCursor> play(const StartPlaying& start) = 0;
    // Moves a playlist on to its next entry: header(), facts() and play()
    // answer for that entry from then on. False after the last entry, and
    // for a source that is no playlist.
    virtual bool nextEntry() { return false; }
};

// A file served on demand. Play starts at the LocationId the client names
// (0xFFFFFFFF: not named), else at its asfOffset into the data packets, else
// at its position in seconds; packets are paced by their send times / rate.
class FileSource : public MediaSource {
public:
    FileSource(std::shared_ptr<AsfFile> file, double rate);

    QString describe() const override;
    const QByteArray& header() const override { return m_file->header(); }
    SourceFacts facts() const override;
    std::unique_ptr<PacketCursor> play(const StartPlaying& start) override;

    // The packet index a StartPlaying command asks for (may be past the end).
    std::uint64_t startIndex(const StartPlaying& start);

private:
    std::shared_ptr<AsfFile> m_file;
    double m_rate;
};

// Files played in turn, each on demand, as a server-side playlist: a play
// covers the current entry, and the connection asks for the next.
class PlaylistSource : public MediaSource {
public:
    PlaylistSource(std::vector<std::shared_ptr<AsfFile>> entries, double rate);

    QString describe() const override;
    const QByteArray& header() const override { return m_current.header(); }
    SourceFacts facts() const override { return m_current.facts(); }
    std::unique_ptr<PacketCursor> play(const StartPlaying& start) override { return m_current.play(start); }
    bool nextEntry() override;

private:
    std::vector<std::shared_ptr<AsfFile>> m_entries;
    double m_rate;
    std::size_t m_index = 0;
    FileSource m_current;
};

}  // namespace tovrin::mmsserver
