#pragma once

#include "cli/stream_feed.h"

#include <QProcess>
#include <QStringList>

#include <memory>
#include <vector>

namespace tovrin {

// The player `record --play` listens with when no command is given: the
// first of ffplay, mpv and vlc found in PATH, told to read standard input
// and to end at its end. Empty when none is found.
QStringList DefaultPlayerCommand();

// A media player fed the stream on its standard input (record --play). It
// starts with the recording's first header; a stream change closes its
// input (it plays what it has, then ends) and starts another for the new
// stream. The pipe is written by the event loop as the player reads: the
// bytes it has not taken are the backlog, so a player that stops reading
// only loses its own packets. A player that cannot start, or ends, is told
// once; the recording goes on. The player's standard output goes nowhere,
// its errors to ours.
//
// Thread: the UI thread.
class PlayerFeed : public StreamFeed {
    Q_OBJECT

public:
    PlayerFeed(QStringList command, std::function<void(const QString&)> log);
    // Kills the players still running.
    ~PlayerFeed() override;

protected:
    void beginStream(bool first) override;
    bool takesBytes() const override;
    qint64 backlog() const override;
    void write(const QByteArray& bytes) override;
    void closeInput() override;

private:
    void start();
    void ended(QProcess* player);
    void doneIfNoneRuns();

    QStringList m_command;
    std::vector<std::unique_ptr<QProcess>> m_players;  // the last one is fed
    bool m_failed = false;                             // the command could not start
    bool m_closed = false;                             // the recording has ended
    bool m_done = false;
};

}  // namespace tovrin
