#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace tovrin {

// Where one recording of the schedule list stands, as its process tells it
// (`tovrin-cli record --progress json`) and as the list decides.
struct ScheduledRunView {
    enum class State {
        Idle,          // not started yet in this program run
        WaitingPlace,  // due, held by the limit of recordings at once
        WaitingOwn,    // due while its previous time still records
        WaitingStart,  // the process waits for its start time
        Connecting,
        Recording,
        Reconnecting,
        Completed,
        Incomplete,
        Stopped,
        Failed,
        Missed,
    };
    State state = State::Idle;
    QString file;
    int part = 0;
    std::uint64_t bytes = 0;
    std::uint64_t packets = 0;
    std::uint64_t mediaMs = 0;
    std::uint64_t rateBps = 0;
    std::uint64_t missing = 0;
    int reconnectTry = 0;
    int reconnectLimit = 0;
    int exitStatus = -1;
    QStringList files;   // the end's list
    QString reason;      // why it failed, when the process said nothing more
    QDateTime since;     // when the state began (a start, a wait, the end)
    bool ended = false;  // the end line came

    bool running() const
    {
        return state == State::WaitingStart || state == State::Connecting || state == State::Recording
               || state == State::Reconnecting;
    }
};

// Takes one line of the process's standard output into `view`; false for a
// line that is no progress line (it is ignored).
bool ReadProgressLine(const QByteArray& line, ScheduledRunView& view);
// The process ended with `exitStatus` (or crashed): without its end line
// the recording failed; `reason` says why a failed one failed.
void ProcessEnded(ScheduledRunView& view, int exitStatus, bool crashed, const QString& reason);

// The state as the list shows it ("已完成"), and the figures that go with
// it: the part, its size, the media time and the packets missing.
QString StateText(const ScheduledRunView& view, int limit);
QString ProgressText(const ScheduledRunView& view);
// Bytes as "12.3 MB".
QString SizeText(std::uint64_t bytes);

}  // namespace tovrin
