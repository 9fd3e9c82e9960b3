#include "cli/console_shell.h"

#include "cli/terminal_line.h"

#include <QDir>
#include <QFileInfo>

namespace tovrin {

ConsoleShell::ConsoleShell(ConsoleAnswers answers, std::FILE* out, std::FILE* in)
    : m_answers(std::move(answers)), m_out(out), m_in(in), m_interactive(IsTerminal(in) && IsTerminal(out))
{
}

void ConsoleShell::print(const QString& text)
{
    clearProgress();
    std::fputs(text.toUtf8().constData(), m_out);
    std::fputc('\n', m_out);
    drawProgress();
    std::fflush(m_out);
}

void ConsoleShell::clearProgress()
{
    if (!m_progressOnScreen)
        return;
    std::fputs("\r\033[2K", m_out);
    m_progressOnScreen = false;
}

void ConsoleShell::drawProgress()
{
    if (!m_interactive || m_answers.quiet || m_mode == ModeLabel::Standby)
        return;
    QString line;
    if (m_mode == ModeLabel::Live)
        line = QStringLiteral("LIVE  ");
    else if (m_gaugeText)
        line = QStringLiteral("%1%  ").arg(m_gauge, 3);
    line += QStringLiteral("%1 / 剩餘 %2  封包 %3  %4 Kbps")
                .arg(m_sendTime, m_timeLeft, m_properties.value(PropertyField::Packets, QStringLiteral("0")),
                     m_properties.value(PropertyField::StreamRate, QStringLiteral("0")));
    std::fputs("\r\033[2K", m_out);
    std::fputs(line.toUtf8().constData(), m_out);
    std::fflush(m_out);
    m_progressOnScreen = true;
}

void ConsoleShell::finishProgress()
{
    if (m_progressOnScreen) {
        std::fputc('\n', m_out);
        std::fflush(m_out);
        m_progressOnScreen = false;
    }
}

QString ConsoleShell::readLine(bool echo)
{
    return ReadTerminalLine(m_in, m_out, echo).value_or(QString()).trimmed();
}

void ConsoleShell::appendLog(const QString& line)
{
    // Every line is printed; the copy kept for saving is bounded, so a run
    // of a month, or a server that provokes a line per packet, cannot grow
    // memory without end.
    m_log.append(line);
    if (!m_answers.quiet)
        print(line);
}

void ConsoleShell::clearLog()
{
    m_log.clear();
}

void ConsoleShell::showMessage(const QString& text)
{
    print(QStringLiteral("*** ") + QString(text).replace(QLatin1Char('\n'), QStringLiteral("\n*** ")));
}

bool ConsoleShell::confirm(const QString& text, bool)
{
    // Every line of the question marked as a message's are.
    const QString asked = QStringLiteral("*** ") + QString(text).replace(u'\n', QStringLiteral("\n*** "));
    if (m_answers.confirmAnswer) {
        print(asked + (*m_answers.confirmAnswer ? QStringLiteral(" -> Yes") : QStringLiteral(" -> No")));
        return *m_answers.confirmAnswer;
    }
    if (!m_interactive) {
        print(asked + QStringLiteral(" -> No"));
        return false;
    }
    clearProgress();
    std::fputs((text + QStringLiteral(" [y/N] ")).toUtf8().constData(), m_out);
    std::fflush(m_out);
    const QString answer = readLine(true).toLower();
    return answer == QStringLiteral("y") || answer == QStringLiteral("yes");
}

QString ConsoleShell::inputBox(const QString& title, const QString& prompt, const QString& defaultText)
{
    if (!m_interactive)
        return defaultText;
    clearProgress();
    std::fputs((title + QStringLiteral(" - ") + prompt + QStringLiteral(": ")).toUtf8().constData(), m_out);
    std::fflush(m_out);
    const QString answer = readLine(!prompt.contains(QStringLiteral("Password")));
    return answer.isEmpty() ? defaultText : answer;
}

void ConsoleShell::setCaption(const QString& caption)
{
    Q_UNUSED(caption);
    drawProgress();
}

void ConsoleShell::setModeLabel(ModeLabel visible)
{
    m_mode = visible;
    if (visible == ModeLabel::Standby)
        finishProgress();
}

void ConsoleShell::setGauge(int percent, bool percentTextVisible)
{
    m_gauge = percent;
    m_gaugeText = percentTextVisible;
    drawProgress();
}

void ConsoleShell::setTimeFields(const QString& sendTime, const QString& timeLeft)
{
    m_sendTime = sendTime;
    m_timeLeft = timeLeft;
}

void ConsoleShell::setSaveLocation(const QString& path)
{
    m_saveLocation = path;
}

void ConsoleShell::setMediaLocation(const QString& location)
{
    Q_UNUSED(location);
}

void ConsoleShell::setProperty(PropertyField field, const QString& text)
{
    m_properties[field] = text;
}

void ConsoleShell::appendPropertyLine(PropertyField field, const QString& line)
{
    m_propertyLines[field] << line;
}

void ConsoleShell::clearProperties()
{
    m_properties.clear();
    m_propertyLines.clear();
}

std::optional<QString> ConsoleShell::chooseSaveFile(const SaveFileRequest& request)
{
    switch (request.kind) {
    case SaveKind::Recording:
        return QFileInfo(m_answers.saveFile.isEmpty() ? request.defaultName : m_answers.saveFile).absoluteFilePath();
    case SaveKind::Redirector:
        if (m_answers.redirectorFile.isEmpty())
            return std::nullopt;
        return QFileInfo(m_answers.redirectorFile).absoluteFilePath();
    case SaveKind::Log: {
        if (!m_answers.logFile.isEmpty())
            return QFileInfo(m_answers.logFile).absoluteFilePath();
        // Beside the recording, under the log's own name; never the recording.
        if (m_saveLocation.isEmpty() || request.defaultName.isEmpty())
            return std::nullopt;
        const QString beside = QFileInfo(m_saveLocation).dir().filePath(request.defaultName);
        if (QFileInfo(beside).absoluteFilePath() == QFileInfo(m_saveLocation).absoluteFilePath())
            return std::nullopt;
        return QFileInfo(beside).absoluteFilePath();
    }
    }
    return std::nullopt;
}

std::optional<QString> ConsoleShell::chooseOpenFile(const OpenFileRequest& request)
{
    // No file chooser on a console: the path is typed, relative to the start folder.
    if (!m_interactive)
        return std::nullopt;
    clearProgress();
    std::fputs((request.title + QStringLiteral(": ")).toUtf8().constData(), m_out);
    std::fflush(m_out);
    const QString answer = readLine(true);
    if (answer.isEmpty())
        return std::nullopt;
    const QString folder = request.startFolder.isEmpty() ? QDir::currentPath() : request.startFolder;
    return QFileInfo(QDir(folder), answer).absoluteFilePath();
}

ResumeChoice ConsoleShell::askResume()
{
    if (m_answers.resumeChoice)
        return *m_answers.resumeChoice;
    if (!m_interactive) {
        print(QStringLiteral("*** 您所選擇要儲存的檔案包含串流媒體資料 ! (--resume / --overwrite) -> 取消"));
        return ResumeChoice::Cancel;
    }
    clearProgress();
    std::fputs("您所選擇要儲存的檔案包含串流媒體資料 !\n續傳檔案 (r) / 重新下載 (o) / 取消 (C)? ", m_out);
    std::fflush(m_out);
    const QString answer = readLine(true).toLower();
    if (answer == QStringLiteral("r"))
        return ResumeChoice::Resume;
    if (answer == QStringLiteral("o"))
        return ResumeChoice::Redownload;
    return ResumeChoice::Cancel;
}

std::optional<PasswordAnswer> ConsoleShell::askPassword(const PasswordPrompt& prompt)
{
    // --user and --password are the media server's: a proxy never gets them.
    if (m_answers.password && !prompt.proxy)
        return m_answers.password;
    if (!m_interactive)
        return std::nullopt;
    clearProgress();
    print((prompt.proxy ? QStringLiteral("輸入網路密碼  代理伺服器: ") : QStringLiteral("輸入網路密碼  位置: "))
          + prompt.site + QStringLiteral("  範圍: ") + prompt.realm);
    std::fputs("使用者名稱 ID: ", m_out);
    std::fflush(m_out);
    PasswordAnswer answer;
    answer.userId = readLine(true);
    std::fputs("密碼: ", m_out);
    std::fflush(m_out);
    answer.password = readLine(false);
    if (answer.userId.isEmpty() && answer.password.isEmpty())
        return std::nullopt;
    return answer;
}

void ConsoleShell::flash()
{
    if (m_interactive)
        std::fputc('\a', m_out);
}

void ConsoleShell::playSound(const QString& soundFile)
{
    Q_UNUSED(soundFile);
    flash();
}

}  // namespace tovrin
