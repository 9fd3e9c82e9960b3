#pragma once

#include "state/schedule_list.h"
#include "user_actions/schedule_progress.h"
#include "user_actions/schedule_rules.h"

#include <QDateTime>
#include <QObject>
#include <QProcess>
#include <QTimer>

#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace tovrin {

struct AppContext;

// The tovrin-cli a scheduled recording runs: $TOVRIN_CLI when set, else the
// one beside the running program (or in the build tree's cli folder), else
// the first on the PATH.
QString RecorderProgram();

// The schedule list at work: kept in the settings, looked at every second,
// each recording that starts run as its own `tovrin-cli record --progress
// json` process (a fault in one stops no other), its state and progress read
// from the lines it writes. What it decides and every recording's start and
// end go to the session log. The rules are TakeScheduleTurn's; this only
// carries them out.
//
// Thread: the UI thread.
class ScheduleRunner : public QObject {
    Q_OBJECT

public:
    // `program`: the tovrin-cli that records.
    ScheduleRunner(AppContext& ctx, QString program, QObject* parent = nullptr);
    // Stops the recordings still going, as stopAll does.
    ~ScheduleRunner() override;

    // Tells the times missed while the program was closed, then looks at
    // the list every second.
    void begin();
    // Looks at the list now.
    void turn();
    // The clock the list goes by (tests set their own).
    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }

    const std::vector<ScheduledRecording>& list() const { return m_list; }
    const ScheduledRecording* entry(int id) const;
    ScheduledRunView view(int id) const;
    int limit() const { return m_limit; }
    void setLimit(int limit);

    // The list's edits, each kept in the settings at once (a failed write is
    // told). An entry added, changed or switched on has no times missed
    // before the edit. Removing an entry stops its recording.
    int add(ScheduledRecording entry);
    void replace(const ScheduledRecording& entry);
    void remove(int id);
    void setEnabled(int id, bool enabled);

    // Stops a recording as Ctrl-C does (its file is finished).
    void stop(int id);
    // Stops every recording and waits at most `waitMs` for them to finish
    // their files; one still going then is killed.
    void stopAll(int waitMs = 10000);
    bool isRecording(int id) const { return m_processes.count(id) != 0; }
    int recordingCount() const { return int(m_processes.size()); }
    // Something is still to come: a recording going or waiting, or a
    // switched-on time ahead.
    bool pending() const;
    std::optional<QDateTime> nextStart() const { return NextStartOfList(m_list, m_now()); }

signals:
    // Entries were added, changed or removed.
    void listChanged();
    // The state or progress of entry `id` changed.
    void viewChanged(int id);

private:
    struct Recording {
        QProcess* process = nullptr;
        QByteArray output;  // a line not yet ended
        QString lastError;  // the last line of its log
    };

    void launch(const ScheduleTurn::Start& start);
    void readOutput(int id);
    void readErrors(int id);
    void ended(int id, int exitStatus, bool crashed, const QString& reason);
    void tellMissed(const std::vector<ScheduleTurn::Missed>& missed, bool atStart);
    void setState(int id, ScheduledRunView::State state);
    void save();
    QString addressOf(int id) const;

    AppContext& m_ctx;
    QString m_program;
    std::vector<ScheduledRecording> m_list;
    int m_limit;
    int m_nextId = 1;
    std::map<int, Recording> m_processes;
    std::map<int, ScheduledRunView> m_views;
    QTimer m_timer;
    std::function<QDateTime()> m_now = [] { return QDateTime::currentDateTime(); };
};

}  // namespace tovrin
