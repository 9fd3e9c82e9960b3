#include "cli/record_listeners.h"

#include "cli/player_feed.h"
#include "cli/stdout_feed.h"
#include "state/shell.h"

#include <QCoreApplication>
#include <QDir>

namespace tovrin {

RecordListeners::RecordListeners(std::optional<QStringList> playCommand, bool toStdout)
    : m_playCommand(std::move(playCommand)), m_toStdout(toStdout)
{
    if (toStdout)
        m_stdoutFolder = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("tovrin-XXXXXX")));
}

RecordListeners::~RecordListeners() = default;

QString RecordListeners::stdoutRecording() const
{
    if (!m_stdoutFolder || !m_stdoutFolder->isValid())
        return {};
    return m_stdoutFolder->filePath(QStringLiteral("stream.asf"));
}

void RecordListeners::start(Shell& shell, const std::function<void()>& stopRecording)
{
    const auto log = [&shell](const QString& line) { shell.appendLog(line); };
    if (m_toStdout) {
        auto feed = std::make_unique<StdoutFeed>(log);
        QObject::connect(feed.get(), &StdoutFeed::readerGone, feed.get(), [log, stopRecording] {
            log(QCoreApplication::translate("Tovrin", "- 標準輸出已關閉，停止錄製"));
            stopRecording();
        });
        log(QCoreApplication::translate("Tovrin", "- 串流寫到標準輸出 (錄製在暫存檔 %1，結束時刪除)")
                .arg(QDir::toNativeSeparators(stdoutRecording())));
        m_feeds.push_back(std::move(feed));
    }
    if (m_playCommand)
        m_feeds.push_back(
            std::make_unique<PlayerFeed>(m_playCommand->isEmpty() ? DefaultPlayerCommand() : *m_playCommand, log));
}

void RecordListeners::header(const QByteArray& header, std::uint32_t packetSize)
{
    for (const auto& feed : m_feeds)
        feed->header(header, packetSize);
}

void RecordListeners::packet(const QByteArray& payload)
{
    for (const auto& feed : m_feeds)
        feed->packet(payload);
}

void RecordListeners::finish(const std::function<void()>& then)
{
    m_running = m_feeds.size();
    if (m_running == 0) {
        then();
        return;
    }
    for (const auto& feed : m_feeds) {
        QObject::connect(feed.get(), &StreamFeed::done, feed.get(), [this, then] {
            if (--m_running == 0)
                then();
        });
        feed->finish();
    }
}

}  // namespace tovrin
