// The readers of the server replies whose fields the client keeps, and the
// credentials dialog's reading of the challenge they leave behind.
#include "locations/credentials.h"
#include "mms/server_replies.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView packet(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)tovrin::ReadOpenFileReply(packet);
    (void)tovrin::ReadFunnelReport(packet);
    (void)tovrin::MoreFunnelReportsFollow(packet, 0);
    (void)tovrin::ReadStreamChange(packet, {});
    const tovrin::ReadReply<QString> challenge = tovrin::ReadCredentialsRequest(packet);
    const QString host = QStringLiteral("host");
    (void)tovrin::PreparePasswordPrompt(host, challenge.value, packet.toByteArray(), host);
    return 0;
}
