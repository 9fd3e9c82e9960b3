#include "mms-server/live_point.h"

#include "asf/byte_helpers.h"
#include "mms-server/asf_data_packet.h"

#include <QElapsedTimer>

#include <algorithm>

namespace tovrin::mmsserver {

namespace {

class LiveCursor : public PacketCursor {
public:
    explicit LiveCursor(std::shared_ptr<LivePoint> point)
        : m_point(std::move(point)), m_joinedAt(m_point->nowMs()), m_position(m_point->positionAt(m_joinedAt))
    {
    }

    std::optional<TimedPacket> next() override
    {
        auto packet = m_point->packetAt(m_position, m_joinedAt);
        m_point->advance(m_position);
        return packet;
    }

private:
    std::shared_ptr<LivePoint> m_point;
    std::int64_t m_joinedAt;
    LivePoint::Position m_position;
};

}  // namespace

std::shared_ptr<LivePoint> LivePoint::create(const QString& name, const QString& path, QString* error, Clock clock)
{
    std::shared_ptr<LivePoint> point(new LivePoint);
    point->m_name = name;
    point->m_file = AsfFile::open(path, error);
    if (!point->m_file)
        return nullptr;
    if (!clock) {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        clock = [timer] { return timer->elapsed(); };
    }
    point->m_clock = std::move(clock);

    // Air time of each packet within a loop. A packet whose times do not
    // parse airs with its predecessor; send times running backwards (files
    // are not strictly ordered) are held at the latest seen.
    AsfFile& file = *point->m_file;
    point->m_airTimes.reserve(file.packetCount());
    std::optional<std::uint32_t> first;
    std::int64_t latest = 0;
    std::int64_t loopEnd = 1;
    for (std::uint64_t i = 0; i < file.packetCount(); ++i) {
        const auto bytes = file.packet(i);
        const auto times = bytes ? ParseDataPacketTimes(*bytes) : std::nullopt;
        if (times) {
            if (!first)
                first = times->sendTime;
            latest = std::max<std::int64_t>(latest, std::int32_t(times->sendTime - *first));
            loopEnd = std::max<std::int64_t>(loopEnd, latest + times->duration + 1);
        }
        point->m_airTimes.push_back(latest);
    }
    // A loop lasts at least as long as the file plays, so presentation times
    // keep rising from one loop into the next.
    point->m_loopMs = std::max<std::int64_t>(loopEnd, std::int64_t(file.durationSeconds() * 1000.0) + 1);

    // A broadcast describes no file: no size, no length, no packet count,
    // and a Data Object that ends with its own fixed start. A header that
    // kept the file's figures would make players stop at the file's end.
    QByteArray& header = point->m_header;
    header = file.header();
    const qsizetype fpo = file.filePropertiesOffset();
    const qsizetype data = header.size() - 50;
    const std::uint32_t flags = LE32At(header, fpo + 88).value_or(0);
    PutLE(header, fpo + 88, (flags | 0x01u) & ~0x02u, 4);
    for (const qsizetype field : {40, 56, 64, 72})  // file size, packet count, play and send duration
        PutLE(header, fpo + field, 0, 8);
    PutLE(header, data + 16, 50, 8);
    PutLE(header, data + 40, 0, 8);
    return point;
}

SourceFacts LivePoint::facts(LiveStyle style) const
{
    SourceFacts facts;
    facts.packetSize = m_file->packetSize();
    facts.bitRate = m_file->bitRate();
    // Both styles carry the broadcast attribute; they differ in the count.
    facts.attributes = attribute::kBroadcast;
    facts.packetCount = style == LiveStyle::Mmsp ? 0 : 0xFFFFFFFF;
    return facts;
}

LivePoint::Position LivePoint::positionAt(std::int64_t broadcastMs) const
{
    const std::int64_t at = std::max<std::int64_t>(broadcastMs, 0);
    Position position;
    position.loop = std::uint64_t(at / m_loopMs);
    const std::int64_t within = at % m_loopMs;
    position.index = std::uint64_t(std::lower_bound(m_airTimes.begin(), m_airTimes.end(), within) - m_airTimes.begin());
    if (position.index == m_airTimes.size()) {
        ++position.loop;
        position.index = 0;
    }
    return position;
}

std::int64_t LivePoint::airTimeMs(const Position& position) const
{
    return std::int64_t(position.loop) * m_loopMs + m_airTimes[position.index];
}

void LivePoint::advance(Position& position) const
{
    if (++position.index == m_airTimes.size()) {
        position.index = 0;
        ++position.loop;
    }
}

std::optional<TimedPacket> LivePoint::packetAt(const Position& position, std::int64_t joinedAtMs)
{
    auto bytes = m_file->packet(position.index);
    if (!bytes)
        return std::nullopt;
    // A packet that does not parse goes out unchanged: the loop still airs.
    ShiftDataPacketTimes(*bytes, std::uint32_t(std::int64_t(position.loop) * m_loopMs));
    TimedPacket packet;
    packet.locationId = std::uint32_t(position.loop * m_airTimes.size() + position.index);
    packet.bytes = std::move(*bytes);
    packet.dueMs = std::max<std::int64_t>(airTimeMs(position) - joinedAtMs, 0);
    return packet;
}

QString LiveSource::describe() const
{
    return QStringLiteral("live point %1 (%2)").arg(m_point->name(), m_point->path());
}

std::unique_ptr<PacketCursor> LiveSource::play(const StartPlaying&)
{
    return std::make_unique<LiveCursor>(m_point);
}

}  // namespace tovrin::mmsserver
