#include "run/next_recording.h"

#include "asf/recording_file.h"
#include "run/name_template.h"
#include "run/progress.h"
#include "run/storage_report.h"
#include "state/app_context.h"
#include "state/session_state.h"
#include "state/shell.h"

#include <QCoreApplication>

namespace tovrin {

QString NextRecordingNames::next(const QString& current)
{
    if (m_first.isEmpty())
        m_first = current;
    return FirstFreeName(m_first, 2);
}

bool ContinueIntoNextFile(AppContext& ctx, RecordingFile& file, NextRecordingNames& names)
{
    Shell& shell = ctx.shell;
    // As a completed recording ends: the count, then a live recording's
    // header made seekable by the stop routine's fix-ups.
    const CompletionVerdict verdict = CompleteRunFile(ctx, file);
    if (!verdict.reasonLine.isEmpty())
        shell.appendLog(verdict.reasonLine);
    FixUpAndTell(shell, ctx.run, &file);
    file.close();

    const QString path = names.next(ctx.session.savePath);
    if (file.open(path, false) != RecordingFile::Opened::Yes) {
        shell.showMessage(QCoreApplication::translate("Tovrin", "無法建立下一個檔案:\n") + path);
        return false;
    }
    ctx.session.savePath = path;
    shell.setSaveLocation(path);
    shell.appendLog(QCoreApplication::translate("Tovrin", "- 串流的 ASF 標題已改變，繼續錄製到新檔案:"));
    shell.appendLog(QCoreApplication::translate("Tovrin", "儲存 :\t") + path);

    return true;
}

}  // namespace tovrin
