#include "mms-server/stream_selection.h"

#include "mms-server/asf_data_packet.h"

#include "asf/byte_helpers.h"

#include <QList>

namespace tovrin::mmsserver {

namespace {

class SelectingCursor : public PacketCursor {
public:
    SelectingCursor(std::unique_ptr<PacketCursor> cursor, const StreamSelection& selection)
        : m_cursor(std::move(cursor)), m_selection(selection)
    {
    }

    std::optional<TimedPacket> next() override
    {
        const PayloadFilter keep = [this](std::uint8_t stream, bool keyFrame) {
            return m_selection.keeps(stream, keyFrame);
        };
        // Bounded by the packets the source has: each turn takes one.
        while (std::optional<TimedPacket> packet = m_cursor->next()) {
            packet->bytes = KeepPayloads(packet->bytes, keep);
            if (!packet->bytes.isEmpty())
                return packet;
        }
        return std::nullopt;
    }

private:
    std::unique_ptr<PacketCursor> m_cursor;
    StreamSelection m_selection;
};

}  // namespace

void StreamSelection::set(std::uint8_t stream, Thinning thinning)
{
    if (stream >= kStreams || thinning > Off)
        return;
    m_thinning[stream] = thinning;
    m_named[stream] = true;
}

bool StreamSelection::keeps(std::uint8_t stream, bool keyFrame) const
{
    if (stream >= kStreams)
        return false;
    return m_thinning[stream] == On || (m_thinning[stream] == KeyFramesOnly && keyFrame);
}

QString StreamSelection::describe() const
{
    QStringList parts;
    for (int stream = 0; stream < kStreams; ++stream) {
        if (!m_named[stream])
            continue;
        const char* how = m_thinning[stream] == On ? "on" : m_thinning[stream] == Off ? "off" : "key frames";
        parts << QStringLiteral("%1 %2").arg(stream).arg(QLatin1String(how));
    }
    return parts.isEmpty() ? QStringLiteral("none") : parts.join(QStringLiteral(", "));
}

StreamSelection ReadStreamSelection(const Command& command)
{
    StreamSelection selection;
    constexpr qsizetype kFirst = 44;
    constexpr qsizetype kEntryBytes = 6;
    const std::uint32_t count = command.u32(40);
    for (std::uint32_t i = 0; i < count && kFirst + (i + 1) * kEntryBytes <= command.bytes.size(); ++i) {
        const qsizetype at = kFirst + i * kEntryBytes;
        const std::uint16_t stream = LE16At(command.bytes, at + 2).value_or(0xFFFF);
        const std::uint16_t thinning = LE16At(command.bytes, at + 4).value_or(0xFFFF);
        if (stream < 128 && thinning <= StreamSelection::Off)
            selection.set(std::uint8_t(stream), StreamSelection::Thinning(thinning));
    }
    return selection;
}

void AddStreamSwitchEntries(QByteArrayView text, StreamSelection& selection)
{
    for (const QByteArray& triple : text.toByteArray().simplified().split(' ')) {
        const QList<QByteArray> parts = triple.split(':');
        bool streamOk = false, thinningOk = false;
        const uint stream = parts.size() == 3 ? parts[1].toUInt(&streamOk, 16) : 0;
        const uint thinning = parts.size() == 3 ? parts[2].toUInt(&thinningOk, 16) : 0;
        if (streamOk && thinningOk && stream < 128 && thinning <= StreamSelection::Off)
            selection.set(std::uint8_t(stream), StreamSelection::Thinning(thinning));
    }
}

std::unique_ptr<PacketCursor> SelectedStreams(std::unique_ptr<PacketCursor> cursor,
                                              const std::optional<StreamSelection>& selection)
{
    if (!selection)
        return cursor;
    return std::make_unique<SelectingCursor>(std::move(cursor), *selection);
}

}  // namespace tovrin::mmsserver
