#pragma once

#include <QFile>
#include <QIODevice>
#include <QTimer>

#include <atomic>
#include <mutex>

namespace tovrin {

// Reads a file that a recording may still be writing, for a media player.
// At the current end of the file it has nothing to give yet: a read returns
// 0 at once (it never blocks) and readyRead follows when the file has grown.
// Once told the file is complete, the end of the file is the end: atEnd()
// holds and finished() is emitted after the last byte has been read.
// Sequential: it only reads forward, from the start of the file.
//
// Threads: it is made, opened, closed, told the file is complete and polled
// on the thread it lives on (its poll timer runs there). read(), atEnd() and
// bytesAvailable() may be called from another thread meanwhile: a media
// backend may read on its own thread (Qt's FFmpeg backend does). A lock
// guards the file, the flags are atomic, and the reading thread never touches
// the timer. The reader must be done before the device is closed or deleted.
class GrowingFileDevice : public QIODevice {
    Q_OBJECT

public:
    explicit GrowingFileDevice(const QString& path, QObject* parent = nullptr);
    ~GrowingFileDevice() override;

    // Read only; fails when the file cannot be opened.
    bool open(OpenMode mode) override;
    void close() override;
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;
    bool atEnd() const override;

    // Whether the writer has finished with the file. A complete file ends
    // where it ends; an incomplete one is waited for.
    void setFileComplete(bool complete);
    bool isFileComplete() const { return m_complete.load(); }

    // How often the file's size is looked at while waiting, in ms.
    static constexpr int kPollMs = 100;

signals:
    // The last byte of a complete file has been read (emitted once, queued).
    void finished();

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    qint64 unreadInFile() const;
    void poll();
    void finishOnce();

    mutable std::mutex m_fileLock;  // over m_file: its handle, position and size
    QFile m_file;
    QTimer m_poll;  // the device's own thread only
    std::atomic<bool> m_complete = false;
    std::atomic<bool> m_finished = false;
};

}  // namespace tovrin
