#pragma once

#include <variant>

#include <QByteArray>
#include <QString>
#include <QStringList>

class QFile;

namespace tovrin {

// Most stream addresses a redirector fills the URL list with.
inline constexpr int kMaxRedirectorEntries = 20;
// Largest local redirector file read; redirector files are a few hundred bytes.
inline constexpr qint64 kMaxRedirectorFileBytes = 4 * 1024 * 1024;

// The stream addresses of a redirector text, found by a plain scan for the
// MMS schemes wherever they stand, whatever the markup around them. An entry
// ends at a space, a line feed, a double quote or the end of the text, and is
// trimmed. The text is read as ReadRedirectorText says (a byte-order mark,
// UTF-8, or code page 950); the addresses of an XML text have their entities
// replaced.
struct RedirectorScan {
    QStringList entries;   // at most kMaxRedirectorEntries, in text order
    bool tooMany = false;  // the text names more addresses than that
};
RedirectorScan ScanRedirector(const QByteArray& raw);

// Why a local redirector file cannot be read.
enum class LocalRedirectorError {
    CannotAccess,
    Empty,
    TooLarge,  // more than kMaxRedirectorFileBytes
};
// The whole text of a local redirector file that is open for reading, or why
// it cannot be had.
std::variant<QByteArray, LocalRedirectorError> ReadLocalRedirector(QFile& file);

}  // namespace tovrin
