// The readers of the server replies whose fields the client keeps, and the
// credentials dialog's reading of the challenge they leave behind.
#include "locations/credentials.h"
#include "mms/server_replies.h"
#include "state/run_state.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    tovrin::RunState run;
    const QByteArrayView packet(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)tovrin::ReadOpenFileReply(packet, run);
    (void)tovrin::ReadFunnelReport(packet, run);
    (void)tovrin::MoreFunnelReportsFollow(packet, run.funnelReportCount);
    tovrin::ServerCredentials credentials;
    (void)tovrin::ReadCredentialsRequest(packet, credentials);
    (void)tovrin::PreparePasswordPrompt(run.serverHost, credentials.challenge, packet.toByteArray(), run.serverHost);
    return 0;
}
