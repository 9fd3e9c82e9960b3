// Redirector files come from any web server or disk: the scan for stream
// addresses, and reading one from a local file.
#include "fuzz_shell.h"
#include "locations/redirector_file.h"

#include <QFile>

#include <cstdint>
#include <cstdlib>
#include <variant>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tovrin;
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    const RedirectorScan scan = ScanRedirector(text);
    if (scan.entries.size() > kMaxRedirectorEntries)
        std::abort();

    QFile file(fuzz::WriteScratchFile(QStringLiteral("list.asx"), text));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const auto read = ReadLocalRedirector(file);
    if (const auto* bytes = std::get_if<QByteArray>(&read); bytes && *bytes != text)
        std::abort();  // a file within the limit is read whole, byte for byte
    return 0;
}
