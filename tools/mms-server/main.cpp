// tovrin-mms-server: an MMS test server. See --help, and README.md.

#include "mms-server/mms_server.h"
#include "mms-server/server_options.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>

namespace {

// Self-pipe: the signal handler only writes a byte; the event loop reads it.
int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

bool installSignalHandlers()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

void logLine(const QString& line)
{
    const QString stamped =
        QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs) + QLatin1Char(' ') + line + QLatin1Char('\n');
    std::fputs(stamped.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tovrin-mms-server"));

    const auto parsed = tovrin::mmsserver::ParseServerOptions(QCoreApplication::arguments());
    if (!parsed.options) {
        std::fputs(parsed.message.toLocal8Bit().constData(), parsed.exitCode == 0 ? stdout : stderr);
        std::fputs("\n", parsed.exitCode == 0 ? stdout : stderr);
        return parsed.exitCode;
    }
    ::signal(SIGPIPE, SIG_IGN);
    if (!installSignalHandlers()) {
        logLine(QStringLiteral("cannot install the signal handlers"));
        return 1;
    }

    tovrin::mmsserver::MmsServer server(*parsed.options, logLine);
    QString error;
    if (!server.start(&error)) {
        logLine(error);
        return 1;
    }
    std::printf("listening on %s:%u\n", server.address().toString().toLocal8Bit().constData(), unsigned(server.port()));
    if (server.httpPort() != 0)
        std::printf("mmsh on %s:%u\n", server.address().toString().toLocal8Bit().constData(),
                    unsigned(server.httpPort()));
    std::fflush(stdout);

    QSocketNotifier notifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(g_signalPipe[0], &byte, 1);
        notifier.setEnabled(false);
        logLine(QStringLiteral("stopping on a signal"));
        server.stop();
    });
    QObject::connect(&server, &tovrin::mmsserver::MmsServer::stopped, &app, &QCoreApplication::quit);
    const int code = QCoreApplication::exec();
    logLine(QStringLiteral("stopped"));
    return code;
}
