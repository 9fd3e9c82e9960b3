#include "asf/header_assembler.h"

#include "asf/asf_objects.h"

namespace tovrin {

HeaderAssembler::HeaderAssembler(std::uint32_t headerLength, std::uint32_t packetSize)
    : m_headerLength(headerLength),
      m_refused(headerLength > kMaxHeaderLength || packetSize == 0 || packetSize > kMaxPacketSize)
{
}

HeaderAssembler::Progress HeaderAssembler::progress() const
{
    if (m_refused)
        return Progress::Refused;
    // A header of length 0 still takes its first packet.
    if (!m_started || std::uint64_t(m_header.size()) < m_headerLength)
        return Progress::NeedMore;
    return Progress::Done;
}

HeaderAssembler::Progress HeaderAssembler::add(QByteArrayView payload)
{
    if (progress() != Progress::NeedMore)
        return progress();
    m_started = true;
    m_header += payload;
    return progress();
}

}  // namespace tovrin
