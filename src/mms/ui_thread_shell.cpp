#include "mms/ui_thread_shell.h"

namespace tovrin {

void UiThreadShell::appendLog(const QString& line)
{
    m_ui.run([&] { m_target.appendLog(line); });
}

void UiThreadShell::clearLog()
{
    m_ui.run([&] { m_target.clearLog(); });
}

QStringList UiThreadShell::logLines() const
{
    QStringList lines;
    m_ui.run([&] { lines = m_target.logLines(); });
    return lines;
}

void UiThreadShell::showMessage(const QString& text)
{
    m_ui.run([&] { m_target.showMessage(text); });
}

bool UiThreadShell::confirm(const QString& text, bool yesByDefault)
{
    bool answer = false;
    m_ui.run([&] { answer = m_target.confirm(text, yesByDefault); });
    return answer;
}

QString UiThreadShell::inputBox(const QString& title, const QString& prompt, const QString& defaultText)
{
    QString answer;
    m_ui.run([&] { answer = m_target.inputBox(title, prompt, defaultText); });
    return answer;
}

void UiThreadShell::setCaption(const QString& caption)
{
    m_ui.run([&] { m_target.setCaption(caption); });
}

void UiThreadShell::setModeLabel(ModeLabel visible)
{
    m_ui.run([&] { m_target.setModeLabel(visible); });
}

void UiThreadShell::setGauge(int percent, bool percentTextVisible)
{
    m_ui.run([&] { m_target.setGauge(percent, percentTextVisible); });
}

void UiThreadShell::setTimeFields(const QString& sendTime, const QString& timeLeft)
{
    m_ui.run([&] { m_target.setTimeFields(sendTime, timeLeft); });
}

void UiThreadShell::setSaveLocation(const QString& path)
{
    m_ui.run([&] { m_target.setSaveLocation(path); });
}

void UiThreadShell::setMediaLocation(const QString& location)
{
    m_ui.run([&] { m_target.setMediaLocation(location); });
}

QString UiThreadShell::urlText() const
{
    QString text;
    m_ui.run([&] { text = m_target.urlText(); });
    return text;
}

void UiThreadShell::setUrlText(const QString& text)
{
    m_ui.run([&] { m_target.setUrlText(text); });
}

QStringList UiThreadShell::urlItems() const
{
    QStringList items;
    m_ui.run([&] { items = m_target.urlItems(); });
    return items;
}

void UiThreadShell::setUrlItems(const QStringList& items)
{
    m_ui.run([&] { m_target.setUrlItems(items); });
}

void UiThreadShell::closePreviewMonitor()
{
    m_ui.run([&] { m_target.closePreviewMonitor(); });
}

void UiThreadShell::repaintNow()
{
    m_ui.run([&] { m_target.repaintNow(); });
}

void UiThreadShell::setProperty(PropertyField field, const QString& text)
{
    m_ui.run([&] { m_target.setProperty(field, text); });
}

void UiThreadShell::appendPropertyLine(PropertyField field, const QString& line)
{
    m_ui.run([&] { m_target.appendPropertyLine(field, line); });
}

void UiThreadShell::clearProperties()
{
    m_ui.run([&] { m_target.clearProperties(); });
}

std::optional<QString> UiThreadShell::chooseSaveFile(const SaveFileRequest& request)
{
    std::optional<QString> answer;
    m_ui.run([&] { answer = m_target.chooseSaveFile(request); });
    return answer;
}

std::optional<QString> UiThreadShell::chooseOpenFile(const OpenFileRequest& request)
{
    std::optional<QString> answer;
    m_ui.run([&] { answer = m_target.chooseOpenFile(request); });
    return answer;
}

ResumeChoice UiThreadShell::askResume()
{
    ResumeChoice answer = ResumeChoice::Cancel;
    m_ui.run([&] { answer = m_target.askResume(); });
    return answer;
}

std::optional<PasswordAnswer> UiThreadShell::askPassword(const PasswordPrompt& prompt)
{
    std::optional<PasswordAnswer> answer;
    m_ui.run([&] { answer = m_target.askPassword(prompt); });
    return answer;
}

void UiThreadShell::flash()
{
    m_ui.run([&] { m_target.flash(); });
}

void UiThreadShell::beep()
{
    m_ui.run([&] { m_target.beep(); });
}

void UiThreadShell::playSound(const QString& soundFile)
{
    m_ui.run([&] { m_target.playSound(soundFile); });
}

}  // namespace tovrin
