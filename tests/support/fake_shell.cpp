#include "support/fake_shell.h"

namespace tovrin::test {

namespace {
// Moves the next scripted answer into `answer`; leaves it alone when the script is used up.
template <typename T>
void takeNext(std::deque<T>& queue, T& answer)
{
    if (queue.empty())
        return;
    answer = queue.front();
    queue.pop_front();
}
}  // namespace

void FakeShell::appendLog(const QString& line)
{
    calls << QStringLiteral("log ") + line;
    log << line;
    if (onLog)
        onLog(line);
}

void FakeShell::clearLog()
{
    calls << QStringLiteral("clearLog");
    log.clear();
}

void FakeShell::showMessage(const QString& text)
{
    calls << QStringLiteral("message ") + text;
    messages << text;
    if (onMessage)
        onMessage(text);
}

bool FakeShell::confirm(const QString& text)
{
    calls << QStringLiteral("confirm ") + text;
    confirmations << text;
    bool answer = false;
    takeNext(confirmAnswers, answer);
    return answer;
}

QString FakeShell::inputBox(const QString& title, const QString& prompt, const QString& defaultText)
{
    calls << QStringLiteral("input ") + title + QStringLiteral(" | ") + prompt;
    QString answer = defaultText;
    takeNext(inputAnswers, answer);
    return answer;
}

void FakeShell::setCaption(const QString& text)
{
    calls << QStringLiteral("caption ") + text;
    caption = text;
}

void FakeShell::setModeLabel(ModeLabel visible)
{
    calls << QStringLiteral("mode %1").arg(int(visible));
    mode = visible;
}

void FakeShell::setGauge(int percent, bool percentTextVisible)
{
    calls << QStringLiteral("gauge %1 %2").arg(percent).arg(percentTextVisible);
    gauge = percent;
    gaugeTextVisible = percentTextVisible;
}

void FakeShell::setTimeFields(const QString& send, const QString& left)
{
    calls << QStringLiteral("times ") + send + QStringLiteral(" | ") + left;
    sendTime = send;
    timeLeft = left;
}

void FakeShell::setSaveLocation(const QString& path)
{
    calls << QStringLiteral("saveLocation ") + path;
    saveLocation = path;
}

void FakeShell::setMediaLocation(const QString& location)
{
    calls << QStringLiteral("mediaLocation ") + location;
    mediaLocation = location;
}

void FakeShell::setUrlText(const QString& text)
{
    calls << QStringLiteral("urlText ") + text;
    url = text;
}

void FakeShell::setUrlItems(const QStringList& items)
{
    calls << QStringLiteral("urlItems ") + items.join(QLatin1Char('|'));
    urlList = items;
}

void FakeShell::closePreviewMonitor()
{
    calls << QStringLiteral("closePreviewMonitor");
    ++previewCloses;
}

void FakeShell::repaintNow()
{
    calls << QStringLiteral("repaint");
}

void FakeShell::setProperty(PropertyField field, const QString& text)
{
    calls << QStringLiteral("property %1 ").arg(int(field)) + text;
    properties[field] = text;
}

void FakeShell::appendPropertyLine(PropertyField field, const QString& line)
{
    calls << QStringLiteral("propertyLine %1 ").arg(int(field)) + line;
    propertyLines[field] << line;
}

void FakeShell::clearProperties()
{
    calls << QStringLiteral("clearProperties");
    properties.clear();
    propertyLines.clear();
}

std::optional<QString> FakeShell::chooseSaveFile(const SaveFileRequest& request)
{
    calls << QStringLiteral("chooseSaveFile ") + request.title;
    lastSaveRequest = request;
    std::optional<QString> answer;
    takeNext(saveFileAnswers, answer);
    return answer;
}

std::optional<QString> FakeShell::chooseOpenFile(const OpenFileRequest& request)
{
    calls << QStringLiteral("chooseOpenFile ") + request.title;
    lastOpenRequest = request;
    std::optional<QString> answer;
    takeNext(openFileAnswers, answer);
    return answer;
}

ResumeChoice FakeShell::askResume()
{
    calls << QStringLiteral("askResume");
    ResumeChoice answer = ResumeChoice::Cancel;
    takeNext(resumeAnswers, answer);
    return answer;
}

std::optional<PasswordAnswer> FakeShell::askPassword(const PasswordPrompt& prompt)
{
    calls << QStringLiteral("askPassword ") + prompt.site + QStringLiteral(" | ") + prompt.realm;
    lastPasswordPrompt = prompt;
    std::optional<PasswordAnswer> answer;
    takeNext(passwordAnswers, answer);
    return answer;
}

void FakeShell::flash()
{
    calls << QStringLiteral("flash");
    ++flashes;
}

void FakeShell::playSound(const QString& soundFile)
{
    calls << QStringLiteral("sound ") + soundFile;
    sounds << soundFile;
}

}  // namespace tovrin::test
