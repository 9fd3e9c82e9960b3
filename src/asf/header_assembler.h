#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>

namespace tovrin {

// Collects the ASF header from the payloads of header packets, as a transport
// hands them over. Every payload taken while the header is incomplete belongs
// to it, so the header may end up to one packet longer than announced. Never
// waits and knows nothing of how the payloads were framed.
class HeaderAssembler {
public:
    enum class Progress {
        NeedMore,  // the header is not complete yet
        Done,      // header() holds at least the announced length
        Refused,   // the announced figures cannot be stored; nothing was taken
    };

    // A header length above kMaxHeaderLength, or a packet size of 0 or above
    // kMaxPacketSize, is refused before a byte is collected.
    HeaderAssembler(std::uint32_t headerLength, std::uint32_t packetSize);

    // What the figures answer before anything is added.
    Progress progress() const;
    Progress add(QByteArrayView payload);
    const QByteArray& header() const { return m_header; }

private:
    std::uint32_t m_headerLength;
    bool m_refused;
    bool m_started = false;  // a payload has been taken, if only an empty one
    QByteArray m_header;
};

}  // namespace tovrin
