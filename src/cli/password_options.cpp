#include "cli/password_options.h"

#include "cli/terminal_line.h"

#include <QCommandLineParser>
#include <QFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace tovrin {

namespace {

// A password file holds one line; more is not read.
constexpr qint64 kMaxPasswordFileBytes = 4096;

}  // namespace

PasswordOptions::PasswordOptions(const QString& name, const QString& purpose)
    : value(name,
            purpose
                + QStringLiteral(" Every user of this machine can read PW in the process list while the "
                                 "program runs: give - to type it instead, or use --%1-file.")
                      .arg(name),
            QStringLiteral("PW")),
      file(name + QStringLiteral("-file"),
           QStringLiteral("Read the --%1 from the first line of FILE, which only its owner may read "
                          "(chmod 600 FILE).")
               .arg(name),
           QStringLiteral("FILE"))
{
}

bool PasswordOptions::isSet(const QCommandLineParser& parser) const
{
    return parser.isSet(value) || parser.isSet(file);
}

QString PasswordOptions::check(const QCommandLineParser& parser) const
{
    if (parser.isSet(value) && parser.isSet(file))
        return QStringLiteral("--%1 and --%2 exclude each other").arg(value.names().first(), file.names().first());
    return {};
}

std::optional<GivenPassword> PasswordOptions::given(const QCommandLineParser& parser) const
{
    if (parser.isSet(file))
        return GivenPassword{GivenPassword::Form::File, parser.value(file), value.names().first()};
    if (!parser.isSet(value))
        return std::nullopt;
    const QString text = parser.value(value);
    return GivenPassword{text == u'-' ? GivenPassword::Form::Typed : GivenPassword::Form::Value, text,
                         value.names().first()};
}

std::optional<QString> ReadGivenPassword(const GivenPassword& given, QString& problem, std::FILE* in, std::FILE* out)
{
    switch (given.form) {
    case GivenPassword::Form::Value:
        return given.text;
    case GivenPassword::Form::File: {
        const std::optional<QString> password = ReadPasswordFile(given.text, problem);
        if (!password)
            problem = QStringLiteral("--%1-file: %2").arg(given.option, problem);
        return password;
    }
    case GivenPassword::Form::Typed:
        break;
    }
    if (IsTerminal(in)) {
        std::fprintf(out, "Password for --%s: ", given.option.toUtf8().constData());
        std::fflush(out);
    }
    const std::optional<QString> typed = ReadTerminalLine(in, out, false);
    if (!typed)
        problem = QStringLiteral("--%1 -: no password was typed").arg(given.option);
    return typed;
}

std::optional<QString> ReadPasswordFile(const QString& path, QString& problem)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        problem = QStringLiteral("cannot read %1").arg(path);
        return std::nullopt;
    }
#ifdef Q_OS_UNIX
    // The mode of the file as opened, so that it cannot change in between.
    struct stat status {};
    if (::fstat(file.handle(), &status) != 0) {
        problem = QStringLiteral("cannot read %1").arg(path);
        return std::nullopt;
    }
    if (status.st_mode & (S_IRGRP | S_IROTH)) {
        problem = QStringLiteral("%1 can be read by other users (mode %2); allow only its owner: chmod 600 %1")
                      .arg(path)
                      .arg(status.st_mode & 07777, 4, 8, QLatin1Char('0'));
        return std::nullopt;
    }
#endif
    const QByteArray bytes = file.read(kMaxPasswordFileBytes);
    qsizetype end = bytes.indexOf('\n');
    if (end < 0)
        end = bytes.size();
    if (end > 0 && bytes[end - 1] == '\r')
        --end;
    return QString::fromUtf8(bytes.first(end));
}

}  // namespace tovrin
