#pragma once

#include "cli/stream_feed.h"

#include <memory>

namespace tovrin {

class UiCourier;

// The stream on the program's standard output (record -o -), for a player
// at the other end of a pipe. A thread of its own writes it, so a reader
// that empties the pipe slowly, or not at all, never holds the UI thread:
// the bytes it has not taken are the backlog. A reader that closes the pipe
// is told by readerGone.
//
// Thread: the UI thread; the writer thread shares only the queue with it,
// and ends by itself once the queue is closed and empty. Nothing waits for
// it: one still blocked on a reader that never reads ends with the program.
class StdoutFeed : public StreamFeed {
    Q_OBJECT

public:
    // `fd`: the file descriptor written (the standard output's by default).
    explicit StdoutFeed(std::function<void(const QString&)> log, int fd = 1);
    ~StdoutFeed() override;

signals:
    // The reader has closed the pipe: nothing more can reach it.
    void readerGone();

protected:
    void beginStream(bool) override {}
    bool takesBytes() const override;
    qint64 backlog() const override;
    void write(const QByteArray& bytes) override;
    void closeInput() override;

private:
    struct Queue;
    void writerEnded();

    std::shared_ptr<Queue> m_queue;
    std::shared_ptr<UiCourier> m_courier;
    bool m_closed = false;
    bool m_writerEnded = false;
    bool m_done = false;
};

}  // namespace tovrin
