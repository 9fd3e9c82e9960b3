#include "cli/record_command.h"

#include "state/app_context.h"
#include "state/run_state.h"
#include "state/settings_record.h"
#include "state/settings_store.h"
#include "cli/console_shell.h"
#include "cli/interrupt_signal.h"
#include "cli/location_options.h"
#include "cli/password_options.h"
#include "mmsh/record_transport.h"
#include "locations/session_log.h"
#include "mms/connection_controller.h"
#include "mmsh/mmsh_controller.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <cstdio>

namespace tovrin {

namespace {

void usageError(const QString& message)
{
    std::fprintf(stderr, "tovrin-cli record: %s\nTry 'tovrin-cli record --help'.\n", message.toUtf8().constData());
}

bool parsePort(const QString& text, bool allowZero)
{
    bool ok = false;
    const uint port = text.toUInt(&ok);
    return ok && port <= 65535 && (allowZero || port > 0);
}

}  // namespace

int RunRecordCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Records an MMS stream (mms://, mmst://, mmsu://, mmsh://) into an ASF file.\n"
        "Each data packet goes to its own slot of the file, so an interrupted\n"
        "download can be resumed; a live broadcast is rebased to time zero and\n"
        "its header patched when the recording ends.\n"
        "Ctrl-C stops the recording and keeps what was received.\n\n"
        "Exit status: 0 when the server ended the stream and every packet of\n"
        "the file arrived, or the recording was stopped; 1 when it ended any\n"
        "other way, packets missing included; 2 for bad usage."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("record"), QStringLiteral("The command."));
    parser.addPositionalArgument(QStringLiteral("URL"), QStringLiteral("The stream address, e.g. mms://host/clip.wmv, or a redirector (http://host/list.asx or a .asx file) whose --entry to record"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The file to record into (default: the stream's name in the current folder)."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption resume(QStringLiteral("resume"), QStringLiteral("Resume into FILE when it already holds data."));
    const QCommandLineOption overwrite(QStringLiteral("overwrite"), QStringLiteral("Download again over FILE when it already holds data."));
    const QCommandLineOption tcpPort(QStringLiteral("tcp-port"), QStringLiteral("The server's MMS port when the address names none (default: the setting, 1755)."), QStringLiteral("N"));
    const QCommandLineOption udp(QStringLiteral("udp"), QStringLiteral("Receive the data as UDP datagrams."));
    const QCommandLineOption udpPort(QStringLiteral("udp-port"), QStringLiteral("Local UDP port (default: the setting, 7000; 0 picks a free one)."), QStringLiteral("N"));
    const QCommandLineOption bypassDns(QStringLiteral("bypass-dns"), QStringLiteral("The host is an IP address; do not look it up."));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("User id for a server that asks for credentials."), QStringLiteral("ID"));
    const PasswordOptions password(QStringLiteral("password"), QStringLiteral("Password for a server that asks for credentials."));
    const QCommandLineOption savePassword(QStringLiteral("save-password"), QStringLiteral("Keep the credentials in the settings for later runs."));
    const QCommandLineOption duration(QStringLiteral("duration"), QStringLiteral("Stop after SECONDS of media have been recorded."), QStringLiteral("SECONDS"));
    const QCommandLineOption saveLog(QStringLiteral("save-log"), QStringLiteral("Save the session log to FILE when the run ends."), QStringLiteral("FILE"));
    const QCommandLineOption connectTimeout(QStringLiteral("connect-timeout"), QStringLiteral("Give up when no connection is made within SECONDS (default 45)."), QStringLiteral("SECONDS"));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("Print no log lines and no progress line."));
    const QCommandLineOption transport(QStringLiteral("transport"), QStringLiteral("auto (default): the MMS exchange, then MMS over HTTP when the MMS port refuses or closes before replying; mmst, mmsu (the MMS exchange, data over TCP or UDP) or mmsh (MMS over HTTP) only. An mmsh:// address always goes over HTTP."), QStringLiteral("NAME"), QStringLiteral("auto"));
    const QCommandLineOption httpPort(QStringLiteral("http-port"), QStringLiteral("The server's HTTP port for MMS over HTTP when the address names none (default 80)."), QStringLiteral("N"));
    parser.addOptions({output, resume, overwrite, tcpPort, udp, udpPort, bypassDns, user, password.value, password.file,
                       savePassword, duration, saveLog, connectTimeout, quiet, transport, httpPort});
    const RecordLocation redirector;
    redirector.addTo(parser);

    if (!parser.parse(arguments)) {
        usageError(parser.errorText());
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(parser.helpText().toUtf8().constData(), stdout);
        return 0;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2) {
        usageError(QStringLiteral("expects exactly one URL"));
        return 2;
    }
    if (parser.isSet(resume) && parser.isSet(overwrite)) {
        usageError(QStringLiteral("--resume and --overwrite exclude each other"));
        return 2;
    }
    if (parser.isSet(user) != password.isSet(parser)) {
        usageError(QStringLiteral("--user and --password go together"));
        return 2;
    }
    if (const QString problem = password.check(parser); !problem.isEmpty()) {
        usageError(problem);
        return 2;
    }
    if (parser.isSet(tcpPort) && !parsePort(parser.value(tcpPort), false)) {
        usageError(QStringLiteral("--tcp-port takes a port number"));
        return 2;
    }
    if (parser.isSet(udpPort) && !parsePort(parser.value(udpPort), true)) {
        usageError(QStringLiteral("--udp-port takes a port number"));
        return 2;
    }
    const std::optional<Transport> chosen = TransportNamed(parser.value(transport));
    if (!chosen) {
        usageError(QStringLiteral("--transport takes auto, mmst, mmsu or mmsh"));
        return 2;
    }
    if (parser.isSet(httpPort) && !parsePort(parser.value(httpPort), false)) {
        usageError(QStringLiteral("--http-port takes a port number"));
        return 2;
    }
    bool durationOk = true;
    const double seconds = parser.isSet(duration) ? parser.value(duration).toDouble(&durationOk) : 0;
    if (!durationOk || seconds < 0) {
        usageError(QStringLiteral("--duration takes a number of seconds"));
        return 2;
    }

    bool timeoutOk = true;
    const double timeoutSeconds = parser.isSet(connectTimeout) ? parser.value(connectTimeout).toDouble(&timeoutOk) : 45;
    if (!timeoutOk || timeoutSeconds <= 0 || timeoutSeconds > 3600) {
        usageError(QStringLiteral("--connect-timeout takes a number of seconds"));
        return 2;
    }

    ConsoleAnswers answers;
    answers.saveFile = parser.value(output);
    answers.logFile = parser.value(saveLog);
    if (parser.isSet(resume))
        answers.resumeChoice = ResumeChoice::Resume;
    if (parser.isSet(overwrite))
        answers.resumeChoice = ResumeChoice::Redownload;
    if (parser.isSet(user)) {
        QString problem;
        const std::optional<QString> secret = password.read(parser, problem);
        if (!secret) {
            usageError(problem);
            return 2;
        }
        answers.password = PasswordAnswer{parser.value(user), *secret, parser.isSet(savePassword)};
    }
    answers.quiet = parser.isSet(quiet);

    // Settings come from the store; options override them for this run only.
    SettingsStore store;
    SettingsRecord settings = LoadSettings(store);
    if (parser.isSet(tcpPort))
        settings.serverSocket = parser.value(tcpPort);
    if (parser.isSet(udp) || chosen == Transport::Mmsu)
        settings.udpTick = true;
    if (chosen == Transport::Mmst)
        settings.udpTick = false;
    if (parser.isSet(udpPort))
        settings.loadedUdpPort = settings.udpPort = parser.value(udpPort);
    if (parser.isSet(bypassDns))
        settings.bypassDns = true;

    ConsoleShell shell(answers);
    RunState run;
    AppContext ctx{shell, store, settings, run};
    ConnectionController controller(ctx);
    controller.setWatchdogInterval(int(timeoutSeconds * 1000));
    MmshController mmsh(ctx);
    mmsh.setWatchdogInterval(int(timeoutSeconds * 1000));
    RecordTransport recording(ctx, controller, mmsh, *chosen,
                              parser.isSet(httpPort) ? quint16(parser.value(httpPort).toUInt()) : quint16(80));
    ctx.stopper = &recording;
    if (settings.udpTick && !controller.bindUdp()) {
        shell.showMessage(QStringLiteral("UDP 埠號 %1 無法使用").arg(settings.loadedUdpPort));
        return 1;
    }

    int status = 1;
    QObject::connect(&recording, &RecordTransport::finished, [&](RunEnd end) {
        status = end == RunEnd::Completed || end == RunEnd::UserStopped ? 0 : 1;
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(); });
    });
    InterruptSignal interrupt;
    QObject::connect(&interrupt, &InterruptSignal::interrupted, &controller, [&] {
        if (recording.isRunning())
            recording.stop();
        else
            QCoreApplication::exit();
    });
    QTimer durationCheck;
    if (seconds > 0) {
        const auto limit = std::uint64_t(seconds * 1000);
        QObject::connect(&durationCheck, &QTimer::timeout, &controller, [&, limit] {
            if (recording.isRunning() && run.mediaTime >= limit)
                recording.stop();
        });
        durationCheck.start(100);
    }

    // A redirector is opened first; its chosen entry is the stream to record.
    QString streamAddress;
    if (const int opened = redirector.resolve(ctx, parser, positional.at(1), answers.quiet, streamAddress); opened != 0)
        return opened;
    if (recording.start(streamAddress))
        QCoreApplication::exec();
    shell.finishProgress();

    if (parser.isSet(saveLog)) {
        QFile file(parser.value(saveLog));
        const QByteArray content = EncodeSessionLog(shell.logLines());
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
            shell.showMessage(QStringLiteral("儲存這個記錄檔案發生一個錯誤"));
            return 1;
        }
    }
    return status;
}

}  // namespace tovrin
