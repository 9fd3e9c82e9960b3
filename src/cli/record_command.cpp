#include "cli/record_command.h"

#include "cli/command_context.h"
#include "cli/interrupt_signal.h"
#include "cli/location_options.h"
#include "cli/progress_json.h"
#include "cli/record_listeners.h"
#include "cli/record_options.h"
#include "cli/shared_settings.h"
#include "cli/wall_clock_wait.h"
#include "locations/redirector_fetch.h"
#include "locations/session_log.h"
#include "run/name_template.h"
#include "run/run_engine.h"
#include "transport/record_transport.h"
#include "user_actions/log_steps.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <cstdio>

namespace tovrin {

namespace {

// The recording's answers to the shell's questions, from the command line.
// std::nullopt, after the usage error, when the password cannot be had.
std::optional<ConsoleAnswers> AnswersFor(const RecordOptions& options)
{
    ConsoleAnswers answers;
    // A file-name template names each part of the recording; a plain name
    // is the file itself.
    if (!HasNameFields(options.output))
        answers.saveFile = options.output;
    answers.logFile = options.saveLog;
    answers.resumeChoice = options.resumeChoice;
    answers.quiet = options.quiet;
    if (options.password) {
        QString problem;
        const std::optional<QString> secret = ReadGivenPassword(*options.password, problem);
        if (!secret) {
            ReportUsageError("record", problem);
            return std::nullopt;
        }
        // The window's saved credentials stay unless --save-password replaces them.
        answers.password = PasswordAnswer{options.user, *secret, options.savePassword, !options.savePassword};
    }
    return answers;
}

// Options override the stored settings for this run only.
void OverrideSettings(const RecordOptions& options, SettingsRecord& settings)
{
    if (options.tcpPort)
        settings.serverSocket = *options.tcpPort;
    if (options.udp || options.transport == Transport::Mmsu)
        settings.udpTick = true;
    if (options.transport == Transport::Mmst || options.tcp)
        settings.udpTick = false;
    if (options.udpPort)
        settings.loadedUdpPort = settings.udpPort = *options.udpPort;
    if (options.bypassDns)
        settings.bypassDns = true;
    if (options.firstEntryOnly)
        settings.followEntries = false;
    if (options.reconnect)
        settings.reconnect = *options.reconnect;
    if (options.streams)
        settings.streamChoice = *options.streams;
    if (options.maxBitRate)
        settings.maxBitRate = *options.maxBitRate;
    if (options.proxy)
        settings.proxy = *options.proxy;
    if (options.userAgent)
        settings.playerName = *options.userAgent;
    settings.nameTemplate = HasNameFields(options.output) ? options.output : QString();
    // A rule of parts on the command line replaces the window's rules whole.
    if (options.splitEvery || options.splitSize) {
        settings.splitEvery = options.splitEvery.value_or(QString());
        settings.splitOnClock = options.splitOnClock;
        settings.splitSize = options.splitSize.value_or(QString());
    }
}

}  // namespace

int RunRecordCommand(const QStringList& arguments)
{
    const auto parsed = ParseRecordCommandLine(arguments);
    if (const auto status = StopStatus(parsed, "record"))
        return *status;
    const RecordOptions& options = std::get<RecordOptions>(parsed);
    std::optional<ConsoleAnswers> answers = AnswersFor(options);
    if (!answers)
        return 2;
    // Declared before the engine, so it outlives the engine's use of it.
    RecordListeners listeners(options.playCommand, options.output == u"-");
    if (options.output == u"-" && (answers->saveFile = listeners.stdoutRecording()).isEmpty()) {
        const QString problem = QCoreApplication::translate("Tovrin", "無法建立暫存資料夾，無法錄製到標準輸出");
        std::fprintf(stderr, "%s\n", problem.toUtf8().constData());
        return 1;
    }

    CommandContext command(*answers);
    const SettingsRecord stored = command.settings;
    OverrideSettings(options, command.settings);
    AppContext& ctx = command.ctx;
    ConsoleShell& shell = command.shell;
    RecordTransport transport(ctx, options.transport, options.httpPort);
    RunEngine recording(ctx, transport);
    recording.setConnectLimit(options.connectTimeoutMs);
    recording.setSilenceLimit(options.silenceTimeoutMs);
    // The whole recording's media time, over every file and connection.
    recording.setMediaLimit(std::uint64_t(options.durationSeconds * 1000));
    recording.setSizeLimits(options.sizeLimits);
    QObject::connect(&recording, &RunEngine::saveLogRequested, [&ctx] { SaveLog(ctx); });
    ctx.stopper = &recording;
    // With --progress json every way out ends with the end line.
    std::optional<JsonProgress> progress;
    if (options.jsonProgress)
        progress.emplace(recording);
    RunEnd end = RunEnd::Failed;
    bool interrupted = false;
    const auto finish = [&](int exitStatus) {
        if (progress)
            progress->tellEnd(exitStatus, ProgressResult(end, interrupted));
        return exitStatus;
    };
    listeners.start(shell, [&recording] { recording.stop(); });
    recording.setStreamTap(listeners.tap());

    int status = 1;
    QObject::connect(&recording, &RunEngine::finished, [&](RunEnd ended) {
        end = ended;
        status = end == RunEnd::Completed || end == RunEnd::UserStopped ? 0 : 1;
        // A player plays on after the recording: the program ends with it,
        // once the recording's end has been told.
        QTimer::singleShot(0, qApp, [&listeners] {
            listeners.finish([] { QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(); }); });
        });
    });
    // --start-at: nothing is fetched or recorded before the start; Ctrl-C
    // meanwhile ends the program having done nothing, which is no failure.
    if (options.times) {
        if (const StartWait waited = WaitForStart(shell, *options.times); waited != StartWait::Started)
            return waited == StartWait::Interrupted ? 0 : 1;
    }
    // Ctrl-C stops the redirector's fetch, or the recording, or else ends
    // the program.
    RedirectorFetch fetch;
    InterruptSignal interrupt;
    QObject::connect(&interrupt, &InterruptSignal::interrupted, &recording, [&] {
        interrupted = true;
        if (fetch.isBusy())
            fetch.abort();
        else if (recording.isRunning())
            recording.stop();
        else
            QCoreApplication::exit();
    });

    // A redirector is opened first; its chosen entry is the stream to record,
    // and the run's log names the location it was opened from.
    QString streamAddress;
    if (const int opened = ResolveRecordLocation(ctx, options.http, options.entry, options.location, options.quiet,
                                                 fetch, streamAddress);
        opened != 0)
        return finish(opened);
    command.session.mediaLocation = AbsoluteLocation(options.location);
    if (recording.start(streamAddress)) {
        if (options.times && options.times->stop)
            StopRecordingAt(recording, shell, *options.times->stop);
        const bool overHttp = options.transport == Transport::Mmsh
                              || streamAddress.startsWith(QLatin1String("mmsh://"), Qt::CaseInsensitive);
        if (const QStringList taken = SettingsTakenFromTheWindow(stored, options, overHttp); !taken.isEmpty())
            shell.appendLog(QCoreApplication::translate("Tovrin", "- 沿用視窗的設定: ") + taken.join(u", "));
        QCoreApplication::exec();
    }
    shell.finishProgress();

    if (!options.saveLog.isEmpty()) {
        QFile file(options.saveLog);
        const QByteArray content = EncodeSessionLog(shell.logLines());
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
            shell.showMessage(QStringLiteral("儲存這個記錄檔案發生一個錯誤"));
            return finish(1);
        }
    }
    return finish(status);
}

}  // namespace tovrin
