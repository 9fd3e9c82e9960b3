#include "state/kept_log.h"

#include <QCoreApplication>

namespace tovrin {

void KeptLog::append(const QString& line)
{
    if (m_first.size() < kFirstKept) {
        m_first << line;
        return;
    }
    m_latest.push_back(line);
    if (qsizetype(m_latest.size()) > kLatestKept) {
        m_latest.pop_front();
        ++m_leftOut;
    }
}

void KeptLog::clear()
{
    m_first.clear();
    m_latest.clear();
    m_leftOut = 0;
}

QStringList KeptLog::lines() const
{
    QStringList all = m_first;
    if (m_leftOut > 0)
        all << QCoreApplication::translate("Tovrin", "... (這裡省略了 %1 行記錄) ...").arg(m_leftOut);
    all.reserve(all.size() + qsizetype(m_latest.size()));
    for (const QString& line : m_latest)
        all << line;
    return all;
}

}  // namespace tovrin
