#include "run/repeated_lines.h"

#include <QCoreApplication>

namespace tovrin {

bool RepeatedLines::firstTime(const QString& line)
{
    const auto seen = m_counts.find(line);
    if (seen != m_counts.end()) {
        ++*seen;
        return false;
    }
    if (m_counts.size() < kMaxKinds)
        m_counts.insert(line, 0);
    return true;
}

QStringList RepeatedLines::repeats() const
{
    QStringList lines;
    for (auto it = m_counts.cbegin(); it != m_counts.cend(); ++it)
        if (it.value() > 0)
            lines
                << QCoreApplication::translate("Tovrin", "- 這個警告又出現了 %1 次: %2").arg(it.value()).arg(it.key());
    return lines;
}

}  // namespace tovrin
