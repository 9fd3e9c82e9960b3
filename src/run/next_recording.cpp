#include "run/next_recording.h"

#include "asf/recording_file.h"
#include "run/name_template.h"
#include "run/progress.h"
#include "run/storage_report.h"
#include "state/app_context.h"
#include "state/session_state.h"
#include "state/shell.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace tovrin {

QString ProposedSaveName(const QString& nameTemplate, const QString& defaultName, int part, const QDateTime& now,
                         const QString& title)
{
    if (nameTemplate.trimmed().isEmpty())
        return {};
    const QFileInfo stream(defaultName);
    QString name = ExpandNameTemplate(nameTemplate, NameFacts{now, title, stream.fileName(), part});
    if (QFileInfo(name).suffix().isEmpty() && !stream.suffix().isEmpty())
        name += u'.' + stream.suffix();
    return name;
}

QString NextRecordingNames::next(const QString& current)
{
    if (m_first.isEmpty())
        m_first = current;
    ++m_part;
    if (m_template.isEmpty())
        return FirstFreeName(m_first, 2);
    const QString name = ProposedSaveName(m_template, m_streamName, m_part, QDateTime::currentDateTime(), m_title);
    return FirstFreeName(QFileInfo(current).dir().filePath(QFileInfo(name).fileName()));
}

QString NextRecordingNames::titledFirstName(const QString& title)
{
    if (!m_firstTemplated || !m_template.contains(QStringLiteral("%t")) || title.trimmed().isEmpty() || m_part != 1)
        return {};
    m_title = title;
    const QString name = ProposedSaveName(m_template, m_streamName, 1, m_firstStart, title);
    const QFileInfo first(m_first);
    if (QFileInfo(name).fileName() == first.fileName())
        return {};
    return FirstFreeName(first.dir().filePath(QFileInfo(name).fileName()));
}

bool ContinueIntoNextFile(AppContext& ctx, RecordingFile& file, NextRecordingNames& names, const QString& reason)
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
    shell.appendLog(reason.isEmpty()
                        ? QCoreApplication::translate("Tovrin", "- 串流的 ASF 標題已改變，繼續錄製到新檔案:")
                        : reason);
    shell.appendLog(QCoreApplication::translate("Tovrin", "儲存 :\t") + path);

    return true;
}

}  // namespace tovrin
