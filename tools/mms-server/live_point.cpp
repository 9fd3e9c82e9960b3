#include "mms-server/live_point.h"

#include "asf/byte_helpers.h"
#include "mms-server/asf_data_packet.h"

#include <QElapsedTimer>

#include <algorithm>

namespace tovrin::mmsserver {

namespace {

// Packets from the broadcast's now: without end on a point of one entry, to
// the end of one airing on a point of several.
class LiveCursor : public PacketCursor {
public:
    LiveCursor(std::shared_ptr<LivePoint> point, std::optional<std::uint64_t> airing)
        : m_point(std::move(point)),
          m_airing(airing),
          m_joinedAt(m_point->nowMs()),
          m_position(m_point->positionAt(m_joinedAt))
    {
        // A client that asks for an airing before it begins waits for its first packet.
        if (m_airing && m_point->airingOf(m_position) < *m_airing)
            m_position = m_point->airingStart(*m_airing);
    }

    std::optional<TimedPacket> next() override
    {
        if (m_airing && m_point->airingOf(m_position) != *m_airing)
            return std::nullopt;
        auto packet = m_point->packetAt(m_position, m_joinedAt);
        m_point->advance(m_position);
        return packet;
    }

private:
    std::shared_ptr<LivePoint> m_point;
    std::optional<std::uint64_t> m_airing;
    std::int64_t m_joinedAt;
    LivePoint::Position m_position;
};

}  // namespace

std::shared_ptr<LivePoint> LivePoint::create(const QString& name, const QStringList& paths, QString* error, Clock clock)
{
    std::shared_ptr<LivePoint> point(new LivePoint);
    point->m_name = name;
    point->m_entries.resize(std::size_t(paths.size()));
    std::int64_t start = 0;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        Entry& entry = point->m_entries[std::size_t(i)];
        if (!load(entry, paths[i], error))
            return nullptr;
        entry.startMs = start;
        entry.firstLocation = point->m_packetCount;
        start += entry.lengthMs;
        point->m_packetCount += entry.airTimes.size();
    }
    if (point->m_entries.empty()) {
        *error = QStringLiteral("no file");
        return nullptr;
    }
    point->m_loopMs = start;
    if (!clock) {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        clock = [timer] { return timer->elapsed(); };
    }
    point->m_clock = std::move(clock);
    return point;
}

bool LivePoint::load(Entry& entry, const QString& path, QString* error)
{
    entry.file = AsfFile::open(path, error);
    if (!entry.file)
        return false;

    // Air time of each packet within the entry. A packet whose times do not
    // parse airs with its predecessor; send times running backwards (files
    // are not strictly ordered) are held at the latest seen.
    AsfFile& file = *entry.file;
    entry.airTimes.reserve(file.packetCount());
    std::optional<std::uint32_t> first;
    std::int64_t latest = 0;
    std::int64_t end = 1;
    for (std::uint64_t i = 0; i < file.packetCount(); ++i) {
        const auto bytes = file.packet(i);
        const auto times = bytes ? ParseDataPacketTimes(*bytes) : std::nullopt;
        if (times) {
            if (!first)
                first = times->sendTime;
            latest = std::max<std::int64_t>(latest, std::int32_t(times->sendTime - *first));
            end = std::max<std::int64_t>(end, latest + times->duration + 1);
        }
        entry.airTimes.push_back(latest);
    }
    // An entry lasts at least as long as the file plays, so presentation
    // times keep rising from one airing into the next.
    entry.lengthMs = std::max<std::int64_t>(end, std::int64_t(file.durationSeconds() * 1000.0) + 1);

    // A broadcast describes no file: no size, no length, no packet count,
    // and a Data Object that ends with its own fixed start. A header that
    // kept the file's figures would make players stop at the file's end.
    QByteArray& header = entry.header;
    header = file.header();
    const qsizetype fpo = file.filePropertiesOffset();
    const qsizetype data = header.size() - 50;
    const std::uint32_t flags = LE32At(header, fpo + 88).value_or(0);
    PutLE(header, fpo + 88, (flags | 0x01u) & ~0x02u, 4);
    for (const qsizetype field : {40, 56, 64, 72})  // file size, packet count, play and send duration
        PutLE(header, fpo + field, 0, 8);
    PutLE(header, data + 16, 50, 8);
    PutLE(header, data + 40, 0, 8);
    return true;
}

SourceFacts LivePoint::facts(LiveStyle style, std::size_t entry) const
{
    SourceFacts facts;
    facts.packetSize = m_entries[entry].file->packetSize();
    facts.bitRate = m_entries[entry].file->bitRate();
    // Both styles carry the broadcast attribute; they differ in the count.
    facts.attributes = attribute::kBroadcast;
    facts.packetCount = style == LiveStyle::Mmsp ? 0 : 0xFFFFFFFF;
    return facts;
}

LivePoint::Position LivePoint::positionAt(std::int64_t broadcastMs) const
{
    const std::int64_t at = std::max<std::int64_t>(broadcastMs, 0);
    const std::int64_t within = at % m_loopMs;
    const auto entry = std::prev(std::upper_bound(m_entries.begin(), m_entries.end(), within,
                                                  [](std::int64_t ms, const Entry& e) { return ms < e.startMs; }));
    Position position;
    position.loop = std::uint64_t(at / m_loopMs);
    position.entry = std::size_t(entry - m_entries.begin());
    position.index =
        std::uint64_t(std::lower_bound(entry->airTimes.begin(), entry->airTimes.end(), within - entry->startMs)
                      - entry->airTimes.begin());
    if (position.index == entry->airTimes.size()) {
        // Past the entry's last packet: the next entry's first.
        position.index = entry->airTimes.size() - 1;
        advance(position);
    }
    return position;
}

std::int64_t LivePoint::airTimeMs(const Position& position) const
{
    const Entry& entry = m_entries[position.entry];
    return std::int64_t(position.loop) * m_loopMs + entry.startMs + entry.airTimes[position.index];
}

void LivePoint::advance(Position& position) const
{
    if (++position.index < m_entries[position.entry].airTimes.size())
        return;
    position.index = 0;
    if (++position.entry == m_entries.size()) {
        position.entry = 0;
        ++position.loop;
    }
}

std::optional<TimedPacket> LivePoint::packetAt(const Position& position, std::int64_t joinedAtMs)
{
    const Entry& entry = m_entries[position.entry];
    auto bytes = entry.file->packet(position.index);
    if (!bytes)
        return std::nullopt;
    // A packet that does not parse goes out unchanged: the loop still airs.
    ShiftDataPacketTimes(*bytes, std::uint32_t(std::int64_t(position.loop) * m_loopMs + entry.startMs));
    TimedPacket packet;
    packet.locationId = std::uint32_t(position.loop * m_packetCount + entry.firstLocation + position.index);
    packet.bytes = std::move(*bytes);
    packet.dueMs = std::max<std::int64_t>(airTimeMs(position) - joinedAtMs, 0);
    return packet;
}

LiveSource::LiveSource(std::shared_ptr<LivePoint> point, LiveStyle style)
    : m_point(std::move(point)), m_style(style), m_airing(m_point->airingOf(m_point->positionAt(m_point->nowMs())))
{
}

QString LiveSource::describe() const
{
    if (m_point->entryCount() == 1)
        return QStringLiteral("live point %1 (%2)").arg(m_point->name(), m_point->path(0));
    return QStringLiteral("live point %1, entry %2 of %3 (%4)")
        .arg(m_point->name())
        .arg(entry() + 1)
        .arg(m_point->entryCount())
        .arg(m_point->path(entry()));
}

std::unique_ptr<PacketCursor> LiveSource::play(const StartPlaying&)
{
    if (m_point->entryCount() == 1)
        return std::make_unique<LiveCursor>(m_point, std::nullopt);
    return std::make_unique<LiveCursor>(m_point, m_airing);
}

bool LiveSource::nextEntry()
{
    if (m_point->entryCount() == 1)
        return false;
    // The airing after this one, or a later one when the client fell behind.
    m_airing = std::max(m_airing + 1, m_point->airingOf(m_point->positionAt(m_point->nowMs())));
    return true;
}

}  // namespace tovrin::mmsserver
