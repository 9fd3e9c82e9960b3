#pragma once

#include "asf/header_and_packet_storage.h"
#include "run/link_event.h"
#include "run/link_factory.h"
#include "run/next_recording.h"
#include "run/reconnect_policy.h"
#include "run/recording_clock.h"
#include "run/recording_parts.h"
#include "run/recording_progress.h"
#include "run/repeated_lines.h"
#include "run/run_end.h"
#include "run/run_watchdogs.h"
#include "state/app_context.h"
#include "state/ui_courier.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <optional>

class QObject;

namespace tovrin {

class RecordingFile;
class RedirectorFetch;
class RunEventQueue;
class StreamTap;

// What starting afresh resets: a new recording (the window too), the next
// connection of a recording, or the next file of a connection.
enum class RunScope { Recording, Connection, NextFile };

// A recording's life, whichever transport carries it: the Connect command's
// checks and the save file, the watchdogs, the header and the media packets
// stored, progress, the completion verdict, the stop routine and its
// fix-ups, the next file a stream change opens, reconnecting after a lost
// connection, and the end with its announcement. Transports only connect,
// speak their protocol and push events (see link_event.h); the engine alone
// writes the run's state.
//
// A recording is one or more runs, one per connection: a stream change into
// the next file keeps the run, a lost connection that is tried again starts
// the next run (in the same file for a stream of known length, the next
// numbered one for a broadcast), and so does a refused first connection that
// the transport rolls over to MMS over HTTP. Front ends hear of the
// recording's end once (finished).
//
// Thread: the UI thread. Events are taken from the run's queue one at a
// time; an event whose handling asks the user holds the rest until answered.
// Nothing here waits on a transport's thread.
class RunEngine : public QObject, public RunStopper {
    Q_OBJECT

public:
    RunEngine(AppContext& ctx, LinkFactory& links, QObject* parent = nullptr);
    ~RunEngine() override;

    void setConnectLimit(int milliseconds) { m_watchdogs.setConnectLimit(milliseconds); }
    void setSilenceLimit(int milliseconds) { m_watchdogs.setSilenceLimit(milliseconds); }
    // The program's redirector fetch, which the stop routine ends when one is
    // under way.
    void setRedirectorFetch(RedirectorFetch* fetch);
    // The recording stops (as a confirmed Disconnect does) at the first
    // packet that takes its media time, over every file and connection,
    // to `milliseconds`; 0: no limit.
    void setMediaLimit(std::uint64_t milliseconds) { m_clock.setLimit(milliseconds); }
    // Who listens to the stream as it is recorded (nothing: nobody); it
    // outlives the engine's runs.
    void setStreamTap(StreamTap* tap) { m_tap = tap; }
    // The recording ends whole (as a confirmed Disconnect does, told why)
    // before its files together would pass `limits.maxBytes`, or while the
    // disk still keeps `limits.minFreeBytes` free. Parts follow the
    // settings' rules (PartRulesFrom), read when a recording starts.
    void setSizeLimits(const SizeLimits& limits) { m_sizeLimits = limits; }

    // The Connect command on a stream address. True when a connection is
    // being made; otherwise the reason has been shown.
    bool start(const QString& address);
    // A run is under way, or the next try is waited for.
    bool isRunning() const { return m_recording; }
    // The Disconnect command: asks first, then stops and tells what the file
    // holds. Between tries it stops trying at once.
    void disconnectClick();
    // A confirmed Disconnect.
    void stop();
    // The stop routine: ends the run under way (patching its file unless the
    // fixed flags forbid it), or the wait for the next try. Safe at any time.
    void stopRun() override;
    RunEnd lastEnd() const { return m_lastEnd; }
    // The current or last run's save file, until the next Connect.
    RecordingFile* recordingFile() { return m_file.get(); }
    // Where the recording stands: its file and the file's figures.
    RecordingProgress progress() const;

signals:
    void runStarted();
    // The recording has ended, with what the front end reports.
    void finished(tovrin::RunEnd end);
    // The URL box's text changed by a rule (trimmed).
    void urlTextChanged(const QString& text);
    // AutoLog asks for the session log to be saved at the end.
    void saveLogRequested();
    // A run of the recording starts connecting to `url` (the first, a
    // reconnection, the other transport).
    void connecting(const QString& url);
    // The recording goes into a file it had not written yet: its first, the
    // next of a stream change, or the next numbered one of a broadcast that
    // connected again. `part` counts them from 1.
    void fileStarted(const QString& path, int part);
    // The connection was lost and the try `tryNumber` of `limit` follows in
    // `waitMs`.
    void reconnectWaiting(int tryNumber, int limit, int waitMs);

private:
    struct LinkCloser {
        void operator()(TransportLink* link) const;
    };
    using LinkHandle = std::unique_ptr<TransportLink, LinkCloser>;

    // --- the run's life (run_engine.cpp) ---
    bool beginRun(const std::optional<QString>& continuedPath, bool resume);
    void openConnection();
    void drain();
    // The stop routine, the run's end told to the recording: the next try
    // waited for (RunEnd::Lost) or the recording finished.
    void endRun(RunEnd end);
    // The stop routine alone; false when no run was under way.
    bool closeRun(RunEnd end);
    void rollOver(const Rollover& rollover);
    void stopRoutine();
    void finishRecording(RunEnd end);
    bool endForReconnect();
    void waitForNextTry();
    void tryAgain();
    bool stopTrying();
    void onConnectTimeout();
    void onSilence(qint64 silentMs);
    void tellAndEnd(const QString& logLine, const QString& message);
    void nothingToPatch();
    void resetFor(RunScope scope);
    // The run's save file is open: a file the recording had not written
    // yet is its next part, and told.
    void noteFile();

    // --- the events (run_events.cpp) ---
    void handle(const link::Log& event);
    void handle(const link::Message& event);
    void handle(const link::Connecting& event);
    void handle(const link::Connected& event);
    void handle(const link::Replied& event);
    void handle(const link::Progress& event);
    void handle(const link::KeepAlive& event);
    void handle(const link::ServerClients& event);
    void handle(const link::OpenedFile& event);
    void handle(const link::Header& event);
    void handle(const link::StreamingStarts& event);
    void handle(const link::Packet& event);
    void handle(const link::EntryEnded& event);
    void handle(const link::EndOfStream& event);
    void handle(const link::ServerMoved& event);
    void handle(const link::CredentialsAsked& event);
    void handle(const link::ServerError& event);
    void handle(const link::Failed& event);
    void handle(const link::Lost& event);

    // --- storage (run_storage.cpp) ---
    bool acceptFigures(const link::FileFigures& figures);
    void storeFirstHeader(const QByteArray& header, const link::FileFigures& figures);
    void storeNextHeader(const QByteArray& header, const link::FileFigures& figures);
    void askForMedia();
    // Names the recording's first file by the template's %t once the header
    // tells the stream's title.
    void nameByTitle(const QByteArray& header);
    // Readies the file for the chosen streams' packets only; false when the
    // run, a resume, cannot be made of them (ended, told why).
    bool storeChosenStreams();
    void storePacket(const link::Packet& packet);
    void flushFile();
    void complete();
    void cutShort();
    void writeFailureEnd();
    // `reason`: the log line before the new file's name (the usual one when empty).
    bool continueIntoNextFile(const QString& reason = {});
    // The broadcast's next part: the file ends whole and the next one begins
    // with the header and the packet at hand. False when the run ended.
    bool startNextPart();
    // After a packet was stored: the part's limit and the size limits.
    void judgeLimits();
    std::uint64_t fileBytes() const;
    bool headerStored() const { return !m_storedHeader.isEmpty(); }

    // --- a resumed file (run_resume.cpp) ---
    bool joinedEntriesRefused(const link::FileFigures& figures);
    void readStoredSlots();
    void storedSlotsRead(const std::shared_ptr<UiCourier>& job, std::optional<StoredSlots> scanned);
    bool resumedStreamConfirmed(const link::Packet& packet);
    void otherStreamInFile();

    AppContext& m_ctx;
    LinkFactory& m_links;
    RunWatchdogs m_watchdogs;
    QTimer m_refresh;
    QTimer m_soundRepeat;
    QTimer m_nextTry;
    QPointer<RedirectorFetch> m_fetch;
    ReconnectPolicy m_reconnect;
    NextRecordingNames m_nextNames;
    RecordingClock m_clock;
    StreamTap* m_tap = nullptr;
    PartSplitter m_parts;
    bool m_splitting = false;  // the recording's broadcast is cut into parts
    SizeLimits m_sizeLimits;
    std::uint64_t m_recordedBefore = 0;  // the recording's files before the current one
    QElapsedTimer m_freeSpaceRead;       // since the disk's free space was last read

    bool m_recording = false;  // from start() to finished()
    bool m_runActive = false;  // a connection's run is under way
    RunEnd m_end = RunEnd::Failed;
    RunEnd m_lastEnd = RunEnd::Failed;
    LinkTarget m_target;
    bool m_intoNextFile = false;  // a broadcast: each try starts the next numbered file
    bool m_rolledOver = false;

    // The run's own parts: made when it starts, let go when the next starts.
    std::unique_ptr<RecordingFile> m_file;
    std::optional<MediaPacketWriter> m_writer;
    std::shared_ptr<RunEventQueue> m_events;
    LinkHandle m_link;
    bool m_draining = false;
    bool m_replied = false;
    QByteArray m_storedHeader;  // the header of the file being recorded
    bool m_entryEnded = false;  // an entry ended; its next header may follow
    bool m_announcedStart = false;
    // A resumed file: whether its stream is still to be told by a packet the
    // file holds, where the media is asked from, the slots it held whole.
    struct ResumeCheck {
        bool pending = false;
        std::uint32_t from = 0;
        std::uint32_t stored = 0;
    };
    ResumeCheck m_resume;
    RepeatedLines m_repeats;           // the run's warnings told once, counted
    bool m_selectionTold = false;      // the streams chosen for the file have been told
    bool m_chosenStreamsOnly = false;  // some streams are left out: packets stored as they come
    // The recording's files: how many, the latest, and the media packets
    // stored into it.
    int m_part = 0;
    QString m_partFile;
    std::uint64_t m_partPackets = 0;
    std::shared_ptr<UiCourier> m_slotScan;  // the reading of a resumed file's slots under way
};

}  // namespace tovrin
