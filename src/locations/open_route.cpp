#include "locations/open_route.h"

#include "asf/asf_objects.h"
#include "asf/byte_helpers.h"
#include "asf/header_facts.h"

#include <QFile>

#include <algorithm>

namespace tovrin {

namespace {

// What an inspection of a local file reads when its header says nothing better.
constexpr quint32 kLocalHeaderLength = 5000;
// GUID and size of an object, and the fixed part of the Data Object that
// follows the Header Object.
constexpr qint64 kObjectPrefix = 24;
constexpr qint64 kDataObjectHeader = 50;

}  // namespace

OpenRoute RouteFor(LocationClass cls)
{
    if (cls == 0)
        return OpenRoute::Unknown;
    const LocationClass scheme = cls & (lcMms | lcHttp | lcLocal);
    const LocationClass type = cls & ~scheme;
    if (type == lcAsp)
        return OpenRoute::Asp;
    if (scheme == lcMms && (type == lcMedia || type == lcOther))
        return OpenRoute::StreamAddress;
    if (scheme == lcMms && type == lcRedirector)
        return OpenRoute::RedirectorOverMms;
    if (scheme == lcHttp && type == lcRedirector)
        return OpenRoute::HttpRedirector;
    if (scheme == lcHttp && type == lcMedia)
        return OpenRoute::MediaOverHttp;
    if (scheme == lcLocal && type == lcRedirector)
        return OpenRoute::LocalRedirector;
    if (scheme == lcLocal && type == lcMedia)
        return OpenRoute::LocalMedia;
    if (scheme == lcLocal && type == lcLog)
        return OpenRoute::LocalLog;
    return OpenRoute::Unsupported;
}

quint32 LocalHeaderLength(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return kLocalHeaderLength;
    const QByteArray prefix = file.read(kObjectPrefix);
    if (prefix.size() < kObjectPrefix || !prefix.startsWith(guid::kHeaderObject))
        return kLocalHeaderLength;
    const std::uint64_t declared = *LE64At(prefix, 16);
    if (declared > kMaxHeaderLength)
        return kMaxHeaderLength;
    return quint32(std::clamp<std::uint64_t>(declared + kDataObjectHeader, kLocalHeaderLength, kMaxHeaderLength));
}

}  // namespace tovrin
