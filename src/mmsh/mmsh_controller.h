#pragma once

#include "asf/header_and_packet_storage.h"
#include "locations/credentials.h"
#include "mmsh/mmsh_reply.h"
#include "run/next_recording.h"
#include "run/run_end.h"
#include "run/silence_watchdog.h"
#include "state/app_context.h"

#include <QObject>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <optional>

namespace tovrin {

class ReconnectPolicy;

// Runs download runs over MMSH (MMS over HTTP, mmsh://): a Describe for the
// ASF header, then a Play for the data packets, each request on a connection
// of its own. The header and the numbered data packets go to the same
// storage as MMS's (header store, media packet writer, stop routine's
// fix-ups), so on-demand files resume and live broadcasts are rebased and
// patched alike. Follows redirects (at most kMaxRedirects), answers a 401
// with the credentials dialog, gives up a connection not made within the
// watchdog interval, and ends a run whose server falls silent for the silence
// limit.
//
// Memory is bounded: the socket reads at most kReadLimit bytes beyond the
// chunk being assembled, and every length from the server is checked
// before it is used (see mmsh_reply.h).
//
// Thread: the UI thread, which owns the socket and the timers; chunks are
// stored as they arrive, in the socket's readyRead.
class MmshController : public QObject, public RunStopper {
    Q_OBJECT

public:
    static constexpr int kMaxRedirects = 10;
    static constexpr int kMaxAuthTries = 3;
    static constexpr qint64 kReadLimit = 256 * 1024;

    explicit MmshController(AppContext& ctx, QObject* parent = nullptr);
    ~MmshController() override;

    void setWatchdogInterval(int milliseconds) { m_watchdog.setInterval(milliseconds); }
    void setSilenceLimit(int milliseconds) { m_silence.setLimit(milliseconds); }
    // The port of an address that names none (default 80).
    void setDefaultPort(quint16 port) { m_defaultPort = port; }

    // Starts a run on an mmsh:// (or http://) stream address. True when a
    // connection is being made; otherwise the reason has been shown.
    bool connectClick(const QString& urlText);
    // Carries on a run another transport gave up before the server's first
    // reply: the same stream at `urlText`, recorded into the file that run
    // chose (`savePath`, resumed or created as `resume` says) without asking
    // again, and with the log kept. True when a connection is being made.
    bool continueRun(const QString& urlText, const QString& savePath, bool resume);
    // Connects again after a run that ended as RunEnd::Lost, as
    // ConnectionController::reconnect does.
    bool reconnect(const QString& urlText, bool intoNextFile);
    // As ConnectionController::setReconnectPolicy.
    void setReconnectPolicy(ReconnectPolicy* policy) { m_reconnect = policy; }
    void disconnectConfirmed();
    void stopRun() override;

    bool isRunning() const { return m_runActive; }
    RunEnd lastEnd() const { return m_end; }

signals:
    void runStarted();
    void runFinished(tovrin::RunEnd end);
    // AutoLog's save of the session log at the end of a run, as
    // ConnectionController::saveLogRequested.
    void saveLogRequested();

private:
    enum class Step { Describe, Play };
    // The save file a continued run takes over.
    struct ChosenFile {
        QString path;
        bool resume = false;
    };

    bool begin(const QString& urlText, const std::optional<ChosenFile>& chosen);

    void request(Step step);
    void onConnected();
    void onReadyRead();
    void onDisconnected();
    void onError(QAbstractSocket::SocketError error);
    void onWatchdog();
    void onSilence(qint64 silentMs);
    // Handles what the buffer holds; false once the run has ended.
    bool consume();
    bool handleHead();
    bool handleChunk(const MmshChunk& chunk);
    bool headerComplete();
    // Ends the run once a write into the save file has failed; true then.
    bool stoppedByWriteFailure();
    void complete();
    void fail(const QString& logLine);
    // fail, quietly and as RunEnd::Lost, when the reconnect policy gives the
    // lost connection another try (true); otherwise nothing is done.
    bool failForReconnect(const QString& logLine);
    // fail, for a stream that ends before its end: one of known length that
    // lacks packets is told as incomplete.
    void failCutShort(const QString& logLine);

    AppContext& m_ctx;
    QTcpSocket m_tcp;
    QTimer m_watchdog;
    SilenceWatchdog m_silence;
    QTimer m_refresh;
    QTimer m_soundRepeat;                        // the completion sound while its message is open
    std::unique_ptr<RecordingFile> m_recording;  // the run's save file, let go by the next Connect
    std::optional<MediaPacketWriter> m_writer;   // one per run: it holds the run's first packet
    quint16 m_defaultPort = 80;

    QUrl m_url;  // where the next request goes (http://host:port/path)
    QString m_clientGuid;
    Step m_step = Step::Describe;
    QByteArray m_in;
    bool m_headRead = false;
    bool m_broadcast = false;
    int m_redirects = 0;
    int m_authTries = 0;
    ServerCredentials m_credentials;  // the run's: cleared by Connect, UI thread only
    NextRecordingNames m_nextNames;   // the files a stream change or a reconnect continues into
    ReconnectPolicy* m_reconnect = nullptr;
    QByteArray m_header;  // $H payloads of the header being collected
    QByteArray m_storedHeader;
    bool m_headerStored = false;
    bool m_newHeaderExpected = false;  // after $C: the next entry's header follows
    bool m_streaming = false;          // a $D has arrived in this run
    bool m_ended = false;              // $E 0 or a fault: nothing more is handled

    bool m_runActive = false;
    bool m_stopping = false;
    RunEnd m_end = RunEnd::Failed;
};

}  // namespace tovrin
