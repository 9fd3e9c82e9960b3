#include "locations/redirector_file.h"

#include "locations/redirector_text.h"

#include <QFile>

#include <initializer_list>

namespace tovrin {

namespace {

bool AddressStartsAt(const QByteArray& text, qsizetype at)
{
    const QByteArrayView rest = QByteArrayView(text).sliced(at);
    for (const char* scheme : {"mms://", "MMS://", "mmst://", "MMST://", "mmsu://", "MMSU://", "mmsh://", "MMSH://"}) {
        if (rest.startsWith(QByteArrayView(scheme)))
            return true;
    }
    return false;
}

bool EndsEntry(char c)
{
    return c == ' ' || c == '\n' || c == '"';
}

QByteArray TrimBytes(QByteArrayView bytes)
{
    qsizetype first = 0;
    qsizetype last = bytes.size();
    while (first < last && quint8(bytes[first]) <= 32)
        ++first;
    while (last > first && quint8(bytes[last - 1]) <= 32)
        --last;
    return bytes.sliced(first, last - first).toByteArray();
}

}  // namespace

RedirectorScan ScanRedirector(const QByteArray& raw)
{
    RedirectorScan scan;
    const RedirectorText read = ReadRedirectorText(raw);
    const QByteArray& text = read.bytes;
    const qsizetype length = text.size();
    qsizetype p = 0;
    // The last character never starts an address: none is that short.
    while (p < length - 1) {
        if (!AddressStartsAt(text, p)) {
            ++p;
            continue;
        }
        if (scan.entries.size() == kMaxRedirectorEntries) {
            // Only now is it known that the text holds more than the list takes.
            scan.tooMany = true;
            break;
        }
        const qsizetype start = p;
        ++p;
        while (p < length && !EndsEntry(text[p]))
            ++p;
        scan.entries << read.decodeEntry(TrimBytes(QByteArrayView(text).sliced(start, p - start)));
    }
    return scan;
}

std::variant<QByteArray, LocalRedirectorError> ReadLocalRedirector(QFile& file)
{
    const qint64 size = file.size();
    if (size < 0 || !file.seek(0))
        return LocalRedirectorError::CannotAccess;
    if (size == 0)
        return LocalRedirectorError::Empty;
    if (size > kMaxRedirectorFileBytes)
        return LocalRedirectorError::TooLarge;
    QByteArray text = file.read(size);
    if (text.size() != size)
        return LocalRedirectorError::CannotAccess;
    return text;
}

}  // namespace tovrin
