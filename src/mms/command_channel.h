#pragma once

#include "mms/command_packet.h"

#include <QByteArray>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace tovrin {

// Where a finished command packet goes: the control connection, or a test's buffer.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void write(const QByteArray& bytes) = 0;
};

// Sends command packets with the run's command sequence number. Callable from
// any thread: one lock makes each sequence number unique and hands the packets
// to the sink in sequence order, never interleaved.
class CommandChannel {
public:
    CommandChannel(ByteSink& sink, std::atomic<std::uint32_t>& sequence) : m_sink(sink), m_sequence(sequence) {}

    void send(const CommandFields& command);

private:
    std::mutex m_sendLock;
    ByteSink& m_sink;
    std::atomic<std::uint32_t>& m_sequence;  // guarded by m_sendLock for writes
};

}  // namespace tovrin
