#include "app/completion_sound.h"

#include <QApplication>
#include <QAudioDevice>
#include <QDir>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QStandardPaths>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace tovrin {

// One sound effect, made on the first play that can be heard. Playing again
// while it sounds restarts it, so requests never pile up.
class CompletionSound::Player : public QSoundEffect {
public:
    using QSoundEffect::QSoundEffect;

    void playFile(const QString& path)
    {
        const QUrl url = QUrl::fromLocalFile(path);
        if (source() != url)
            setSource(url);
        else if (isPlaying())
            stop();
        play();
    }
};

CompletionSound::CompletionSound(QObject* parent) : QObject(parent) {}

CompletionSound::~CompletionSound() = default;  // the player is a child

void CompletionSound::play(const QString& soundFile)
{
    const QString path = locate(soundFile);
    if (path.isEmpty()) {
        QApplication::beep();
    } else if (!QMediaDevices::audioOutputs().isEmpty()) {
        // Without an output device there is nothing to hear and nothing to report.
        if (!m_player)
            m_player = new Player(this);
        m_player->playFile(path);
    }
    if (onPlay)
        onPlay(soundFile);
}

QString CompletionSound::locate(const QString& soundFile)
{
    if (soundFile.isEmpty())
        return {};
    QStringList candidates;
    if (QCoreApplication::instance())
        candidates << QDir(QCoreApplication::applicationDirPath()).filePath(soundFile);
    candidates << QStandardPaths::locate(QStandardPaths::AppDataLocation, soundFile)
               << QStandardPaths::locate(QStandardPaths::GenericDataLocation, u"tovrin/"_s + soundFile);
    // An installed tree moved elsewhere (unpacked, or under another prefix)
    // keeps share/tovrin beside bin/; a build tree uses the source's assets.
    if (QCoreApplication::instance())
        candidates << QDir(QCoreApplication::applicationDirPath()).filePath(u"../share/tovrin/"_s + soundFile);
    candidates << QDir(QStringLiteral(TOVRIN_ASSET_DIR)).filePath(soundFile);
    for (const QString& candidate : std::as_const(candidates)) {
        if (!candidate.isEmpty() && QFileInfo(candidate).isFile())
            return candidate;
    }
    return {};
}

}  // namespace tovrin
