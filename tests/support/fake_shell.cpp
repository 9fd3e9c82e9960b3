#include "support/fake_shell.h"

#include "state/save_file_mutex.h"

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

void FakeShell::note(const QString& call)
{
    // The real shells may run a nested event loop, which must never happen
    // while the save file is locked.
    AssertSaveFileLockNotHeld("Shell");
    calls << call;
}

void FakeShell::appendLog(const QString& line)
{
    note(QStringLiteral("log ") + line);
    log << line;
    if (onLog)
        onLog(line);
}

void FakeShell::clearLog()
{
    note(QStringLiteral("clearLog"));
    log.clear();
}

void FakeShell::showMessage(const QString& text)
{
    note(QStringLiteral("message ") + text);
    messages << text;
    if (onMessage)
        onMessage(text);
}

bool FakeShell::confirm(const QString& text)
{
    note(QStringLiteral("confirm ") + text);
    confirmations << text;
    bool answer = false;
    takeNext(confirmAnswers, answer);
    return answer;
}

QString FakeShell::inputBox(const QString& title, const QString& prompt, const QString& defaultText)
{
    note(QStringLiteral("input ") + title + QStringLiteral(" | ") + prompt);
    QString answer = defaultText;
    takeNext(inputAnswers, answer);
    return answer;
}

void FakeShell::setCaption(const QString& text)
{
    note(QStringLiteral("caption ") + text);
    caption = text;
}

void FakeShell::setModeLabel(ModeLabel visible)
{
    note(QStringLiteral("mode %1").arg(int(visible)));
    mode = visible;
}

void FakeShell::setGauge(int percent, bool percentTextVisible)
{
    note(QStringLiteral("gauge %1 %2").arg(percent).arg(percentTextVisible));
    gauge = percent;
    gaugeTextVisible = percentTextVisible;
}

void FakeShell::setTimeFields(const QString& send, const QString& left)
{
    note(QStringLiteral("times ") + send + QStringLiteral(" | ") + left);
    sendTime = send;
    timeLeft = left;
}

void FakeShell::setSaveLocation(const QString& path)
{
    note(QStringLiteral("saveLocation ") + path);
    saveLocation = path;
}

void FakeShell::setMediaLocation(const QString& location)
{
    note(QStringLiteral("mediaLocation ") + location);
    mediaLocation = location;
}

void FakeShell::setUrlText(const QString& text)
{
    note(QStringLiteral("urlText ") + text);
    url = text;
}

void FakeShell::setUrlItems(const QStringList& items)
{
    note(QStringLiteral("urlItems ") + items.join(QLatin1Char('|')));
    urlList = items;
}

void FakeShell::closePreviewMonitor()
{
    note(QStringLiteral("closePreviewMonitor"));
    ++previewCloses;
}

void FakeShell::repaintNow()
{
    note(QStringLiteral("repaint"));
}

void FakeShell::setProperty(PropertyField field, const QString& text)
{
    note(QStringLiteral("property %1 ").arg(int(field)) + text);
    properties[field] = text;
}

void FakeShell::appendPropertyLine(PropertyField field, const QString& line)
{
    note(QStringLiteral("propertyLine %1 ").arg(int(field)) + line);
    propertyLines[field] << line;
}

void FakeShell::clearProperties()
{
    note(QStringLiteral("clearProperties"));
    properties.clear();
    propertyLines.clear();
}

std::optional<QString> FakeShell::chooseSaveFile(const SaveFileRequest& request)
{
    note(QStringLiteral("chooseSaveFile ") + request.title);
    lastSaveRequest = request;
    std::optional<QString> answer;
    takeNext(saveFileAnswers, answer);
    return answer;
}

std::optional<QString> FakeShell::chooseOpenFile(const OpenFileRequest& request)
{
    note(QStringLiteral("chooseOpenFile ") + request.title);
    lastOpenRequest = request;
    std::optional<QString> answer;
    takeNext(openFileAnswers, answer);
    return answer;
}

ResumeChoice FakeShell::askResume()
{
    note(QStringLiteral("askResume"));
    ResumeChoice answer = ResumeChoice::Cancel;
    takeNext(resumeAnswers, answer);
    return answer;
}

std::optional<PasswordAnswer> FakeShell::askPassword(const PasswordPrompt& prompt)
{
    note(QStringLiteral("askPassword ") + prompt.site + QStringLiteral(" | ") + prompt.realm);
    lastPasswordPrompt = prompt;
    std::optional<PasswordAnswer> answer;
    takeNext(passwordAnswers, answer);
    return answer;
}

void FakeShell::flash()
{
    note(QStringLiteral("flash"));
    ++flashes;
}

void FakeShell::playSound(const QString& soundFile)
{
    note(QStringLiteral("sound ") + soundFile);
    sounds << soundFile;
}

}  // namespace tovrin::test
