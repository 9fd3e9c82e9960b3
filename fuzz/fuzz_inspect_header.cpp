// Reads the facts of arbitrary bytes as an ASF header, as a local media file
// the user opens or a header a server sent: every field it reads must lie
// within the bytes.
#include "asf/header_facts.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const tovrin::HeaderReading reading =
        tovrin::ReadHeaderFacts(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    // A header read whole names at least one stream the run can select.
    if (!reading.error && reading.facts.streams.empty())
        std::abort();
    return 0;
}
