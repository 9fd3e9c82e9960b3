// The readers of the server replies whose fields the client keeps, and the
// credentials dialog's reading of the challenge they leave behind.
#include "fuzz_shell.h"
#include "locations/credentials.h"
#include "mms/server_replies.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    tovrin::fuzz::FuzzRun f;
    const QByteArrayView packet(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)tovrin::ReadOpenFileReply(packet, f.run);
    (void)tovrin::ReadFunnelReport(packet, f.run);
    (void)tovrin::ReadCredentialsRequest(packet, f.run);
    (void)tovrin::PreparePasswordPrompt(f.ctx);
    return 0;
}
