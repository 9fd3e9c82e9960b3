#include "mms-server/media_source.h"

#include "mms-server/asf_data_packet.h"

#include <vector>

namespace tovrin::mmsserver {

namespace {

constexpr std::uint32_t kNotNamed = 0xFFFFFFFF;

class FileCursor : public PacketCursor {
public:
    FileCursor(std::shared_ptr<AsfFile> file, std::uint64_t index, double rate)
        : m_file(std::move(file)), m_index(index), m_clock(rate)
    {
    }

    std::optional<TimedPacket> next() override
    {
        auto bytes = m_file->packet(m_index);
        if (!bytes)
            return std::nullopt;
        // A packet whose times do not parse leaves with its predecessor.
        if (const auto times = ParseDataPacketTimes(*bytes))
            m_lastSendTime = times->sendTime;
        TimedPacket packet{std::uint32_t(m_index), std::move(*bytes), m_clock.dueMs(m_lastSendTime)};
        ++m_index;
        return packet;
    }

private:
    std::shared_ptr<AsfFile> m_file;
    std::uint64_t m_index;
    PacingClock m_clock;
    std::uint32_t m_lastSendTime = 0;
};

// Plays the packets of a cursor, then the same packets again and again with
// LocationIds counting on, all due at once. Holds one copy of the file's data
// packets.
class FloodCursor : public PacketCursor {
public:
    explicit FloodCursor(std::unique_ptr<PacketCursor> first) : m_first(std::move(first)) {}

    std::optional<TimedPacket> next() override
    {
        if (m_first) {
            if (std::optional<TimedPacket> packet = m_first->next()) {
                m_loop.push_back(packet->bytes);
                m_nextLocation = packet->locationId + 1;
                packet->dueMs = 0;
                return packet;
            }
            m_first.reset();
        }
        if (m_loop.empty())
            return std::nullopt;
        TimedPacket packet{m_nextLocation++, m_loop[m_replayed % m_loop.size()], 0};
        ++m_replayed;
        return packet;
    }

private:
    std::unique_ptr<PacketCursor> m_first;
    std::vector<QByteArray> m_loop;
    std::uint32_t m_nextLocation = 0;
    std::size_t m_replayed = 0;
};

}  // namespace

std::unique_ptr<PacketCursor> FloodOf(std::unique_ptr<PacketCursor> cursor)
{
    return std::make_unique<FloodCursor>(std::move(cursor));
}

FileSource::FileSource(std::shared_ptr<AsfFile> file, double rate) : m_file(std::move(file)), m_rate(rate) {}

QString FileSource::describe() const
{
    return m_file->path();
}

SourceFacts FileSource::facts() const
{
    SourceFacts facts;
    facts.attributes = attribute::kSeekable;
    facts.durationSeconds = m_file->durationSeconds();
    facts.packetSize = m_file->packetSize();
    facts.packetCount = m_file->packetCount();
    facts.bitRate = m_file->bitRate();
    return facts;
}

std::uint64_t FileSource::startIndex(const StartPlaying& start)
{
    if (start.locationId != kNotNamed)
        return start.locationId;
    if (start.asfOffset != kNotNamed)
        return start.asfOffset / m_file->packetSize();
    if (start.positionSeconds <= 0)
        return 0;
    // The first packet sent at or after the position, counted from the first send time.
    std::optional<std::uint32_t> first;
    const auto target = std::int64_t(start.positionSeconds * 1000.0);
    for (std::uint64_t i = 0; i < m_file->packetCount(); ++i) {
        const auto bytes = m_file->packet(i);
        const auto times = bytes ? ParseDataPacketTimes(*bytes) : std::nullopt;
        if (!times)
            continue;
        if (!first)
            first = times->sendTime;
        if (std::int32_t(times->sendTime - *first) >= target)
            return i;
    }
    return m_file->packetCount();
}

std::unique_ptr<PacketCursor> FileSource::play(const StartPlaying& start)
{
    return std::make_unique<FileCursor>(m_file, startIndex(start), m_rate);
}

PlaylistSource::PlaylistSource(std::vector<std::shared_ptr<AsfFile>> entries, double rate)
    : m_entries(std::move(entries)), m_rate(rate), m_current(m_entries.front(), rate)
{
}

QString PlaylistSource::describe() const
{
    return QStringLiteral("entry %1 of %2, %3").arg(m_index + 1).arg(m_entries.size()).arg(m_current.describe());
}

bool PlaylistSource::nextEntry()
{
    if (m_index + 1 >= m_entries.size())
        return false;
    m_current = FileSource(m_entries[++m_index], m_rate);
    return true;
}

}  // namespace tovrin::mmsserver
