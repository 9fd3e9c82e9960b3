#include "mms/command_channel.h"

namespace tovrin {

void CommandChannel::send(const CommandFields& command)
{
    std::lock_guard lock(m_sendLock);
    m_sink.write(BuildCommandPacket(command, m_sequence.load()));
    m_sequence.fetch_add(1);
}

}  // namespace tovrin
