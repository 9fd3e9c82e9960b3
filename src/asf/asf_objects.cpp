#include "asf/asf_objects.h"

#include "asf/byte_helpers.h"

#include <QFile>

#include <algorithm>

namespace tovrin {

namespace {

constexpr qsizetype kObjectHead = 24;           // GUID and size
constexpr qsizetype kHeaderObjectStart = 30;    // GUID, size, child count, two reserved bytes
constexpr qsizetype kHeaderExtensionData = 46;  // GUID, size, reserved GUID and 16 bits, data size
constexpr qsizetype kStreamNameCount = 84;      // Extended Stream Properties Object, then the payload extension count
constexpr qsizetype kExtendedStreamStart = 88;

}  // namespace

HeaderObjects::HeaderObjects(QByteArrayView header) : m_header(header), m_dataObject(DataObjectAt(header))
{
    const std::optional<std::uint64_t> size = LE64At(header, 16);
    if (!header.startsWith(guid::kHeaderObject) || !size || *size < std::uint64_t(kHeaderObjectStart)
        || *size > kMaxHeaderLength)
        return;
    walk(kHeaderObjectStart, qsizetype(*size), false);
}

void HeaderObjects::walk(qsizetype from, qsizetype end, bool extension)
{
    for (qsizetype at = from; at + kObjectHead <= std::min(end, m_header.size());) {
        const std::uint64_t size = *LE64At(m_header, at + 16);
        if (size < std::uint64_t(kObjectHead) || size > std::uint64_t(end - at))
            return;
        m_objects.push_back(at);
        const QByteArrayView guid = m_header.sliced(at);
        if (!extension && guid.startsWith(guid::kHeaderExtension))
            walk(at + kHeaderExtensionData, at + qsizetype(size), true);
        else if (extension && guid.startsWith(guid::kExtendedStreamProperties))
            embeddedStream(at, at + qsizetype(size));
        at += qsizetype(size);
    }
}

void HeaderObjects::embeddedStream(qsizetype at, qsizetype end)
{
    // Behind its fixed part, its stream names and payload extension systems,
    // each with a length of its own; whatever follows them is the object.
    const std::optional<std::uint16_t> names = LE16At(m_header, at + kStreamNameCount);
    const std::optional<std::uint16_t> systems = LE16At(m_header, at + kStreamNameCount + 2);
    if (!names || !systems)
        return;
    qsizetype next = at + kExtendedStreamStart;
    for (int i = 0; i < *names && next < end; ++i)
        next += 4 + LE16At(m_header, next + 2).value_or(0xFFFF);
    for (int i = 0; i < *systems && next < end; ++i)
        next += 22 + qsizetype(LE32At(m_header, next + 18).value_or(0xFFFFFFFF));
    const std::optional<std::uint64_t> size = next + kObjectHead <= end ? LE64At(m_header, next + 16) : std::nullopt;
    if (size && *size >= std::uint64_t(kObjectHead) && *size <= std::uint64_t(end - next)
        && m_header.sliced(next).startsWith(guid::kStreamProperties))
        m_objects.push_back(next);
}

qsizetype HeaderObjects::find(QByteArrayView prefix) const
{
    for (const qsizetype at : m_objects) {
        if (m_header.sliced(at).startsWith(prefix))
            return at;
    }
    return -1;
}

std::vector<qsizetype> HeaderObjects::findAll(QByteArrayView prefix) const
{
    std::vector<qsizetype> found;
    for (const qsizetype at : m_objects) {
        if (m_header.sliced(at).startsWith(prefix))
            found.push_back(at);
    }
    return found;
}

QByteArrayView HeaderObjects::bytes(QByteArrayView prefix) const
{
    const qsizetype at = find(prefix);
    return at < 0 ? QByteArrayView() : ObjectBytes(m_header, at);
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
