// ASF data packets as a server may send them: the send-time lookup and the
// rebasing of a live packet's timecodes, which edits the packet in place.
#include "asf/byte_helpers.h"
#include "asf/packet_parser.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::uint32_t firstSendTime = *tovrin::LE32At(bytes, 0);
    QByteArray packet = bytes.sliced(4).toByteArray();
    const QByteArray before = packet;

    const int offset = tovrin::SendTimeOffset(packet);
    if (offset != 0 && (offset < 5 || offset > 9))
        std::abort();
    if (const auto fault = tovrin::RebaseTimecodes(packet, firstSendTime))
        (void)tovrin::RebaseFaultLine(*fault);
    if (packet.size() != before.size())
        std::abort();  // rebasing never changes a packet's length
    return 0;
}
