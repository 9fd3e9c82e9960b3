#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace tovrin {

// Plays the completion sound asynchronously: the named file (e.g. "Done.wav")
// looked up beside the program, in its installed data folders and in the
// source tree's assets; the platform beep when it cannot be found; nothing,
// and no error, when the machine has no audio device.
class CompletionSound : public QObject {
    Q_OBJECT

public:
    explicit CompletionSound(QObject* parent = nullptr);
    ~CompletionSound() override;

    void play(const QString& soundFile);
    // Where `soundFile` was found; empty when it was not.
    static QString locate(const QString& soundFile);

    // Tests observe every request here (after it has been started).
    std::function<void(const QString& soundFile)> onPlay;

private:
    class Player;
    Player* m_player = nullptr;
};

}  // namespace tovrin
