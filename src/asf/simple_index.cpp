#include "asf/simple_index.h"

#include "asf/asf_objects.h"
#include "asf/byte_helpers.h"

#include <algorithm>

namespace tovrin {

namespace {

constexpr QByteArrayView kSimpleIndexGuid("\x90\x08\x00\x33\xB1\xE5\xCF\x11\x89\xF4\x00\xA0\xC9\x03\x49\xCB", 16);
// A key frame is presented shortly after its packet is sent; a time further
// ahead than this is a damaged or hostile one, and would only swell the index.
constexpr std::uint32_t kMaxPresentationLeadMs = 600000;
// How far past its packets' times an index follows a stated play duration.
constexpr std::uint64_t kMaxPlayBeyondPackets = 24 * 3600;
// Stream Properties Object: stream type GUID, flags (low 7 bits: the number).
constexpr qsizetype kStreamTypeField = 24;
constexpr qsizetype kStreamFlagsField = 72;
constexpr qsizetype kFileIdField = 24;

}  // namespace

void SimpleIndexBuilder::setHeader(QByteArrayView header)
{
    m_indexStreams.reset();
    const HeaderObjects objects(header);
    for (const qsizetype at : objects.findAll(guid::kStreamProperties)) {
        const QByteArrayView object = ObjectBytes(header, at);
        const std::optional<std::uint16_t> flags = LE16At(object, kStreamFlagsField);
        if (flags && object.sliced(kStreamTypeField).startsWith(guid::kVideoMedia))
            m_indexStreams.set(*flags & 0x7F);
    }
    m_everyStream = m_indexStreams.none();
    const QByteArrayView properties = objects.bytes(guid::kFileProperties);
    if (properties.size() >= kFileIdField + 16)
        m_fileId = properties.sliced(kFileIdField, 16).toByteArray();
}

void SimpleIndexBuilder::clearPackets()
{
    m_entries.clear();
    std::fill(m_open.begin(), m_open.end(), OpenFrame{});
    m_firstPacket = kNone;
    m_lastTime = 0;
}

void SimpleIndexBuilder::add(std::uint32_t index, QByteArrayView packet)
{
    if (index == kNone || !ReadDataPacket(packet, m_facts))
        return;
    m_firstPacket = std::min(m_firstPacket, index);
    m_lastTime = std::max(m_lastTime, m_facts.sendTime);
    for (const PayloadFacts& payload : m_facts.payloads) {
        OpenFrame& open = m_open[payload.stream];
        if (payload.offset > 0 && payload.objectNumber == open.object && open.firstPacket < index
            && std::uint64_t(payload.offset) + payload.length >= payload.objectSize) {
            // The last piece of a key frame that began in an earlier packet.
            Entry& entry = m_entries[open.entry];
            if (entry.packet == open.firstPacket)
                entry.span = std::uint16_t(std::min<std::uint32_t>(index - open.firstPacket + 1, 0xFFFF));
        }
        if (payload.offset == 0 && (m_everyStream || (payload.keyFrame && m_indexStreams[payload.stream])))
            keyFrame(index, payload);
    }
}

void SimpleIndexBuilder::keyFrame(std::uint32_t index, const PayloadFacts& payload)
{
    const std::uint32_t time = payload.presentationTime;
    // Compared on the 32-bit clock that wraps: a time further than the lead
    // before or after its packet's send time is damaged or hostile.
    const auto lead = std::int64_t(std::int32_t(time - m_facts.sendTime));
    if (lead > kMaxPresentationLeadMs || lead < -std::int64_t(kMaxPresentationLeadMs))
        return;
    const std::uint32_t second = time / kIndexIntervalMs + (time % kIndexIntervalMs != 0);
    if (second >= kMaxIndexEntries)
        return;
    if (second >= m_entries.size())
        m_entries.resize(second + 1);
    Entry& entry = m_entries[second];
    const bool later = entry.packet == kNone || time > entry.time || (time == entry.time && index < entry.packet);
    if (later)
        entry = Entry{index, time, 1};
    if (payload.length < payload.objectSize && (later || entry.packet == index))
        m_open[payload.stream] = OpenFrame{payload.objectNumber, index, second};
}

QByteArray SimpleIndexBuilder::object(std::uint32_t packetCount, std::uint64_t playDuration) const
{
    // Entries reach past the latest time a packet names, and past the play
    // duration the header states, up to a day beyond the packets: a header
    // claiming weeks of play swells no index.
    const std::uint64_t reached = std::max<std::uint64_t>(m_entries.size(), m_lastTime / kIndexIntervalMs + 1);
    const std::uint64_t stated = playDuration / (kIndexIntervalMs * 10000ull) + 1;
    const std::uint64_t count =
        std::min<std::uint64_t>(std::max(reached, std::min(stated, reached + kMaxPlayBeyondPackets)), kMaxIndexEntries);
    QByteArray bytes = kSimpleIndexGuid.toByteArray();
    bytes += EncodeLE64(std::uint64_t(kSimpleIndexStart) + count * 6);
    bytes += m_fileId;
    bytes += EncodeLE64(std::uint64_t(kIndexIntervalMs) * 10000);
    bytes += EncodeLE32(0);  // maximum packet count, below
    bytes += EncodeLE32(std::uint32_t(count));
    bytes.resize(kSimpleIndexStart + qsizetype(count) * 6);
    Entry current{m_firstPacket == kNone ? 0 : m_firstPacket, 0, 1};
    std::uint16_t maxSpan = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (i < m_entries.size() && m_entries[i].packet != kNone && m_entries[i].packet < packetCount)
            current = m_entries[i];
        const qsizetype at = kSimpleIndexStart + qsizetype(i) * 6;
        PutLE(bytes, at, current.packet, 4);
        PutLE(bytes, at + 4, current.span, 2);
        maxSpan = std::max(maxSpan, current.span);
    }
    PutLE(bytes, kSimpleIndexStart - 8, maxSpan, 4);
    return bytes;
}

}  // namespace tovrin
