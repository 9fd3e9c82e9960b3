#include "cli/open_options.h"

#include "state/text_rules.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace tovrin {

std::variant<OpenOptions, HelpRequest, UsageError> ParseOpenCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Opens a media location as the open dialog does and prints what it holds:\n"
                       "  mms://...            the stream address, ready to record\n"
                       "  http://.../x.asx     the redirector's stream addresses, numbered\n"
                       "  FILE.asx             the same from a redirector file on disk\n"
                       "  FILE.wmv/.asf/.wma   the file properties of a local media file\n"
                       "  FILE.log             the lines of a saved session log\n"
                       "Log lines and messages go to stderr.\n\n"
                       "Exit status: 0 when the location was opened, 1 when not, 2 for bad usage."));
    parser.addPositionalArgument(QStringLiteral("open"), QStringLiteral("The command."));
    parser.addPositionalArgument(QStringLiteral("LOCATION"), QStringLiteral("A URL or a file path."));
    const QCommandLineOption saveRedirector(QStringLiteral("save-redirector"),
                                            QStringLiteral("Save a fetched redirector file as FILE."),
                                            QStringLiteral("FILE"));
    parser.addOption(saveRedirector);
    const HttpOptions http;
    http.addTo(parser);
    parser.addHelpOption();
    if (const auto stop = ParseOnePositional(parser, arguments, QStringLiteral("location")))
        return AsStop<OpenOptions>(*stop);
    const std::variant<HttpFetchOptions, QString> fetchOptions = http.parse(parser);
    if (const QString* problem = std::get_if<QString>(&fetchOptions))
        return UsageError{*problem};
    // Blanks around the location are dropped, as the open dialog drops them.
    OpenOptions options{AbsoluteLocation(TrimBlanks(parser.positionalArguments().at(1))), std::nullopt,
                        std::get<HttpFetchOptions>(fetchOptions)};
    if (parser.isSet(saveRedirector))
        options.saveRedirector = parser.value(saveRedirector);
    return options;
}

std::variant<InfoOptions, HelpRequest, UsageError> ParseInfoCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints the file properties of a local ASF file (.asf, .wmv, .wma), read\n"
                       "from its ASF header, one field per line.\n\n"
                       "Exit status: 0 when the header was read, 1 when not, 2 for bad usage."));
    parser.addPositionalArgument(QStringLiteral("info"), QStringLiteral("The command."));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The ASF file."));
    parser.addHelpOption();
    if (const auto stop = ParseOnePositional(parser, arguments, QStringLiteral("location")))
        return AsStop<InfoOptions>(*stop);
    return InfoOptions{QFileInfo(parser.positionalArguments().at(1)).absoluteFilePath()};
}

}  // namespace tovrin
