#include "asf/asf_objects.h"

#include "asf/byte_helpers.h"

#include <QFile>

#include <algorithm>

namespace tovrin {

qsizetype FindObject(QByteArrayView header, QByteArrayView prefix, qsizetype from)
{
    return header.indexOf(prefix, std::max<qsizetype>(from, 0));
}

qsizetype DataObjectAt(QByteArrayView header)
{
    if (!header.startsWith(guid::kHeaderObject))
        return -1;
    const std::optional<std::uint64_t> size = LE64At(header, 16);
    if (!size || *size > std::uint64_t(header.size()))
        return -1;
    return header.sliced(qsizetype(*size)).startsWith(guid::kDataObject) ? qsizetype(*size) : -1;
}

QByteArrayView ObjectBytes(QByteArrayView header, qsizetype at)
{
    if (at < 0 || at > header.size())
        return {};
    const std::optional<std::uint64_t> size = LE64At(header, at + 16);
    if (!size || *size < 24)
        return header.sliced(at, 0);
    const auto available = std::uint64_t(header.size() - at);
    return header.sliced(at, qsizetype(std::min(*size, available)));
}

QByteArray ReadStoredHeader(QFile& file, std::uint32_t headerLength)
{
    const qint64 wanted = std::min({qint64(headerLength), qint64(kMaxHeaderLength), file.size()});
    if (wanted <= 0 || !file.seek(0))
        return {};
    return file.read(wanted);
}

}  // namespace tovrin
