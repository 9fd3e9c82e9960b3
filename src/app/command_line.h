#pragma once

#include <QString>
#include <QStringList>

namespace tovrin {

// What the desktop program's command line asks for, read before anything
// runs: `tovrin [--lang LANGUAGE] [LOCATION]`, `--help`, `--version`.
struct CommandLine {
    enum class Action {
        Run,      // open the window (with location opened, when there is one)
        Help,     // print text on stdout and end
        Version,  // print text on stdout and end
        Error,    // print text on stderr and end with status 2
    };
    Action action = Action::Run;
    // A stream address, a redirector's web address, or a local file as an
    // absolute path (a file:// URL, as file managers pass it, becomes its
    // path; a relative name of an existing file is made absolute).
    QString location;
    // The windows' language (zh_TW or en) when --lang names it; empty: the
    // Language setting's.
    QString language;
    QString text;
};

// arguments as main receives them, the program's name first. Needs no
// application object, so --help and --version need no display.
CommandLine ParseCommandLine(const QStringList& arguments);

}  // namespace tovrin
