#pragma once

#include "run/stream_tap.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tovrin {

class Shell;
class StreamFeed;

// Who listens to a recording of `tovrin-cli record`: a media player
// (--play) and the standard output (-o -), each fed its own copy of the
// stream by the run engine. With -o - the recording goes into a file of a
// temporary folder, removed with this, rather than one the user keeps.
//
// Thread: the UI thread.
class RecordListeners : public StreamTap {
public:
    // `playCommand`: the player to start, nothing for none (an empty list:
    // the default player). `toStdout`: -o -.
    RecordListeners(std::optional<QStringList> playCommand, bool toStdout);
    ~RecordListeners() override;

    // The file a recording to the standard output goes into; empty when
    // there is none, or its folder cannot be made.
    QString stdoutRecording() const;
    // Makes the listeners, telling `shell`'s log; `stopRecording` runs when
    // the standard output's reader has gone.
    void start(Shell& shell, const std::function<void()>& stopRecording);
    // Whom the engine feeds: nothing when nobody listens.
    StreamTap* tap() { return m_feeds.empty() ? nullptr : this; }

    void header(const QByteArray& header, std::uint32_t packetSize) override;
    void packet(const QByteArray& payload) override;

    // The recording has ended: `then` runs once every listener has had
    // what was waiting for it (a player also ended), at once when none waits.
    void finish(const std::function<void()>& then);

private:
    std::optional<QStringList> m_playCommand;
    bool m_toStdout;
    std::unique_ptr<QTemporaryDir> m_stdoutFolder;
    std::vector<std::unique_ptr<StreamFeed>> m_feeds;
    std::size_t m_running = 0;
};

}  // namespace tovrin
