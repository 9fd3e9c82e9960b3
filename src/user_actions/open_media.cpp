#include "user_actions/open_media.h"

#include "locations/open_route.h"
#include "locations/redirector_fetch.h"
#include "run/header_report.h"
#include "state/app_context.h"
#include "state/run_reset.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "state/shell.h"
#include "state/text_rules.h"
#include "user_actions/log_steps.h"
#include "user_actions/redirector_steps.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace tovrin {

bool InspectLocalMedia(AppContext& ctx)
{
    const QString& path = ctx.session.mediaLocation;
    if (!QFileInfo(path).isFile()) {
        ctx.shell.showMessage(InspectionErrorText(InspectionError::CannotOpenFile));
        return false;
    }
    ctx.run.headerLength = LocalHeaderLength(path);
    return ApplyHeaderReading(ctx.run, ctx.session, ctx.shell, ReadHeaderFile(path, ctx.run.headerLength));
}

void TakeRunLocation(AppContext& ctx, const QString& url)
{
    const QString address = TrimBlanks(url);
    SessionState& session = ctx.session;
    if (address.isEmpty() || session.openedAddresses.contains(address))
        return;
    session.mediaLocation = address;
    session.openedAddresses = {address};
    ctx.shell.setMediaLocation(address);
}

namespace {

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
    const QString& path = ctx.session.mediaLocation;
    QFile file(path);
    // A FIFO or device named like a redirector could block the read forever.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        Advise(shell, QStringLiteral("could not open local redirector file"));
        return OpenOutcome::Failed;
    }
    const bool loaded = LoadRedirector(ctx, file);
    file.close();
    if (!loaded) {
        // The loader has told why: one failure, one message.
        shell.appendLog(QStringLiteral("Local parse error"));
        return OpenOutcome::Failed;
    }
    ctx.session.openedAddresses = shell.urlItems();
    shell.appendLog(kUrlListReady);
    ctx.run.localFileMode = true;
    return OpenOutcome::RedirectorLoaded;
}

OpenOutcome OpenLocalMedia(AppContext& ctx)
{
    Shell& shell = ctx.shell;
    if (!InspectLocalMedia(ctx)) {
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

OpenOutcome OpenMedia(AppContext& ctx, RedirectorFetch& fetch)
{
    Shell& shell = ctx.shell;
    ResetRun(ctx);  // closes the preview monitor too
    shell.appendLog(QCoreApplication::translate("Tovrin", "處理程序媒介..."));
    shell.repaintNow();

    const QString& location = ctx.session.mediaLocation;
    ctx.session.openedAddresses.clear();
    switch (RouteFor(ClassifyLocation(location))) {
    case OpenRoute::Unknown:
        Advise(shell, QCoreApplication::translate("Tovrin", "未知的媒介位置"));
        return OpenOutcome::Failed;
    case OpenRoute::Asp:
        Advise(shell, kAspAdvice);
        return OpenOutcome::Failed;
    case OpenRoute::StreamAddress:
        ctx.session.openedAddresses = {location};
        shell.setUrlText(location);
        shell.appendLog(QCoreApplication::translate("Tovrin", "準備連接到網址 -> 按下「執行」開始連接"));
        return OpenOutcome::StreamAddress;
    case OpenRoute::RedirectorOverMms:
        Advise(shell, kRedirectorOverMmsAdvice);
        return OpenOutcome::Failed;
    case OpenRoute::HttpRedirector:
        if (!LoadRedirector(ctx, fetch)) {
            // The fetch or the loader has told why (one failure, one
            // message); a stop is no error.
            if (fetch.lastError() != FetchError::Aborted)
                shell.appendLog(QStringLiteral("Networked parse error"));
            return OpenOutcome::Failed;
        }
        ctx.session.openedAddresses = shell.urlItems();
        shell.appendLog(kUrlListReady);
        return OpenOutcome::RedirectorLoaded;
    case OpenRoute::MediaOverHttp:
        Advise(shell, kMediaOverHttpAdvice);
        return OpenOutcome::Failed;
    case OpenRoute::LocalRedirector:
        return OpenLocalRedirector(ctx);
    case OpenRoute::LocalMedia:
        return OpenLocalMedia(ctx);
    case OpenRoute::LocalLog:
        return OpenArchivedLog(ctx);
    case OpenRoute::Unsupported:
        break;
    }
    shell.appendLog(QStringLiteral("Media type / location error, could not load"));
    shell.showMessage(QStringLiteral("The media type or its location was invalid\nPlease re-check your entry"));
    return OpenOutcome::Failed;
}

}  // namespace tovrin
