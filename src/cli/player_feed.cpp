#include "cli/player_feed.h"

#include <QCoreApplication>
#include <QStandardPaths>

namespace tovrin {

QStringList DefaultPlayerCommand()
{
    const QList<QStringList> players = {
        {QStringLiteral("ffplay"), QStringLiteral("-autoexit"), QStringLiteral("-loglevel"), QStringLiteral("error"),
         QStringLiteral("-")},
        {QStringLiteral("mpv"), QStringLiteral("--really-quiet"), QStringLiteral("-")},
        {QStringLiteral("vlc"), QStringLiteral("--quiet"), QStringLiteral("--play-and-exit"), QStringLiteral("-")},
    };
    for (const QStringList& player : players)
        if (!QStandardPaths::findExecutable(player.first()).isEmpty())
            return player;
    return {};
}

PlayerFeed::PlayerFeed(QStringList command, std::function<void(const QString&)> log)
    : StreamFeed(std::move(log), QCoreApplication::translate("Tovrin", "播放器")), m_command(std::move(command))
{
}

PlayerFeed::~PlayerFeed()
{
    // Each player goes with its QProcess, killed; its end is no event.
    for (const auto& player : m_players)
        player->disconnect(this);
}

void PlayerFeed::beginStream(bool first)
{
    if (first) {
        start();
        return;
    }
    // A player the user closed stays closed; one that plays gets the new
    // stream in a player of its own once it has played the old one.
    if (!takesBytes())
        return;
    m_players.back()->closeWriteChannel();
    start();
}

void PlayerFeed::start()
{
    if (m_command.isEmpty()) {
        m_failed = true;
        log(QCoreApplication::translate("Tovrin",
                                        "- 找不到播放器 (ffplay、mpv 或 vlc): 請用 --play-command 指定，錄製繼續"));
        return;
    }
    auto player = std::make_unique<QProcess>();
    QProcess* started = player.get();
    player->setProgram(m_command.first());
    player->setArguments(m_command.mid(1));
    player->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    player->setStandardOutputFile(QProcess::nullDevice());
    connect(started, &QProcess::errorOccurred, this, [this, started](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        m_failed = true;
        log(QCoreApplication::translate("Tovrin", "- 無法啟動播放器 %1: %2，錄製繼續")
                .arg(m_command.join(u' '), started->errorString()));
        doneIfNoneRuns();
    });
    connect(started, &QProcess::finished, this, [this, started] { ended(started); });
    m_players.push_back(std::move(player));
    started->start();
}

void PlayerFeed::ended(QProcess* player)
{
    if (!m_closed && player == m_players.back().get())
        log(QCoreApplication::translate("Tovrin", "- 播放器已結束 (結束碼 %1)，錄製繼續").arg(player->exitCode()));
    doneIfNoneRuns();
}

bool PlayerFeed::takesBytes() const
{
    return !m_failed && !m_players.empty() && m_players.back()->state() != QProcess::NotRunning;
}

qint64 PlayerFeed::backlog() const
{
    return m_players.empty() ? 0 : m_players.back()->bytesToWrite();
}

void PlayerFeed::write(const QByteArray& bytes)
{
    m_players.back()->write(bytes);
}

void PlayerFeed::closeInput()
{
    m_closed = true;
    bool running = false;
    for (const auto& player : m_players) {
        player->closeWriteChannel();
        running = running || player->state() != QProcess::NotRunning;
    }
    if (running)
        log(QCoreApplication::translate("Tovrin", "- 錄製已結束，等候播放器結束 (Ctrl-C 關閉播放器)"));
    doneIfNoneRuns();
}

void PlayerFeed::doneIfNoneRuns()
{
    if (!m_closed || m_done)
        return;
    for (const auto& player : m_players)
        if (player->state() != QProcess::NotRunning)
            return;
    m_done = true;
    emit done();
}

}  // namespace tovrin
