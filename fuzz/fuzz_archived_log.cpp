// Saved session logs are opened again like any location: any file named .log.
#include "fuzz_shell.h"
#include "locations/archived_log.h"

#include <cstdint>
#include <cstdlib>
#include <variant>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tovrin;
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    if (SplitSessionLog(content).size() > kMaxArchivedLogLines)
        std::abort();

    const auto read = ReadArchivedLog(fuzz::WriteScratchFile(QStringLiteral("session.log"), content));
    if (const auto* lines = std::get_if<QStringList>(&read); lines && lines->size() > kMaxArchivedLogLines)
        std::abort();
    return 0;
}
