#pragma once

#include <QString>
#include <QStringList>

#include <deque>

namespace tovrin {

// The session log as a front end keeps it, in bounded memory: however many
// lines a long run (or a server that makes the run log) appends, it keeps the
// first lines, which tell what the run was, and the latest, which tell how it
// goes, and counts those left out between; lines() says how many there. UI
// thread, like the shell that owns it.
class KeptLog {
public:
    static constexpr qsizetype kFirstKept = 1000;
    static constexpr qsizetype kLatestKept = 49000;

    void append(const QString& line);
    void clear();
    // The lines kept, with one line saying how many were left out between.
    QStringList lines() const;
    qsizetype leftOut() const { return m_leftOut; }

private:
    QStringList m_first;
    std::deque<QString> m_latest;
    qsizetype m_leftOut = 0;
};

}  // namespace tovrin
