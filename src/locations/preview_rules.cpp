#include "locations/preview_rules.h"

#include "locations/location_class.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace tovrin {

namespace {

bool IsLocalMediaFile(const QString& text)
{
    const LocationClass cls = ClassifyLocation(text);
    return (cls & lcLocal) && (cls & lcMedia);
}

}  // namespace

QString NoPreviewableMediaMessage()
{
    return QCoreApplication::translate("Tovrin", "不正確的開啟預覽顯示媒介類型");
}

std::optional<QString> ChoosePreviewFile(const QString& saveText, const QString& mediaText)
{
    if (IsLocalMediaFile(saveText))
        return saveText;
    if (IsLocalMediaFile(mediaText))
        return mediaText;
    return std::nullopt;
}

bool HasVideo(std::uint32_t streamKindBits)
{
    return streamKindBits & kVideoStreamBit;
}

bool IsAudioOnly(std::uint32_t streamKindBits)
{
    return (streamKindBits & kAudioStreamBit) && !HasVideo(streamKindBits);
}

std::optional<QRect> FitVideo(QSize current, QSize area, float aspect)
{
    if (!(aspect > 0.0f))
        return std::nullopt;
    int w = current.width();
    int h = current.height();
    const int areaW = std::max(area.width(), 0);
    const int areaH = std::max(area.height(), 0);
    // Sizes are whole pixels, cut toward zero as the aspect is applied.
    const auto widthFor = [aspect](int height) { return int(std::floor(float(height) * aspect)); };
    const auto heightFor = [aspect](int width) { return int(std::floor(float(width) / aspect)); };
    if (h < areaH && w < areaW) {
        h = areaH;
        w = widthFor(h);
    }
    if (areaH < h) {
        h = areaH;
        w = widthFor(h);
    }
    if (areaW < w) {
        w = areaW;
        h = heightFor(w);
    }
    return QRect(areaW / 2 - w / 2, areaH / 2 - h / 2, w, h);
}

QString PlayerModeText(PlayerMode mode)
{
    switch (mode) {
    case PlayerMode::NotReady:
        return QStringLiteral("Not Ready");
    case PlayerMode::Open:
        return QStringLiteral("Open");
    case PlayerMode::Stopped:
        return QStringLiteral("Stopped");
    case PlayerMode::Playing:
        return QStringLiteral("Playing");
    case PlayerMode::Seeking:
        return QStringLiteral("Seeking");
    case PlayerMode::Paused:
        return QStringLiteral("Paused");
    }
    return {};
}

float SliderToVolume(int position)
{
    return float(std::clamp(position, 0, kVolumeSliderMax)) / float(kVolumeSliderMax);
}

int VolumeToSlider(float volume)
{
    return int(std::lround(std::clamp(volume, 0.0f, 1.0f) * float(kVolumeSliderMax)));
}

}  // namespace tovrin
