#pragma once

#include <QByteArray>

#include <cstdint>

namespace tovrin {

// Someone listening to the stream as it is recorded (a media player fed
// through a pipe): the run engine hands it the header of each file it
// records into, then every media packet it stores, in the order received.
// Together they are a stream a player reads from a pipe.
//
// Thread: the UI thread. A tap never waits: one that cannot keep up drops
// its own copy, never the recording's.
class StreamTap {
public:
    virtual ~StreamTap() = default;

    // The header of the file now recorded into (the first, or the next one
    // of a stream change); its packets are `packetSize` bytes. The same
    // header again (a connection that resumes the same stream) goes on with
    // the same stream.
    virtual void header(const QByteArray& header, std::uint32_t packetSize) = 0;
    // One media packet stored, as the server sent it (not yet padded to the
    // packet size).
    virtual void packet(const QByteArray& payload) = 0;
};

}  // namespace tovrin
