#include "mmsh/mmsh_request.h"

#include <QByteArrayList>

namespace tovrin {

QByteArray BuildMmshRequest(const MmshRequest& request)
{
    const QByteArray target = request.viaProxy ? "http://" + request.hostHeader + request.path : request.path;
    QByteArray bytes = "GET " + target + " HTTP/1.0\r\nAccept: */*\r\nUser-Agent: " + request.userAgent
                       + "\r\nHost: " + request.hostHeader + "\r\n";
    QByteArrayList pragmas;
    if (request.play) {
        // packet-num only counts while stream-time is 0 and stream-offset unused.
        pragmas << "no-cache,rate=1.000,stream-time=0,stream-offset=4294967295:4294967295,packet-num="
                       + QByteArray::number(request.packetNum.value_or(0xFFFFFFFFu))
                       + ",request-context=2,max-duration=0";
    } else {
        pragmas << "no-cache,rate=1.000,stream-time=0,stream-offset=0:0,packet-num=4294967295,"
                   "request-context=1,max-duration=0";
    }
    pragmas << "xClientGUID=" + request.clientGuid.toLatin1();
    if (request.play) {
        pragmas << "xPlayStrm=1"
                << "stream-switch-count=" + QByteArray::number(qsizetype(request.streams.size()))
                << "stream-switch-entry=" + StreamSwitchEntry(request.streams);
    }
    // A proxy may keep only the first of several lines of one name
    // (tinyproxy does): through one, the directives go in a single line,
    // which HTTP makes the same request.
    if (request.viaProxy)
        bytes += "Pragma: " + pragmas.join(',') + "\r\n";
    else
        for (const QByteArray& pragma : pragmas)
            bytes += "Pragma: " + pragma + "\r\n";
    if (!request.basicCredentials.isEmpty())
        bytes += "Authorization: Basic " + request.basicCredentials + "\r\n";
    if (request.viaProxy && !request.proxyCredentials.isEmpty())
        bytes += "Proxy-Authorization: Basic " + request.proxyCredentials + "\r\n";
    bytes += "Connection: Close\r\n\r\n";
    return bytes;
}

}  // namespace tovrin
