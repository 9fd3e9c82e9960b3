#include "state/run_state.h"

namespace tovrin {

void RunState::reset()
{
    for (Counter* c : {&ackCount, &commandSequence, &packetSize, &headerLength, &filePacketCount, &streamBitRate,
                       &serverClientCount, &mediaTime, &packetIndex, &highestPacketIndex, &headerSendDuration,
                       &headerFileSize, &storedPacketCount, &streamCount, &streamKindBits, &maxBitRate})
        c->store(0);
    for (std::atomic<bool>* f : {&stopFlag, &resume, &localFileMode, &liveHeaderFixed, &packetCountFixed,
                                 &mediaPacketStored, &writeErrorReported, &gaugeTextShown, &dataOverUdp})
        f->store(false);
    incarnation.store(1);

    receivedPackets.clear();
    paddingBlock.clear();
    funnelData.clear();
    serverHost.clear();
    streamPath.clear();
    defaultSaveName.clear();
    previewFile.clear();
}

}  // namespace tovrin
