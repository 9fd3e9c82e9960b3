#include "app/qt_shell.h"

#include "app/completion_sound.h"
#include "app/file_choosers.h"
#include "app/file_properties_window.h"
#include "app/main_window.h"
#include "app/password_dialog.h"
#include "app/preview_monitor.h"
#include "app/resume_dialog.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace tovrin {

namespace {
// Message boxes carry the application's name, as the task bar does.
const QString kBoxTitle = QStringLiteral("Tovrin");
// How long the task-bar entry asks for attention after a completion.
constexpr int kFlashMs = 3000;
}  // namespace

QWidget* QtShell::boxParent() const
{
    // Over the window the user is in: a box asked for from the settings
    // dialog, which stays on top, must not open beneath it.
    QWidget* active = QApplication::activeWindow();
    return active && active->isVisible() ? active : &m_window;
}

QtShell::QtShell(MainWindow& window, CompletionSound& sound, FilePropertiesWindow& properties)
    : m_window(window), m_sound(sound), m_properties(properties)
{
    flashHandler = [this] { QApplication::alert(&m_window, kFlashMs); };
}

void QtShell::appendLog(const QString& line)
{
    m_window.appendLogLine(line);
}

void QtShell::clearLog()
{
    m_window.clearLogLines();
}

QStringList QtShell::logLines() const
{
    return m_window.logLines();
}

void QtShell::showMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, kBoxTitle, text, QMessageBox::Ok, boxParent());
    box.setObjectName(QStringLiteral("messageBox"));
    box.exec();
}

bool QtShell::confirm(const QString& text, bool yesByDefault)
{
    QMessageBox box(QMessageBox::Question, kBoxTitle, text, QMessageBox::Yes | QMessageBox::No, boxParent());
    box.setObjectName(QStringLiteral("confirmBox"));
    box.setDefaultButton(yesByDefault ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString QtShell::inputBox(const QString& title, const QString& prompt, const QString& defaultText)
{
    QInputDialog dialog(boxParent());
    dialog.setObjectName(QStringLiteral("inputBox"));
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : defaultText;
}

void QtShell::setCaption(const QString& caption)
{
    m_window.setStatusCaption(caption);
}

void QtShell::setModeLabel(ModeLabel visible)
{
    m_window.setModeLabel(visible);
}

void QtShell::setGauge(int percent, bool percentTextVisible)
{
    m_window.setGauge(percent, percentTextVisible);
}

void QtShell::setTimeFields(const QString& sendTime, const QString& timeLeft)
{
    m_window.setTimeFields(sendTime, timeLeft);
}

void QtShell::setSaveLocation(const QString& path)
{
    m_window.setSaveLocation(path);
}

void QtShell::setMediaLocation(const QString& location)
{
    m_window.setMediaLocation(location);
}

QString QtShell::urlText() const
{
    return m_window.urlText();
}

void QtShell::setUrlText(const QString& text)
{
    m_window.setUrlText(text);
}

QStringList QtShell::urlItems() const
{
    return m_window.urlItems();
}

void QtShell::setUrlItems(const QStringList& items)
{
    m_window.setUrlItems(items);
}

void QtShell::closePreviewMonitor()
{
    // Its close step lets go of the file it was showing.
    if (m_preview)
        m_preview->close();
}

void QtShell::repaintNow()
{
    m_window.repaint();
}

void QtShell::setProperty(PropertyField field, const QString& text)
{
    m_properties.setField(field, text);
}

void QtShell::appendPropertyLine(PropertyField field, const QString& line)
{
    m_properties.appendLine(field, line);
}

void QtShell::clearProperties()
{
    m_properties.clearFields();
}

std::optional<QString> QtShell::chooseSaveFile(const SaveFileRequest& request)
{
    return ChooseSaveFile(&m_window, request);
}

std::optional<QString> QtShell::chooseOpenFile(const OpenFileRequest& request)
{
    return ChooseOpenFile(&m_window, request);
}

ResumeChoice QtShell::askResume()
{
    return AskResume(&m_window);
}

std::optional<PasswordAnswer> QtShell::askPassword(const PasswordPrompt& prompt)
{
    return AskPassword(&m_window, prompt);
}

void QtShell::flash()
{
    if (flashHandler)
        flashHandler();
}

void QtShell::beep()
{
    QApplication::beep();
}

void QtShell::playSound(const QString& soundFile)
{
    m_sound.play(soundFile);
}

}  // namespace tovrin
