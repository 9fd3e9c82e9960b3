#include "locations/open_media.h"

#include "asf/asf_objects.h"
#include "asf/byte_helpers.h"
#include "asf/header_inspection.h"
#include "locations/archived_log.h"
#include "locations/location_class.h"
#include "locations/redirector_file.h"
#include "state/app_context.h"
#include "state/run_reset.h"
#include "state/run_state.h"
#include "state/shell.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace tovrin {

namespace {

// What an inspection of a local file reads when its header says nothing better.
constexpr quint32 kLocalHeaderLength = 5000;
// GUID and size of an object, and the fixed part of the Data Object that
// follows the Header Object.
constexpr qint64 kObjectPrefix = 24;
constexpr qint64 kDataObjectHeader = 50;

const QString kUrlListReady = QStringLiteral("URL list now has data, please select an entry");

void Advise(Shell& shell, const QString& message)
{
    shell.clearLog();
    shell.showMessage(message);
}

const QString kMediaOverHttpAdvice = QStringLiteral(
    "您正嘗試到 HTTP 存取未支援的媒介類型。\n\n"
    "If you know this to be a working media location :-\n\n"
    "1) Try again but use a prefix of MMS:// in place of HTTP://\n"
    "2) Try ASFRecorder software which supports HTTP v1.0\n"
    "   streaming protocol\n"
    "3) You may have entered a standard web site address. Use your\n"
    "   browser then right hand click and 'Save Target', you may be\n"
    "   able to copy the file that way - progressive download");

const QString kRedirectorOverMmsAdvice = QStringLiteral(
    "You are trying to access a redirector file type\n"
    "from a streaming MMS server. Only HTTP servers\n"
    "hold redirector information files, please check\n"
    "your URL entry and try again");

const QString kAspAdvice = QStringLiteral(
    "Sorry, ASP formatted locations are not yet supported by Tovrin\n\n"
    "You may need to examine the ASP file to determine its media\n"
    "URLs or redirector locations first");

OpenOutcome OpenLocalRedirector(AppContext& ctx)
{
    Shell& shell = ctx.shell;
    const QString& path = ctx.run.mediaLocation;
    QFile file(path);
    // A FIFO or device named like a redirector could block the read forever.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        Advise(shell, QStringLiteral("could not open local redirector file"));
        return OpenOutcome::Failed;
    }
    const bool loaded = LoadRedirector(ctx, file);
    file.close();
    if (!loaded) {
        Advise(shell, QStringLiteral("Local parse error"));
        return OpenOutcome::Failed;
    }
    shell.appendLog(kUrlListReady);
    ctx.run.localFileMode = true;
    return OpenOutcome::RedirectorLoaded;
}

OpenOutcome OpenLocalMedia(AppContext& ctx)
{
    Shell& shell = ctx.shell;
    const QString& path = ctx.run.mediaLocation;
    bool inspected = false;
    if (QFileInfo(path).isFile()) {
        ctx.run.headerLength = LocalHeaderLength(path);
        inspected = ApplyHeaderReading(ctx.run, shell, ReadHeaderFile(path, ctx.run.headerLength));
    } else {
        shell.showMessage(InspectionErrorText(InspectionError::CannotOpenFile));
    }
    if (!inspected) {
        Advise(shell, QStringLiteral("Local ASF extraction error"));
        return OpenOutcome::Failed;
    }
    shell.appendLog(QStringLiteral("Media Loaded -> Click Information tab"));
    shell.appendLog(QStringLiteral("Media Loaded -> Click Preview monitor"));
    ctx.run.localFileMode = true;
    return OpenOutcome::MediaInspected;
}

OpenOutcome OpenArchivedLog(AppContext& ctx)
{
    Shell& shell = ctx.shell;
    shell.clearLog();
    shell.appendLog(QStringLiteral("Displaying archived Tovrin log file"));
    ctx.run.localFileMode = true;
    if (!ShowArchivedLog(ctx)) {
        shell.appendLog(QStringLiteral("Log file error, cannot continue"));
        return OpenOutcome::Failed;
    }
    return OpenOutcome::LogShown;
}

}  // namespace

quint32 LocalHeaderLength(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return kLocalHeaderLength;
    const QByteArray prefix = file.read(kObjectPrefix);
    if (prefix.size() < kObjectPrefix || !prefix.startsWith(guid::kHeaderObject))
        return kLocalHeaderLength;
    const std::uint64_t declared = *LE64At(prefix, 16);
    if (declared > kMaxHeaderLength)
        return kMaxHeaderLength;
    return quint32(std::clamp<std::uint64_t>(declared + kDataObjectHeader, kLocalHeaderLength, kMaxHeaderLength));
}

OpenOutcome OpenMedia(AppContext& ctx, RedirectorFetch& fetch)
{
    Shell& shell = ctx.shell;
    ResetRun(ctx);  // closes the preview monitor too
    shell.appendLog(QStringLiteral("處理程序媒介..."));
    shell.repaintNow();

    const QString& location = ctx.run.mediaLocation;
    const LocationClass cls = ClassifyLocation(location);
    if (cls == 0) {
        Advise(shell, QStringLiteral("未知的媒介位置"));
        return OpenOutcome::Failed;
    }
    const LocationClass scheme = cls & (lcMms | lcHttp | lcLocal);
    const LocationClass type = cls & ~scheme;

    if (type == lcAsp) {
        Advise(shell, kAspAdvice);
        return OpenOutcome::Failed;
    }
    if (scheme == lcMms && (type == lcMedia || type == lcOther)) {
        shell.setUrlText(location);
        shell.appendLog(QStringLiteral("準備連接到網址 -> 按下「執行」開始連接"));
        return OpenOutcome::StreamAddress;
    }
    if (scheme == lcMms && type == lcRedirector) {
        Advise(shell, kRedirectorOverMmsAdvice);
        return OpenOutcome::Failed;
    }
    if (scheme == lcHttp && type == lcRedirector) {
        if (!LoadRedirector(ctx, fetch)) {
            Advise(shell, QStringLiteral("Networked parse error"));
            return OpenOutcome::Failed;
        }
        shell.appendLog(kUrlListReady);
        return OpenOutcome::RedirectorLoaded;
    }
    if (scheme == lcHttp && type == lcMedia) {
        Advise(shell, kMediaOverHttpAdvice);
        return OpenOutcome::Failed;
    }
    if (scheme == lcLocal && type == lcRedirector)
        return OpenLocalRedirector(ctx);
    if (scheme == lcLocal && type == lcMedia)
        return OpenLocalMedia(ctx);
    if (scheme == lcLocal && type == lcLog)
        return OpenArchivedLog(ctx);

    shell.appendLog(QStringLiteral("Media type / location error, could not load"));
    shell.showMessage(QStringLiteral("The media type or its location was invalid\nPlease re-check your entry"));
    return OpenOutcome::Failed;
}

}  // namespace tovrin
