#pragma once

#include <QCommandLineOption>
#include <QString>

#include <cstdio>
#include <optional>

class QCommandLineParser;

namespace tovrin {

// A password as the command line gave it, read only when the command runs.
struct GivenPassword {
    enum class Form { Value, Typed, File };
    Form form = Form::Value;
    QString text;    // Value: the password; File: the path
    QString option;  // the option's name, for messages ("password", "http-password")
};

// Reads a given password: from its file, or typed at `in` (the prompt and the
// line end after it go to `out`). std::nullopt, with the reason in
// `problem`, when it cannot be had.
std::optional<QString> ReadGivenPassword(const GivenPassword& given, QString& problem, std::FILE* in = stdin,
                                         std::FILE* out = stderr);

// A password of tovrin-cli's command line, in one of three forms:
//   --NAME PW          the password itself, which every user of the machine can
//                      read in the process list while the program runs;
//   --NAME -           typed at the terminal without echo (one line of stdin
//                      when stdin is no terminal, for scripts);
//   --NAME-file FILE   the first line of FILE, which only its owner may read.
struct PasswordOptions {
    // `purpose` says what the password is for, as the help text's start.
    PasswordOptions(const QString& name, const QString& purpose);

    QCommandLineOption value;
    QCommandLineOption file;

    // Either form is given.
    bool isSet(const QCommandLineParser& parser) const;
    // The reason when the options are unusable (both forms at once); empty
    // when they are fine.
    QString check(const QCommandLineParser& parser) const;
    // The password in the form given; nothing when neither form is.
    std::optional<GivenPassword> given(const QCommandLineParser& parser) const;
};

// The first line of the password file at `path`, without its line end.
// Refused, with the reason in `problem`, when the file cannot be read or when
// its mode lets its group or other users read it.
std::optional<QString> ReadPasswordFile(const QString& path, QString& problem);

}  // namespace tovrin
