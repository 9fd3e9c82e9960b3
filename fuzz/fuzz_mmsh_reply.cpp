// The MMSH reply reader: the reply head, then the chunks of the body, as the
// recorder reads them off the connection. The first byte picks the packet
// size the $D payloads are held to (0: before the header, no limit but the
// framing's own).
#include "mmsh/mmsh_reply.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint32_t maxPayload = std::uint32_t(data[0]) * 64;
    QByteArrayView rest(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const tovrin::ReplyHeadRead head = tovrin::ReadReplyHead(rest);
    if (head.kind != tovrin::ReplyHeadRead::Kind::Done)
        return 0;
    rest = rest.sliced(head.size);
    // Every chunk read takes at least its 4-byte framing header.
    for (;;) {
        const tovrin::ChunkRead read = tovrin::ReadChunk(rest, maxPayload);
        if (read.kind != tovrin::ChunkRead::Kind::Chunk)
            break;
        if (read.size < 4 || read.size > rest.size())
            __builtin_trap();
        rest = rest.sliced(read.size);
    }
    return 0;
}
