#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace tovrin {

// Warnings a run may meet packet after packet (a packet cut to its slot, a
// timecode that cannot be rebased): each is told the first time, and how
// many times it came again is told once, when the run ends, so a server that
// provokes one per packet cannot fill the log. Pure.
class RepeatedLines {
public:
    // Kinds of line counted at most; later new ones are told and not counted.
    static constexpr qsizetype kMaxKinds = 64;

    // Whether `line` is to be told now: the first time it comes.
    bool firstTime(const QString& line);
    // One line for each warning that came again, with how often.
    QStringList repeats() const;
    void clear() { m_counts.clear(); }

private:
    QMap<QString, qsizetype> m_counts;  // repeats after the first, by line
};

}  // namespace tovrin
