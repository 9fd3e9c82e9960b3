#include "run/missing_packets.h"

#include "state/received_packets.h"

#include <QCoreApplication>
#include <QStringList>

namespace tovrin {

std::optional<QString> MissingPacketsLine(const ReceivedPackets& received)
{
    if (!received.tracking() || received.missingCount() == 0)
        return std::nullopt;
    // One more run than listed tells whether the list was cut.
    const auto ranges = received.missingRanges(kMissingRangesListed + 1);
    QStringList parts;
    for (std::size_t i = 0; i < ranges.size() && i < std::size_t(kMissingRangesListed); ++i) {
        const ReceivedPackets::Range& r = ranges[i];
        parts << (r.first == r.last ? QString::number(r.first) : QStringLiteral("%1-%2").arg(r.first).arg(r.last));
    }
    if (ranges.size() > std::size_t(kMissingRangesListed))
        parts << QCoreApplication::translate("Tovrin", "…");
    return QCoreApplication::translate("Tovrin", "- 缺少 %1 個資料封包: %2")
        .arg(received.missingCount())
        .arg(parts.join(QStringLiteral(", ")));
}

}  // namespace tovrin
