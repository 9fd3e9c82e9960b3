#include "cli/stream_feed.h"

#include <QCoreApplication>

namespace tovrin {

StreamFeed::StreamFeed(std::function<void(const QString&)> log, QString name)
    : m_log(std::move(log)), m_name(std::move(name))
{
}

void StreamFeed::header(const QByteArray& header, std::uint32_t packetSize)
{
    // The same stream resumed (a connection made again) goes on as it was.
    if (header == m_header)
        return;
    const bool first = m_header.isEmpty();
    m_header = header;
    m_packetSize = packetSize;
    m_headerSent = false;
    beginStream(first);
    sendHeader();
}

bool StreamFeed::sendHeader()
{
    if (m_headerSent)
        return true;
    if (!takesBytes() || backlog() + m_header.size() > kListenerBacklogLimit)
        return false;
    write(m_header);
    m_headerSent = true;
    return true;
}

void StreamFeed::packet(const QByteArray& payload)
{
    if (m_header.isEmpty() || !takesBytes())
        return;
    QByteArray bytes = payload.left(m_packetSize);
    bytes.append(qsizetype(m_packetSize) - bytes.size(), '\0');
    if (!sendHeader() || backlog() + bytes.size() > kListenerBacklogLimit) {
        if (m_dropped++ == 0)
            log(QCoreApplication::translate("Tovrin",
                                            "- %1跟不上串流: 它的複本略過封包 (等候中的資料已達 %2 MiB)，錄製繼續")
                    .arg(m_name)
                    .arg(kListenerBacklogLimit / (1024 * 1024)));
        return;
    }
    write(bytes);
}

void StreamFeed::finish()
{
    if (m_dropped > 0)
        log(QCoreApplication::translate("Tovrin", "- %1略過了 %2 個封包").arg(m_name).arg(m_dropped));
    closeInput();
}

}  // namespace tovrin
