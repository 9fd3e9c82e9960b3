#include "mmsh/mmsh_request.h"

namespace tovrin {

QByteArray BuildMmshRequest(const MmshRequest& request)
{
    QByteArray bytes = "GET " + request.path + " HTTP/1.0\r\nAccept: */*\r\nUser-Agent: " + request.userAgent
                       + "\r\nHost: " + request.hostHeader + "\r\n";
    if (request.play) {
        // packet-num only counts while stream-time is 0 and stream-offset unused.
        bytes += "Pragma: no-cache,rate=1.000,stream-time=0,stream-offset=4294967295:4294967295,packet-num="
                 + QByteArray::number(request.packetNum.value_or(0xFFFFFFFFu))
                 + ",request-context=2,max-duration=0\r\n";
    } else {
        bytes +=
            "Pragma: no-cache,rate=1.000,stream-time=0,stream-offset=0:0,packet-num=4294967295,"
            "request-context=1,max-duration=0\r\n";
    }
    bytes += "Pragma: xClientGUID=" + request.clientGuid.toLatin1() + "\r\n";
    if (request.play) {
        bytes += "Pragma: xPlayStrm=1\r\nPragma: stream-switch-count="
                 + QByteArray::number(qsizetype(request.streams.size())) + "\r\nPragma: stream-switch-entry=";
        for (std::size_t i = 0; i < request.streams.size(); ++i) {
            if (i > 0)
                bytes += ' ';
            bytes += "ffff:" + QByteArray::number(request.streams[i], 16) + ":0";
        }
        bytes += "\r\n";
    }
    if (!request.basicCredentials.isEmpty())
        bytes += "Authorization: Basic " + request.basicCredentials + "\r\n";
    bytes += "Connection: Close\r\n\r\n";
    return bytes;
}

}  // namespace tovrin
