#include "run/recording_parts.h"

#include "asf/header_facts.h"
#include "state/settings_record.h"

#include <QLocale>
#include <QTime>
#include <QTimeZone>

#include <cmath>

namespace tovrin {

namespace {

// The simple index object's fixed part, and its bytes for each second.
constexpr std::uint64_t kIndexObjectBytes = 56;
constexpr std::uint64_t kIndexEntryBytes = 6;
// What a stop adds beyond the index is rewritten in place; this much is kept
// free besides, for the file system's own needs as the file is closed.
constexpr std::uint64_t kCloseReserve = 64 * 1024;
// The free space is read once a second at most; the stream writes that much
// meanwhile, and twice as much is kept for a disk another program fills too.
constexpr std::uint64_t kSecondsAhead = 2;

// A number with a unit after it: the number and the unit's factor.
std::optional<double> ScaledNumber(QStringView text, QStringView units, const std::uint64_t* factors)
{
    text = text.trimmed();
    std::uint64_t factor = factors[0];
    if (!text.isEmpty()) {
        const qsizetype unit = units.indexOf(text.back(), 0, Qt::CaseInsensitive);
        if (unit >= 0) {
            factor = factors[unit + 1];
            text.chop(1);
        }
    }
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok || !std::isfinite(number) || number <= 0)
        return std::nullopt;
    const double scaled = std::round(number * double(factor));
    // Beyond 2^62 no size or time is meant; nor is a fraction of the unit.
    if (scaled < 1 || scaled > 4.6e18)
        return std::nullopt;
    return scaled;
}

}  // namespace

std::optional<std::uint64_t> ParseByteSize(QStringView text)
{
    static const std::uint64_t factors[] = {1, 1ull << 10, 1ull << 20, 1ull << 30, 1ull << 40};
    // A trailing "B" of "700MB" says nothing more.
    text = text.trimmed();
    if (text.size() > 1 && (text.back() == u'B' || text.back() == u'b'))
        text.chop(1);
    const std::optional<double> bytes = ScaledNumber(text, u"KMGT", factors);
    return bytes ? std::optional(std::uint64_t(*bytes)) : std::nullopt;
}

std::optional<std::uint64_t> ParseSpanMs(QStringView text)
{
    static const std::uint64_t factors[] = {1000, 1000, 60000, 3600000, 86400000};
    const std::optional<double> ms = ScaledNumber(text, u"smhd", factors);
    return ms ? std::optional(std::uint64_t(*ms)) : std::nullopt;
}

QString ByteSizeText(std::uint64_t bytes)
{
    static const char* const units[] = {"B", "KB", "MB", "GB", "TB"};
    int unit = 0;
    double value = double(bytes);
    while (value >= 1024 && unit < 4) {
        value /= 1024;
        ++unit;
    }
    const int decimals = unit == 0 || value >= 100 || value == std::floor(value) ? 0 : 1;
    return QStringLiteral("%1 %2").arg(QString::number(value, 'f', decimals), QLatin1String(units[unit]));
}

PartRules PartRulesFrom(const SettingsRecord& settings)
{
    PartRules rules;
    rules.everyMs = ParseSpanMs(settings.splitEvery).value_or(0);
    rules.onClock = settings.splitOnClock && rules.everyMs > 0;
    rules.partBytes = ParseByteSize(settings.splitSize).value_or(0);
    return rules;
}

QDateTime NextClockBoundary(const QDateTime& now, std::uint64_t everyMs)
{
    const QDateTime midnight(now.date(), QTime(0, 0), now.timeZone());
    const std::uint64_t since = std::uint64_t(std::max<qint64>(midnight.msecsTo(now), 0));
    return midnight.addMSecs(qint64((since / everyMs + 1) * everyMs));
}

std::uint64_t ClosedFileBytes(std::uint64_t headerLength, std::uint64_t packets, std::uint64_t packetSize,
                              std::uint64_t mediaMs)
{
    const std::uint64_t indexEntries = mediaMs / 1000 + 2;
    return headerLength + packets * packetSize + kIndexObjectBytes + indexEntries * kIndexEntryBytes;
}

void PartSplitter::setHeader(QByteArrayView header)
{
    m_videoStreams.reset();
    for (const StreamFacts& stream : ReadHeaderFacts(header).facts.streams)
        if (stream.kind == StreamKind::Video)
            m_videoStreams.set(stream.number & 0x7F);
}

void PartSplitter::partStarted(const QDateTime& now)
{
    m_limitPassed = false;
    m_withoutVideo = 0;
    m_clockBoundary = m_rules.onClock && m_rules.everyMs > 0 ? NextClockBoundary(now, m_rules.everyMs) : QDateTime();
}

void PartSplitter::packetStored(std::uint64_t partMediaMs, std::uint64_t partBytes, const QDateTime& now)
{
    if (m_rules.onClock && m_clockBoundary.isValid())
        m_limitPassed = m_limitPassed || now >= m_clockBoundary;
    else if (m_rules.everyMs > 0)
        m_limitPassed = m_limitPassed || partMediaMs >= m_rules.everyMs;
    if (m_rules.partBytes > 0)
        m_limitPassed = m_limitPassed || partBytes >= m_rules.partBytes;
}

bool PartSplitter::beginsNextPart(QByteArrayView packet)
{
    if (!m_limitPassed)
        return false;
    return m_videoStreams.none() || startsKeyFrame(packet);
}

bool PartSplitter::startsKeyFrame(QByteArrayView packet)
{
    if (!ReadDataPacket(packet, m_facts))
        return false;
    // The packet's first piece of a video stream must be a key frame's start:
    // a packet that still ends another picture first would leave that
    // picture's start in the last part.
    for (const PayloadFacts& payload : m_facts.payloads) {
        if (!m_videoStreams[payload.stream])
            continue;
        m_withoutVideo = 0;
        return payload.keyFrame && payload.offset == 0;
    }
    constexpr int kSoundOnlyAfter = 256;
    return ++m_withoutVideo >= kSoundOnlyAfter;
}

SizeVerdict JudgeSizeLimits(const SizeLimits& limits, std::uint64_t recordedBytes, std::uint64_t nextPacketBytes,
                            std::optional<std::uint64_t> freeBytes, std::uint64_t bytesPerSecond)
{
    if (limits.maxBytes > 0 && recordedBytes + nextPacketBytes > limits.maxBytes)
        return SizeVerdict::MaxSizeReached;
    if (limits.minFreeBytes > 0 && freeBytes) {
        const std::uint64_t ahead = kCloseReserve + nextPacketBytes + kSecondsAhead * bytesPerSecond;
        if (*freeBytes < limits.minFreeBytes + ahead)
            return SizeVerdict::DiskAlmostFull;
    }
    return SizeVerdict::GoOn;
}

}  // namespace tovrin
