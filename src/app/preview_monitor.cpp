#include "app/preview_monitor.h"

#include "asf/name_rules.h"
#include "locations/growing_file_device.h"
#include "state/format_time.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMediaDevices>
#include <QMediaMetaData>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVideoSink>
#include <QVideoWidget>

using namespace Qt::StringLiterals;

namespace tovrin {

namespace {

// Heights of the parts around the video area, and the design size, which is
// also the smallest the window gets.
constexpr int kStripHeight = 9;
constexpr int kPanelHeight = 109;
constexpr int kStatusBarHeight = 20;
constexpr QSize kDesignSize(372, 228);

void Paint(QWidget* widget, const QColor& background, const QColor& text)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QLabel* PanelLabel(const QString& objectName, const QColor& colour, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setAlignment(Qt::AlignCenter);
    Paint(label, Qt::black, colour);
    return label;
}

}  // namespace

PreviewMonitor::PreviewMonitor(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(u"previewMonitor"_s);
    setWindowTitle(QCoreApplication::translate("PreviewMonitor", "預覽顯示"));
    setMinimumSize(kDesignSize);
    resize(kDesignSize);
    buildPanels();
    m_audio = new QAudioOutput(this);

    connect(&m_player, &QMediaPlayer::mediaStatusChanged, this, &PreviewMonitor::onMediaStatus);
    connect(&m_player, &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error, const QString& text) {
        reportError(text.isEmpty() ? u"The player cannot play this file"_s : text);
    });
    connect(&m_player, &QMediaPlayer::durationChanged, this,
            [this](qint64 ms) { m_bar->setMaximum(int(std::clamp<qint64>(ms, 0, INT_MAX))); });
    connect(&m_player, &QMediaPlayer::metaDataChanged, this,
            [this] { takeVideoSize(m_player.metaData().value(QMediaMetaData::Resolution).toSize()); });
    // Queued: the sink signals with its own lock held, which videoSize() takes.
    connect(
        m_video->videoSink(), &QVideoSink::videoSizeChanged, this,
        [this] { takeVideoSize(m_video->videoSink()->videoSize()); }, Qt::QueuedConnection);
    m_player.setVideoOutput(m_video);

    m_startLimit.setSingleShot(true);
    m_startLimit.setInterval(kStartLimitMs);
    connect(&m_startLimit, &QTimer::timeout, this, &PreviewMonitor::checkStarted);

    // The status line follows the player for the whole life of the window.
    connect(&m_tick, &QTimer::timeout, this, &PreviewMonitor::tick);
    m_tick.start(kTickMs);
}

PreviewMonitor::~PreviewMonitor()
{
    releaseSource();
}

void PreviewMonitor::buildPanels()
{
    auto* strip = new QWidget(this);
    strip->setFixedHeight(kStripHeight);

    m_surface = new QWidget(this);
    m_surface->setObjectName(u"videoArea"_s);
    m_surface->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    Paint(m_surface, Qt::black, Qt::green);
    m_surface->installEventFilter(this);
    m_video = new QVideoWidget(m_surface);
    m_video->setObjectName(u"videoWidget"_s);
    m_surfaceCaption = new QLabel(m_surface);
    m_surfaceCaption->setObjectName(u"surfaceCaption"_s);
    m_surfaceCaption->setAlignment(Qt::AlignCenter);
    m_surfaceCaption->setAttribute(Qt::WA_TransparentForMouseEvents);
    Paint(m_surfaceCaption, Qt::black, Qt::green);
    m_surfaceCaption->setAutoFillBackground(false);

    auto* panel = new QWidget(this);
    panel->setObjectName(u"controlPanel"_s);
    panel->setFixedHeight(kPanelHeight);
    Paint(panel, Qt::black, Qt::cyan);
    m_media = PanelLabel(u"mediaLabel"_s, Qt::cyan, panel);
    m_position = PanelLabel(u"positionLabel"_s, Qt::cyan, panel);
    m_status = PanelLabel(u"statusLabel"_s, Qt::green, panel);

    m_bar = new QScrollBar(Qt::Horizontal, panel);
    m_bar->setObjectName(u"positionBar"_s);
    m_bar->setRange(0, 0);
    m_bar->setSingleStep(1000);
    m_bar->setPageStep(10000);
    connect(m_bar, &QAbstractSlider::sliderPressed, this, &PreviewMonitor::holdForBar);
    connect(m_bar, &QAbstractSlider::actionTriggered, this, &PreviewMonitor::onBarAction);
    connect(m_bar, &QAbstractSlider::sliderReleased, this, [this] { seekAndPlay(m_bar->sliderPosition()); });

    auto* controls = new QHBoxLayout;
    controls->setContentsMargins(0, 0, 0, 0);
    const auto addButton = [&](const QString& name, const QString& tip, QStyle::StandardPixmap icon,
                               void (PreviewMonitor::*action)()) {
        auto* button = new QToolButton(panel);
        button->setObjectName(name);
        button->setToolTip(tip);
        button->setAccessibleName(tip);  // a screen reader names an icon by it
        button->setIcon(style()->standardIcon(icon));
        connect(button, &QToolButton::clicked, this, action);
        controls->addWidget(button);
    };
    addButton(u"playButton"_s, u"Play"_s, QStyle::SP_MediaPlay, &PreviewMonitor::play);
    addButton(u"pauseButton"_s, u"Pause"_s, QStyle::SP_MediaPause, &PreviewMonitor::pause);
    addButton(u"stopButton"_s, u"Stop"_s, QStyle::SP_MediaStop, &PreviewMonitor::stop);
    controls->addStretch();
    auto* volumeCaption = PanelLabel(u"volumeCaption"_s, Qt::cyan, panel);
    volumeCaption->setText(QCoreApplication::translate("PreviewMonitor", "音量"));
    controls->addWidget(volumeCaption);
    m_volume = new QSlider(Qt::Horizontal, panel);
    m_volume->setObjectName(u"volumeSlider"_s);
    m_volume->setRange(0, kVolumeSliderMax);
    m_volume->setSingleStep(1);
    m_volume->setTickPosition(QSlider::NoTicks);
    m_volume->setFixedWidth(110);
    connect(m_volume, &QSlider::valueChanged, this, [this](int position) {
        if (m_audio)
            m_audio->setVolume(SliderToVolume(position));
    });
    controls->addWidget(m_volume);

    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(6, 2, 6, 2);
    panelLayout->setSpacing(1);
    panelLayout->addWidget(m_media);
    panelLayout->addWidget(m_position);
    panelLayout->addWidget(m_status);
    panelLayout->addWidget(m_bar);
    panelLayout->addLayout(controls);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(u"statusBar"_s);
    m_statusBar->setFixedHeight(kStatusBarHeight);
    m_statusBar->setSizeGripEnabled(false);
    auto* version = new QLabel(u"Tovrin Media Player v1.1.0"_s, m_statusBar);
    version->setObjectName(u"versionLabel"_s);
    m_statusBar->addWidget(version);
    m_volumeNote = new QLabel(u"Volume control not enabled"_s, m_statusBar);
    m_volumeNote->setObjectName(u"volumeNote"_s);
    m_volumeNote->hide();
    m_statusBar->addPermanentWidget(m_volumeNote);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(strip);
    layout->addWidget(m_surface, 1);
    layout->addWidget(panel);
    layout->addWidget(m_statusBar);
}

void PreviewMonitor::showPreview(const QString& path, std::uint32_t streamKindBits, bool fileComplete)
{
    releaseSource();
    m_path = path;
    m_kindBits = streamKindBits;
    m_complete = fileComplete;

    if (IsAudioOnly(streamKindBits)) {
        resize(minimumSize());
        m_surfaceCaption->setText(u"Radio Broadcast"_s);
    } else {
        m_surfaceCaption->clear();
    }
    m_media->setText(NameAfterSeparator(path));

    // Without a sound device the player gets no audio output, unless the
    // media is sound alone, which cannot play without one: an output with no
    // device behind it now and then leaves the player loaded for good (the
    // start-up limit covers that case).
    const bool soundDevice = !QMediaDevices::audioOutputs().isEmpty();
    m_player.setAudioOutput(soundDevice || IsAudioOnly(streamKindBits) ? m_audio : nullptr);
    m_volume->setEnabled(soundDevice);
    m_volume->setValue(VolumeToSlider(m_audio->volume()));
    m_volumeNote->setVisible(!soundDevice);

    m_bar->setRange(0, 0);
    m_position->setText(FormatTime(0));
    m_videoSized = false;
    m_videoRect = QRect();
    loadSource();
    layoutVideo();

    if (!isVisible()) {
        if (QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
        show();
    }
}

void PreviewMonitor::setFileComplete(bool complete)
{
    m_complete = complete;
    if (m_device)
        m_device->setFileComplete(complete);
}

void PreviewMonitor::loadSource()
{
    m_error.clear();
    m_followedToEnd = false;
    if (m_complete) {
        m_player.setSource(QUrl::fromLocalFile(m_path));
        return;
    }
    auto* device = new GrowingFileDevice(m_path, this);
    if (!device->open(QIODevice::ReadOnly)) {
        delete device;
        reportError(u"Cannot open "_s + m_path);
        return;
    }
    m_device = device;
    connect(device, &GrowingFileDevice::finished, this, &PreviewMonitor::endFollowedSource);
    m_player.setSourceDevice(device, QUrl::fromLocalFile(m_path));
}

void PreviewMonitor::releaseSource()
{
    m_startLimit.stop();
    m_player.stop();
    m_player.setSource(QUrl());
    if (m_device) {
        m_device->disconnect(this);
        m_device->close();
        m_device->deleteLater();
        m_device = nullptr;
    }
    m_followedToEnd = false;
}

void PreviewMonitor::endFollowedSource()
{
    // The player ends a device's stream when the device goes; it would wait
    // for more data otherwise.
    m_followedToEnd = true;
    if (m_device) {
        m_device->deleteLater();
        m_device = nullptr;
    }
}

void PreviewMonitor::onMediaStatus(QMediaPlayer::MediaStatus status)
{
    if (status == QMediaPlayer::EndOfMedia && m_followedToEnd) {
        // The recording is complete and has been played to its end: from now
        // on the file plays from its path, seekable, once.
        m_complete = true;
        loadSource();
    }
}

void PreviewMonitor::play()
{
    m_startRetries = 0;
    startPlaying();
}

void PreviewMonitor::startPlaying()
{
    m_player.play();
    m_startLimit.start();
}

void PreviewMonitor::checkStarted()
{
    const bool stuck =
        m_player.playbackState() == QMediaPlayer::PlayingState && m_player.mediaStatus() == QMediaPlayer::LoadedMedia;
    if (!stuck)
        return;
    if (m_startRetries >= kStartRetries) {
        reportError(u"The player did not start: press Play again"_s);
        return;
    }
    // The file is loaded again and started from its beginning.
    ++m_startRetries;
    releaseSource();
    loadSource();
    startPlaying();
}

void PreviewMonitor::pause()
{
    m_player.pause();
}

void PreviewMonitor::stop()
{
    if (m_device) {
        // A file read as it grows cannot be rewound: it is read anew.
        releaseSource();
        loadSource();
        return;
    }
    m_player.stop();
}

PlayerMode PreviewMonitor::mode() const
{
    switch (m_player.mediaStatus()) {
    case QMediaPlayer::NoMedia:
    case QMediaPlayer::InvalidMedia:
        return PlayerMode::NotReady;
    case QMediaPlayer::LoadingMedia:
        return PlayerMode::Open;
    default:
        break;
    }
    switch (m_player.playbackState()) {
    case QMediaPlayer::PlayingState:
        return PlayerMode::Playing;
    case QMediaPlayer::PausedState:
        return PlayerMode::Paused;
    case QMediaPlayer::StoppedState:
        break;
    }
    return PlayerMode::Stopped;
}

void PreviewMonitor::tick()
{
    m_status->setText(m_error.isEmpty() ? PlayerModeText(mode()) : m_error);
    if (m_player.playbackState() != QMediaPlayer::PlayingState)
        return;
    const qint64 position = m_player.position();
    if (!m_bar->isSliderDown())
        m_bar->setValue(int(std::clamp<qint64>(position, 0, INT_MAX)));
    m_position->setText(FormatTime(std::uint32_t(std::clamp<qint64>(position, 0, UINT32_MAX))));
}

void PreviewMonitor::holdForBar()
{
    // A file read as it grows cannot seek: it only pauses.
    m_startLimit.stop();
    if (m_player.isSeekable())
        m_player.stop();
    else
        m_player.pause();
}

void PreviewMonitor::onBarAction(int action)
{
    // Any movement of the bar holds the player; letting go (or a click on
    // an arrow or the track, which ends at once) seeks there and plays.
    holdForBar();
    if (action != QAbstractSlider::SliderMove && !m_bar->isSliderDown())
        seekAndPlay(m_bar->sliderPosition());
}

void PreviewMonitor::seekAndPlay(int positionMs)
{
    if (m_player.isSeekable()) {
        m_player.setPosition(positionMs);
        m_position->setText(FormatTime(std::uint32_t(std::max(positionMs, 0))));
    }
    play();
}

void PreviewMonitor::takeVideoSize(QSize size)
{
    if (m_videoSized || !size.isValid() || size.isEmpty() || !HasVideo(m_kindBits))
        return;
    m_videoSized = true;
    m_aspect = float(size.width()) / float(size.height());
    m_videoRect = QRect(QPoint(0, 0), size);
    // The window takes the video's own size, the panels below it.
    resize(std::max(size.width(), minimumWidth()),
           std::max(size.height() + kStripHeight + kPanelHeight + kStatusBarHeight, minimumHeight()));
    layoutVideo();
}

void PreviewMonitor::layoutVideo()
{
    m_surfaceCaption->setGeometry(m_surface->rect());
    m_surfaceCaption->raise();
    if (!HasVideo(m_kindBits) || m_aspect <= 0.0f) {
        m_video->setGeometry(m_surface->rect());
        return;
    }
    const QSize current = m_videoRect.isValid() ? m_videoRect.size() : m_surface->size();
    if (const std::optional<QRect> placed = FitVideo(current, m_surface->size(), m_aspect)) {
        m_videoRect = *placed;
        m_video->setGeometry(*placed);
    }
}

bool PreviewMonitor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_surface && event->type() == QEvent::Resize)
        layoutVideo();
    return QWidget::eventFilter(watched, event);
}

void PreviewMonitor::reportError(const QString& text)
{
    m_error = text;
    m_status->setText(text);
    // Modeless: the program, and the recording, carry on while it is open.
    if (m_errorBox) {
        m_errorBox->setText(text);
        return;
    }
    m_errorBox = new QMessageBox(QMessageBox::Warning, u"Tovrin"_s, text, QMessageBox::Ok, this);
    m_errorBox->setObjectName(u"previewErrorBox"_s);
    m_errorBox->setAttribute(Qt::WA_DeleteOnClose);
    m_errorBox->setWindowModality(Qt::NonModal);
    m_errorBox->show();
}

void PreviewMonitor::closeEvent(QCloseEvent* event)
{
    // The close step: the player lets go of the file.
    releaseSource();
    QWidget::closeEvent(event);
}

}  // namespace tovrin
