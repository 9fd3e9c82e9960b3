#include "user_actions/schedule_runner.h"

#include "state/app_context.h"
#include "state/app_error.h"
#include "state/settings_store.h"
#include "state/shell.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <algorithm>

namespace tovrin {

namespace {

constexpr int kTurnInterval = 1000;
// A line of a recording's output longer than this is no progress line.
constexpr qsizetype kLongestLine = 64 * 1024;
constexpr qsizetype kLongestReason = 300;
// Missed times listed for one entry; the rest are counted.
constexpr int kMissedListed = 5;

QString timeText(const QDateTime& time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

}  // namespace

QString RecorderProgram()
{
    const QString given = QProcessEnvironment::systemEnvironment().value(QStringLiteral("TOVRIN_CLI"));
    if (!given.isEmpty())
        return given;
    const QString here = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {here + QStringLiteral("/tovrin-cli"), here + QStringLiteral("/../cli/tovrin-cli")})
        if (QFileInfo(candidate).isExecutable())
            return QFileInfo(candidate).canonicalFilePath();
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("tovrin-cli"));
    return onPath.isEmpty() ? QStringLiteral("tovrin-cli") : onPath;
}

ScheduleRunner::ScheduleRunner(AppContext& ctx, QString program, QObject* parent)
    : QObject(parent),
      m_ctx(ctx),
      m_program(std::move(program)),
      m_list(LoadScheduleList(ctx.store)),
      m_limit(LoadScheduleLimit(ctx.store))
{
    for (const ScheduledRecording& entry : m_list)
        m_nextId = std::max(m_nextId, entry.id + 1);
    m_timer.setInterval(kTurnInterval);
    connect(&m_timer, &QTimer::timeout, this, &ScheduleRunner::turn);
}

ScheduleRunner::~ScheduleRunner()
{
    stopAll();
}

void ScheduleRunner::begin()
{
    if (m_timer.isActive())
        return;
    std::vector<ScheduledRecording> before = m_list;
    const QSet<int> none;
    // The first look tells what was missed while the program was closed;
    // what is due now starts with the first turn.
    ScheduleTurn first = TakeScheduleTurn(before, m_now(), none, 0);
    if (!first.missed.empty()) {
        tellMissed(first.missed, true);
        for (const ScheduleTurn::Missed& missed : first.missed)
            for (ScheduledRecording& entry : m_list)
                if (entry.id == missed.id)
                    entry.handledUntil = std::max(entry.handledUntil, missed.due);
        save();
    }
    m_timer.start();
    turn();
}

void ScheduleRunner::turn()
{
    QSet<int> running;
    for (const auto& [id, recording] : m_processes)
        running.insert(id);
    const ScheduleTurn decided = TakeScheduleTurn(m_list, m_now(), running, m_limit);
    tellMissed(decided.missed, false);
    for (const ScheduleTurn::Waiting& waiting : decided.waiting) {
        if (waiting.ownRunGoing)
            continue;  // its row shows the recording under way
        if (view(waiting.id).state != ScheduledRunView::State::WaitingPlace)
            m_ctx.shell.appendLog(QCoreApplication::translate("Schedule", "- 排程錄製 %1 等候中: 同時錄製已達上限 (%2)")
                                      .arg(addressOf(waiting.id))
                                      .arg(m_limit));
        setState(waiting.id, ScheduledRunView::State::WaitingPlace);
    }
    for (const ScheduleTurn::Start& start : decided.starts)
        launch(start);
    if (!decided.starts.empty() || !decided.missed.empty())
        save();
}

void ScheduleRunner::tellMissed(const std::vector<ScheduleTurn::Missed>& missed, bool atStart)
{
    if (missed.empty())
        return;
    if (atStart)
        m_ctx.shell.appendLog(QCoreApplication::translate("Schedule", "- 程式關閉期間錯過的排程錄製:"));
    for (const ScheduledRecording& entry : m_list) {
        QStringList times;
        int count = 0;
        for (const ScheduleTurn::Missed& one : missed)
            if (one.id == entry.id && count++ < kMissedListed)
                times << timeText(one.due);
        if (count == 0)
            continue;
        QString line = QCoreApplication::translate("Schedule", "- 錯過排程錄製 %1: %2")
                           .arg(entry.address, times.join(QStringLiteral(", ")));
        if (count > kMissedListed)
            line += QCoreApplication::translate("Schedule", " (另有 %1 次)").arg(count - kMissedListed);
        m_ctx.shell.appendLog(line);
        if (!isRecording(entry.id))
            setState(entry.id, ScheduledRunView::State::Missed);
    }
}

void ScheduleRunner::launch(const ScheduleTurn::Start& start)
{
    const ScheduledRecording* entry = this->entry(start.id);
    if (!entry)
        return;
    const int id = start.id;
    ScheduledRunView& shown = m_views[id];
    shown = ScheduledRunView();
    shown.since = m_now();
    QString line = QCoreApplication::translate("Schedule", "- 排程錄製開始: %1").arg(entry->address);
    if (start.lateSeconds >= 60)
        line += QCoreApplication::translate("Schedule", " (晚了 %1 秒)").arg(start.lateSeconds);
    m_ctx.shell.appendLog(line);

    const QString folder = entry->folder.trimmed().isEmpty() ? QDir::homePath() : entry->folder.trimmed();
    if (!QDir().mkpath(folder)) {
        ended(id, -1, true, QCoreApplication::translate("Schedule", "無法建立資料夾 %1").arg(folder));
        return;
    }
    auto* process = new QProcess(this);
    m_processes[id] = Recording{process, {}, {}};
    process->setProgram(m_program);
    process->setArguments(ScheduleArguments(*entry, start.durationSeconds));
    process->setWorkingDirectory(folder);
    process->setStandardInputFile(QProcess::nullDevice());
    connect(process, &QProcess::readyReadStandardOutput, this, [this, id] { readOutput(id); });
    connect(process, &QProcess::readyReadStandardError, this, [this, id] { readErrors(id); });
    connect(process, &QProcess::finished, this, [this, id](int exitCode, QProcess::ExitStatus status) {
        readOutput(id);
        readErrors(id);
        const bool crashed = status == QProcess::CrashExit;
        const auto found = m_processes.find(id);
        const QString reason = found != m_processes.end() && !found->second.lastError.isEmpty()
                                   ? found->second.lastError
                                   : QCoreApplication::translate("Schedule", "結束狀態 %1").arg(exitCode);
        ended(id, crashed ? -1 : exitCode, crashed,
              crashed ? QCoreApplication::translate("Schedule", "錄製程式異常結束") : reason);
    });
    connect(process, &QProcess::errorOccurred, this, [this, id, process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            ended(id, -1, true,
                  QCoreApplication::translate("Schedule", "無法執行 %1: %2").arg(m_program, process->errorString()));
    });
    setState(id, ScheduledRunView::State::Connecting);
    process->start();
}

void ScheduleRunner::readOutput(int id)
{
    const auto found = m_processes.find(id);
    if (found == m_processes.end())
        return;
    Recording& recording = found->second;
    recording.output += recording.process->readAllStandardOutput();
    bool changed = false;
    qsizetype end = 0;
    while ((end = recording.output.indexOf('\n')) >= 0) {
        const QByteArray line = recording.output.left(end);
        recording.output.remove(0, end + 1);
        ScheduledRunView& shown = m_views[id];
        const QString before = shown.file;
        if (ReadProgressLine(line, shown)) {
            changed = true;
            if (!shown.file.isEmpty() && shown.file != before)
                m_ctx.shell.appendLog(
                    QCoreApplication::translate("Schedule", "- 排程錄製 %1 錄製到 %2").arg(addressOf(id), shown.file));
        }
    }
    if (recording.output.size() > kLongestLine)
        recording.output.clear();
    if (changed)
        emit viewChanged(id);
}

void ScheduleRunner::readErrors(int id)
{
    const auto found = m_processes.find(id);
    if (found == m_processes.end())
        return;
    const QList<QByteArray> lines = found->second.process->readAllStandardError().split('\n');
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        const QString text = QString::fromUtf8(line->trimmed());
        // The log's decorations ("- ", "----") say nothing of why.
        const QString reason = text.startsWith(u'-') ? text.mid(1).trimmed() : text;
        if (!reason.isEmpty() && !reason.startsWith(u'-')) {
            found->second.lastError = reason.left(kLongestReason);
            return;
        }
    }
}

void ScheduleRunner::ended(int id, int exitStatus, bool crashed, const QString& reason)
{
    if (const auto found = m_processes.find(id); found != m_processes.end()) {
        found->second.process->disconnect(this);
        found->second.process->deleteLater();
        m_processes.erase(found);
    }
    ScheduledRunView& shown = m_views[id];
    ProcessEnded(shown, exitStatus, crashed, reason);
    shown.since = m_now();
    QString line =
        QCoreApplication::translate("Schedule", "- 排程錄製結束: %1: %2").arg(addressOf(id), StateText(shown, m_limit));
    if (const QString figures = ProgressText(shown); !figures.isEmpty())
        line += QStringLiteral(", ") + figures;
    if (!shown.files.isEmpty())
        line += QStringLiteral(" (") + shown.files.join(QStringLiteral(", ")) + u')';
    m_ctx.shell.appendLog(line);
    emit viewChanged(id);
    // A place is free: a recording that waits for one need not wait a second.
    QMetaObject::invokeMethod(this, &ScheduleRunner::turn, Qt::QueuedConnection);
}

void ScheduleRunner::setState(int id, ScheduledRunView::State state)
{
    ScheduledRunView& shown = m_views[id];
    if (shown.state == state)
        return;
    shown.state = state;
    shown.since = m_now();
    emit viewChanged(id);
}

const ScheduledRecording* ScheduleRunner::entry(int id) const
{
    const auto found = std::find_if(m_list.begin(), m_list.end(), [id](const auto& e) { return e.id == id; });
    return found == m_list.end() ? nullptr : &*found;
}

QString ScheduleRunner::addressOf(int id) const
{
    const ScheduledRecording* found = entry(id);
    return found ? found->address : QString();
}

ScheduledRunView ScheduleRunner::view(int id) const
{
    const auto found = m_views.find(id);
    return found == m_views.end() ? ScheduledRunView() : found->second;
}

void ScheduleRunner::setLimit(int limit)
{
    m_limit = std::clamp(limit, 1, kMaxScheduleLimit);
    QString error;
    if (!SaveScheduleLimit(m_ctx.store, m_limit, &error))
        ReportError(m_ctx, error);
}

int ScheduleRunner::add(ScheduledRecording entry)
{
    entry.id = m_nextId++;
    entry.handledUntil = m_now();
    m_list.push_back(entry);
    save();
    emit listChanged();
    return entry.id;
}

void ScheduleRunner::replace(const ScheduledRecording& entry)
{
    for (ScheduledRecording& kept : m_list)
        if (kept.id == entry.id) {
            kept = entry;
            kept.handledUntil = m_now();
        }
    save();
    emit listChanged();
}

void ScheduleRunner::remove(int id)
{
    stop(id);
    std::erase_if(m_list, [id](const auto& e) { return e.id == id; });
    save();
    emit listChanged();
}

void ScheduleRunner::setEnabled(int id, bool enabled)
{
    for (ScheduledRecording& kept : m_list)
        if (kept.id == id && kept.enabled != enabled) {
            kept.enabled = enabled;
            kept.handledUntil = m_now();
        }
    save();
    emit listChanged();
}

void ScheduleRunner::stop(int id)
{
    if (const auto found = m_processes.find(id); found != m_processes.end())
        found->second.process->terminate();
}

void ScheduleRunner::stopAll(int waitMs)
{
    m_timer.stop();
    std::vector<QPointer<QProcess>> going;
    for (const auto& [id, recording] : m_processes) {
        recording.process->terminate();
        going.emplace_back(recording.process);
    }
    const QDeadlineTimer deadline(waitMs);
    for (const QPointer<QProcess>& process : going)
        if (process && process->state() != QProcess::NotRunning
            && !process->waitForFinished(int(deadline.remainingTime())))
            process->kill();
}

bool ScheduleRunner::pending() const
{
    if (!m_processes.empty() || nextStart())
        return true;
    return std::any_of(m_views.begin(), m_views.end(),
                       [](const auto& shown) { return shown.second.state == ScheduledRunView::State::WaitingPlace; });
}

void ScheduleRunner::save()
{
    QString error;
    if (!SaveScheduleList(m_ctx.store, m_list, &error))
        ReportError(m_ctx, error);
}

}  // namespace tovrin
