#include "app/command_line.h"

#include "app/translations.h"
#include "tovrin_version.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace tovrin {

namespace {

QString LocationArgument(const QString& argument)
{
    const QUrl url(argument);
    if (url.isLocalFile())
        return url.toLocalFile();
    // Anything with a scheme (mms://, http://, ...) is the open window's to judge.
    if (argument.contains(u"://"_s))
        return argument;
    const QFileInfo file(argument);
    if (file.isRelative() && file.exists())
        return QDir::cleanPath(file.absoluteFilePath());
    return argument;
}

QString HelpText(const QCommandLineParser& parser, const QString& program)
{
    QString text = parser.helpText();
    // The usage line names the program as it was started, with or without an
    // application object (without one the parser cannot name it).
    const QString usage = u"Usage: "_s;
    const qsizetype options = text.indexOf(u" [options]"_s);
    if (text.startsWith(usage) && options > 0)
        text.replace(usage.size(), options - usage.size(), program);
    const QString readme = QStandardPaths::locate(QStandardPaths::GenericDataLocation, u"tovrin/Readme.txt"_s);
    text += u"\nMore help: "_s + (readme.isEmpty() ? u"Readme.txt"_s : readme) + u'\n';
    return text;
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Tovrin records MMS and MMSH streams into ASF files.\n"
        u"With LOCATION, the window opens it as its open window would: a stream address goes into\n"
        u"the URL box, a redirector fills its list, a local media file shows its properties and a\n"
        u"saved .log replaces the session log. A Tovrin already running with the same settings\n"
        u"is handed LOCATION instead, and this one ends."_s);
    const QCommandLineOption help({u"h"_s, u"help"_s}, u"Print this help and end."_s);
    const QCommandLineOption version({u"v"_s, u"version"_s}, u"Print the version and end."_s);
    const QCommandLineOption lang(u"lang"_s, u"The windows' language: zh_TW (the default) or en."_s, u"LANGUAGE"_s);
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(lang);
    parser.addPositionalArgument(u"location"_s, u"mms://, mmst://, mmsu://, mmsh:// or http:// address, or a file."_s,
                                 u"[LOCATION]"_s);

    const QString program = arguments.isEmpty() ? u"tovrin"_s : QFileInfo(arguments.first()).fileName();
    CommandLine result;
    const bool parsed = parser.parse(arguments);
    if (parser.isSet(help)) {
        result.action = CommandLine::Action::Help;
        result.text = HelpText(parser, program);
        return result;
    }
    if (parser.isSet(version)) {
        result.action = CommandLine::Action::Version;
        result.text = program + u' ' + QStringLiteral(TOVRIN_VERSION) + u'\n';
        return result;
    }
    const QStringList positional = parser.positionalArguments();
    result.language = parser.value(lang);
    if (parsed && !result.language.isEmpty() && !IsKnownLanguage(result.language)) {
        result.action = CommandLine::Action::Error;
        result.text =
            u"unknown language '"_s + result.language + u"': zh_TW or en\nTry '"_s + program + u" --help'.\n"_s;
        return result;
    }
    if (!parsed || positional.size() > 1) {
        result.action = CommandLine::Action::Error;
        result.text = (parsed ? u"only one LOCATION can be opened"_s : parser.errorText()) + u"\nTry '"_s + program
                      + u" --help'.\n"_s;
        return result;
    }
    if (!positional.isEmpty())
        result.location = LocationArgument(positional.first());
    return result;
}

}  // namespace tovrin
