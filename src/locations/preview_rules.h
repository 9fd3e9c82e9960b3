#pragma once

#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>

namespace tovrin {

// The rules of the preview monitor: which file it may show, how the video is
// placed in its area, the words of its status line and its volume scale.

// Stream kind bits of the stored header.
inline constexpr std::uint32_t kAudioStreamBit = 1;
inline constexpr std::uint32_t kVideoStreamBit = 2;

// Shown when neither the save file nor the opened media is a local media file.
QString NoPreviewableMediaMessage();

// The file to preview: the save file when it is a local media file, else the
// opened media when it is; nothing otherwise.
std::optional<QString> ChoosePreviewFile(const QString& saveText, const QString& mediaText);

bool HasVideo(std::uint32_t streamKindBits);
// Audio without video: a radio broadcast, shown without a picture.
bool IsAudioOnly(std::uint32_t streamKindBits);

// Places a video of `current` size in an area of `area` size, as large as
// fits with `aspect` (width / height) kept, centred. Starts from the current
// size so that a video smaller than the area grows to its height first.
// Nothing to place (nullopt) while the aspect is not known (0).
std::optional<QRect> FitVideo(QSize current, QSize area, float aspect);

// What the player is doing, as the status line names it.
enum class PlayerMode { NotReady, Open, Stopped, Playing, Seeking, Paused };
QString PlayerModeText(PlayerMode mode);

// The volume slider runs 0..65535 over the player's volume 0.0..1.0.
inline constexpr int kVolumeSliderMax = 65535;
float SliderToVolume(int position);
int VolumeToSlider(float volume);

}  // namespace tovrin
