#include "locations/redirector_file.h"

#include "asf/name_rules.h"
#include "locations/redirector_fetch.h"
#include "locations/redirector_text.h"
#include "locations/save_where_chosen.h"
#include "state/app_context.h"
#include "state/run_state.h"
#include "state/shell.h"
#include "state/text_rules.h"

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

// Puts the addresses into the URL list, or says why there are none.
bool FillUrlList(AppContext& ctx, const QByteArray& text)
{
    const RedirectorScan scan = ScanRedirector(text);
    if (scan.tooMany)
        ctx.shell.showMessage(QStringLiteral("Too many entires in ASX file, displaying max amount only"));
    if (scan.entries.isEmpty()) {
        ctx.shell.showMessage(QStringLiteral("Error in redirector file - no entries found"));
        return false;
    }
    ctx.shell.setUrlItems(scan.entries);
    ctx.shell.setUrlText(scan.entries.first());
    return true;
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

bool LoadRedirector(AppContext& ctx, RedirectorFetch& fetch)
{
    Shell& shell = ctx.shell;
    const QByteArray text = fetch.get(TrimBlanks(ctx.run.mediaLocation));
    if (text.isEmpty()) {
        shell.showMessage(QStringLiteral("Redirector file contains no data"));
        return false;
    }
    const QString question = QStringLiteral(
        "The redirector's contents will now be loaded into the URL play list\n"
        "It can be useful to save this file and open it again later if you\n"
        "ever want to return to this session\n\n"
        "Would you like to save this redirector file?\n");
    if (shell.confirm(question) && !SaveRedirectorFile(ctx, text))
        shell.showMessage(QStringLiteral("Could not save redirector file"));
    return FillUrlList(ctx, text);
}

QString LocalRedirectorErrorMessage(LocalRedirectorError error)
{
    switch (error) {
    case LocalRedirectorError::Empty:
        return QStringLiteral("Error - local redirector file contains no data");
    case LocalRedirectorError::TooLarge:
        return QStringLiteral("Error - local redirector file is larger than %1 MiB")
            .arg(kMaxRedirectorFileBytes / (1024 * 1024));
    case LocalRedirectorError::CannotAccess:
        break;
    }
    return QStringLiteral("Error - cannot access local redirector file");
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

bool LoadRedirector(AppContext& ctx, QFile& file)
{
    const auto read = ReadLocalRedirector(file);
    if (const auto* error = std::get_if<LocalRedirectorError>(&read)) {
        ctx.shell.showMessage(LocalRedirectorErrorMessage(*error));
        return false;
    }
    return FillUrlList(ctx, std::get<QByteArray>(read));
}

bool SaveRedirectorFile(AppContext& ctx, const QByteArray& text)
{
    SaveFileRequest request;
    request.kind = SaveKind::Redirector;
    request.defaultExtension = QStringLiteral("asx");
    request.title = QStringLiteral("Save Redirector File");
    request.filter = QStringLiteral("WM Redirector 檔案 (*.asx; *.wmx; *.wax; *.wvx)");
    request.defaultName = NameAfterSeparator(ctx.run.mediaLocation);
    request.overwritePrompt = true;
    const auto chosen = ChooseSaveTarget(ctx, request, QStringLiteral("AsxDir"));
    if (!chosen)
        return false;
    switch (ReplaceFileContent(*chosen, text)) {
    case ReplaceResult::Written:
        return true;
    case ReplaceResult::CannotCreate:
        ctx.shell.showMessage(QStringLiteral("There was an error creating the redirector file"));
        return false;
    case ReplaceResult::WriteFailed:
        ctx.shell.showMessage(QStringLiteral("There was an error saving the redirector file"));
        return false;
    }
    return false;
}

}  // namespace tovrin
