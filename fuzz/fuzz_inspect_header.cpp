// Reads the facts of arbitrary bytes as an ASF header, as a local media file
// the user opens or a header a server sent, and the streams it offers to
// choose from: every field it reads must lie within the bytes.
#include "asf/bitrate_choice.h"
#include "asf/header_facts.h"

#include <algorithm>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const tovrin::HeaderReading reading = tovrin::ReadHeaderFacts(bytes);
    // A header read whole names at least one stream the run can select.
    if (!reading.error && reading.facts.streams.empty())
        std::abort();
    // Best takes every stream without a group and one of each group, whatever the maximum.
    const tovrin::StreamOffer offer = tovrin::ReadStreamOffer(bytes);
    const auto loose = std::count_if(offer.streams.begin(), offer.streams.end(), [](auto& s) { return s.group < 0; });
    if (tovrin::ChooseStreams(offer, {tovrin::StreamChoiceMode::Best, {}, 300000}).recorded.size()
        != std::size_t(loose) + offer.groups.size())
        std::abort();
    return 0;
}
