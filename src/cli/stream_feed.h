#pragma once

#include "run/stream_tap.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

namespace tovrin {

// Most bytes a listener's copy of the stream may have waiting: beyond them
// its packets are dropped, never the recording's.
inline constexpr qint64 kListenerBacklogLimit = 8 * 1024 * 1024;

// A listener's copy of the stream as a player reads it from a pipe: the
// header, then each packet padded (or cut) to the packet size. A listener
// that lags behind by kListenerBacklogLimit bytes loses packets until it has
// caught up (told once in the log, and counted at the end); a packet never
// goes out before its header. Where the bytes go, and how they are written
// without waiting, is the subclass's.
//
// Thread: the UI thread.
class StreamFeed : public QObject, public StreamTap {
    Q_OBJECT

public:
    // `log` adds a line to the session log; `name` names the listener in it.
    StreamFeed(std::function<void(const QString&)> log, QString name);

    void header(const QByteArray& header, std::uint32_t packetSize) override;
    void packet(const QByteArray& payload) override;

    // The recording has ended: what is waiting is written, then the
    // listener's input is closed. done() follows, at once or later.
    void finish();

signals:
    // Nothing more goes to the listener.
    void done();

protected:
    // A stream begins: its header is the next bytes written. `first`: the
    // recording's first.
    virtual void beginStream(bool first) = 0;
    // Whether the listener still takes bytes.
    virtual bool takesBytes() const = 0;
    // Bytes written but not yet taken by the listener.
    virtual qint64 backlog() const = 0;
    // Queues bytes for the listener without waiting.
    virtual void write(const QByteArray& bytes) = 0;
    // The recording's end: finish() has told what was dropped.
    virtual void closeInput() = 0;
    void log(const QString& line) const { m_log(line); }
    const QString& name() const { return m_name; }

private:
    bool sendHeader();

    std::function<void(const QString&)> m_log;
    QString m_name;
    QByteArray m_header;
    std::uint32_t m_packetSize = 0;
    bool m_headerSent = false;
    std::uint64_t m_dropped = 0;
};

}  // namespace tovrin
