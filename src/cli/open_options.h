#pragma once

#include "cli/location_options.h"
#include "cli/usage.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

namespace tovrin {

// Everything `tovrin-cli open` was asked to do, checked, before anything runs.
struct OpenOptions {
    QString location;                       // trimmed, a relative file path made absolute
    std::optional<QString> saveRedirector;  // --save-redirector: a fetched redirector is saved there
    HttpFetchOptions http;
};

// `tovrin-cli info FILE`: the file, made absolute.
struct InfoOptions {
    QString file;
};

// Parse the arguments of `tovrin-cli open ...` and `tovrin-cli info ...`
// (the program's name first).
std::variant<OpenOptions, HelpRequest, UsageError> ParseOpenCommandLine(const QStringList& arguments);
std::variant<InfoOptions, HelpRequest, UsageError> ParseInfoCommandLine(const QStringList& arguments);

}  // namespace tovrin
