#include "mms/receive_front.h"

#include "asf/byte_helpers.h"
#include "mms/command_packet.h"

namespace tovrin {

DataPrefix ReadDataPrefix(QByteArrayView bytes)
{
    DataPrefix p;
    p.sequence = LE32At(bytes, 0).value_or(0);
    p.packetType = ByteAt(bytes, 4).value_or(0);
    p.flags = ByteAt(bytes, 5).value_or(0);
    p.length = LE16At(bytes, 6).value_or(0);
    return p;
}

ReceiveFront SplitFront(QByteArrayView buffer)
{
    ReceiveFront front;
    if (buffer.size() < kDataPrefixSize) {
        front.needed = kDataPrefixSize;
        return front;
    }
    if (LE32At(buffer, 4) != kCommandSignature) {
        front.kind = ReceiveFront::Kind::Data;
        front.prefix = ReadDataPrefix(buffer);
        return front;
    }
    if (buffer.size() < kCommandHeaderSize) {
        front.needed = kCommandHeaderSize;
        return front;
    }
    const std::uint64_t total = std::uint64_t(*LE32At(buffer, 8)) + 16;
    if (std::uint64_t(buffer.size()) < total) {
        front.needed = total;
        return front;
    }
    front.kind = ReceiveFront::Kind::Command;
    front.total = total;
    front.commandId = *ByteAt(buffer, 36);
    front.resultCode = *LE32At(buffer, 40);
    return front;
}

}  // namespace tovrin
