#include "user_actions/open_dialog.h"

#include "asf/name_rules.h"
#include "state/app_context.h"
#include "state/session_state.h"
#include "state/settings_access.h"
#include "state/shell.h"
#include "state/text_rules.h"

#include <QCoreApplication>
#include <QDir>

namespace tovrin {

QString CannotChangeMediaText()
{
    return QCoreApplication::translate("Tovrin", "當尚在連接時，無法改變媒介");
}

void OpenDialog::reloadHistory()
{
    m_open = true;
    m_history = SplitOpenHistory(ReadSetting(m_ctx, QStringLiteral("MediaList")));
    if (!m_history.isEmpty())
        m_text = m_history.first();
}

std::optional<OpenOutcome> OpenDialog::okClick(bool mediaBusy)
{
    if (!accept(mediaBusy))
        return std::nullopt;
    return OpenMedia(m_ctx, m_fetch);
}

bool OpenDialog::accept(bool mediaBusy)
{
    // A text of blanks only is no location either; it would leave an empty
    // line in the history.
    const QString location = TrimBlanks(m_text);
    if (location.isEmpty())
        return false;
    // Opening resets the run: never under a recording's receive thread or a
    // fetch that is still filling the URL list.
    if (mediaBusy) {
        m_ctx.shell.showMessage(CannotChangeMediaText());
        return false;
    }
    m_text = location;

    SessionState& session = m_ctx.session;
    Shell& shell = m_ctx.shell;
    session.mediaLocation = location;
    shell.setMediaLocation(location);

    m_history.prepend(location);
    while (m_history.size() > kMaxOpenHistory)
        m_history.removeAt(kMaxOpenHistory);
    if (!WriteSetting(m_ctx, QStringLiteral("MediaList"), JoinOpenHistory(m_history)))
        return false;

    session.savePath.clear();
    shell.setSaveLocation(QString());
    shell.setUrlItems({});
    shell.setUrlText(QString());

    m_open = false;
    return true;
}

void OpenDialog::browseClick()
{
    OpenFileRequest request;
    const QString openDir = ReadSetting(m_ctx, QStringLiteral("OpenDir"));
    request.startFolder = openDir.isEmpty() ? QDir::currentPath() : openDir;
    request.title = QCoreApplication::translate("Tovrin", "開啟本地檔案");
    request.filters = QStringList{
        QCoreApplication::translate(
            "Tovrin", "所有 WM 與 Tovrin 記錄檔案 (*.asf; *.wmv; *.wma; *.wa; *.asx; *.wmx; *.wax; *.wvx; *.log)"),
        QCoreApplication::translate("Tovrin", "WM 媒介檔案 (*.asf; *.wmv; *.wma; *.wa)"),
        QCoreApplication::translate("Tovrin", "WM Redirector 檔案 (*.asx; *.wmx; *.wax; *.wvx)"),
        QCoreApplication::translate("Tovrin", "Tovrin 記錄檔案 (*.log)"),
        QCoreApplication::translate("Tovrin", "所有檔案 (*.*)"),
    };
    const auto chosen = m_ctx.shell.chooseOpenFile(request);
    if (!chosen)
        return;
    m_text = *chosen;
    WriteSetting(m_ctx, QStringLiteral("OpenDir"), FolderOfPath(*chosen));
}

}  // namespace tovrin
