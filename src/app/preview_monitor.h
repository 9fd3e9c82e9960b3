#pragma once

#include "locations/preview_rules.h"

#include <QMediaPlayer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdint>

class QAudioOutput;
class QLabel;
class QMessageBox;
class QScrollBar;
class QSlider;
class QStatusBar;
class QToolButton;
class QVideoWidget;

namespace tovrin {

class GrowingFileDevice;

// The preview monitor: plays the save file of a recording in progress, or a
// local media file, with a video area, Play / Pause / Stop, a position bar,
// the file name, position and status lines and a volume slider.
//
// A file still being written is read through a GrowingFileDevice, so the
// player follows it as it grows instead of stopping at what was on disk when
// it opened; such a file is not seekable until the recording has finished.
// A complete file is played from its path. A file the player cannot open is
// reported in the status line and a message box; the monitor never touches
// the recording. UI thread only.
class PreviewMonitor : public QWidget {
    Q_OBJECT

public:
    explicit PreviewMonitor(QWidget* parent = nullptr);
    ~PreviewMonitor() override;

    // The show step: takes `path` with its stream kind bits, loads it and
    // shows the window (playback waits for Play). `fileComplete` is false for
    // the save file of a recording still running.
    void showPreview(const QString& path, std::uint32_t streamKindBits, bool fileComplete);
    // The recording of the previewed file has ended: its end is the end.
    void setFileComplete(bool complete);

    QString file() const { return m_path; }
    QString errorText() const { return m_error; }
    // True while the file is read as it grows.
    bool isFollowingFile() const { return m_device != nullptr; }
    QMediaPlayer& player() { return m_player; }

    // The buttons' actions.
    void play();
    void pause();
    void stop();

    static constexpr int kTickMs = 300;
    // A player asked to play that is still only loaded after this long is
    // loaded again, at most kStartRetries times per Play.
    static constexpr int kStartLimitMs = 5000;
    static constexpr int kStartRetries = 2;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPanels();
    void loadSource();
    void startPlaying();
    void checkStarted();
    void releaseSource();
    void endFollowedSource();
    void tick();
    void layoutVideo();
    void takeVideoSize(QSize size);
    void holdForBar();
    void onBarAction(int action);
    void seekAndPlay(int positionMs);
    void onMediaStatus(QMediaPlayer::MediaStatus status);
    void reportError(const QString& text);
    PlayerMode mode() const;

    QMediaPlayer m_player;
    QAudioOutput* m_audio = nullptr;
    GrowingFileDevice* m_device = nullptr;
    // The device ended a followed file: the player's end of media is the
    // file's end, after which the complete file is loaded from its path.
    bool m_followedToEnd = false;
    QTimer m_tick;
    QTimer m_startLimit;
    int m_startRetries = 0;

    QString m_path;
    std::uint32_t m_kindBits = 0;
    bool m_complete = true;
    QString m_error;
    // Width / height of the last video shown; kept between previews.
    float m_aspect = 0.0f;
    bool m_videoSized = false;
    QRect m_videoRect;

    QWidget* m_surface = nullptr;
    QVideoWidget* m_video = nullptr;
    QLabel* m_surfaceCaption = nullptr;
    QLabel* m_media = nullptr;
    QLabel* m_position = nullptr;
    QLabel* m_status = nullptr;
    QScrollBar* m_bar = nullptr;
    QSlider* m_volume = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QLabel* m_volumeNote = nullptr;
    QPointer<QMessageBox> m_errorBox;
};

}  // namespace tovrin
