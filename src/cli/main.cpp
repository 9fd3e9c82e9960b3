#include "cli/check_command.h"
#include "cli/open_command.h"
#include "cli/record_command.h"
#include "state/qt_translation.h"
#include "state/settings_store.h"
#include "tovrin_version.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTranslator>

#include <csignal>
#include <cstdio>

namespace {

const char kUsage[] =
    "Usage: tovrin-cli COMMAND [options]\n"
    "\n"
    "Commands:\n"
    "  record URL       record an MMS stream into an ASF file (see 'tovrin-cli record --help');\n"
    "                   URL may also be an http:// redirector address or a redirector file\n"
    "  record --config NAME\n"
    "                   record what ~/.config/tovrin/recordings/NAME.conf names (as the\n"
    "                   tovrin-record@NAME systemd user service does)\n"
    "  open LOCATION    open a stream address, redirector, local media file or saved log\n"
    "                   and print what it holds\n"
    "  info FILE        print the file properties of a local ASF file\n"
    "  check FILE...    tell whether recordings are whole ('check --repair FILE' ends one a\n"
    "                   killed recording left unfinished)\n"
    "  --version        print the version\n";

}  // namespace

int main(int argc, char* argv[])
{
#ifdef SIGXFSZ
    // A write beyond a file-size limit then fails with EFBIG, and the save
    // file's write error is reported, instead of the signal ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
#ifdef SIGPIPE
    // A listener that closes its pipe (record -o -, --play) is a write
    // error the recording handles, not the end of the program.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tovrin-cli"));
    QCoreApplication::setOrganizationName(QStringLiteral("Tovrin Streaming"));
    // What Qt adds itself (a socket's reason for failing) is told in the
    // language the window speaks.
    QTranslator qtTexts;
    if (!tovrin::LoadQtTranslation(qtTexts, tovrin::ChosenLanguage(QString(), tovrin::SettingsStore())))
        std::fputs(
            "tovrin-cli: Qt's Traditional Chinese translation (qtbase_zh_TW) is missing; "
            "what Qt reports stays in English\n",
            stderr);
    else if (!qtTexts.isEmpty())
        QCoreApplication::installTranslator(&qtTexts);
    const QStringList arguments = QCoreApplication::arguments();
    const QString command = arguments.value(1);
    if (command == QStringLiteral("record"))
        return tovrin::RunRecordCommand(arguments);
    if (command == QStringLiteral("open"))
        return tovrin::RunOpenCommand(arguments);
    if (command == QStringLiteral("info"))
        return tovrin::RunInfoCommand(arguments);
    if (command == QStringLiteral("check"))
        return tovrin::RunCheckCommand(arguments);
    if (command == QStringLiteral("--version") || command == QStringLiteral("-v")) {
        std::fputs("tovrin-cli " TOVRIN_VERSION "\n", stdout);
        return 0;
    }
    if (command == QStringLiteral("--help") || command == QStringLiteral("-h") || command == QStringLiteral("help")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    std::fputs(kUsage, stderr);
    return 2;
}
