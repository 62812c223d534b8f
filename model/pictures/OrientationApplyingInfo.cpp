#include "model/pictures/OrientationApplyingInfo.h"

#include "platform/Log.h"

#include <QTransform>

namespace ambrel {

std::optional<OrientationApplyingInfo>
OrientationApplyingInfo::forOrientation(quint32 exifOrientation) {
    using F = FlipType;
    // The EXIF standard's meaning of each value: 5 is the transpose (reflect
    // top to bottom, then a quarter turn clockwise), 7 the transverse.
    switch (exifOrientation) {
    case 2:
        return OrientationApplyingInfo{F::horizontal, 0};
    case 3:
        return OrientationApplyingInfo{std::nullopt, 2};
    case 4:
        return OrientationApplyingInfo{F::vertical, 0};
    case 5:
        return OrientationApplyingInfo{F::vertical, 3};
    case 6:
        return OrientationApplyingInfo{std::nullopt, 3};
    case 7:
        return OrientationApplyingInfo{F::vertical, 1};
    case 8:
        return OrientationApplyingInfo{std::nullopt, 1};
    default:
        return std::nullopt;
    }
}

bool OrientationApplyingInfo::isMonochrome(const QImage& image) {
    switch (image.format()) {
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
        return true;
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
        return image.isGrayscale();
    default:
        return false;
    }
}

std::optional<QImage> OrientationApplyingInfo::imageApplyingOrientation(const QImage& image,
                                                                        quint32 exifOrientation) {
    const auto info = forOrientation(exifOrientation);
    if (!info) {
        return std::nullopt;
    }
    auto fail = [](const char* what) -> std::optional<QImage> {
        platform::Log::line(QStringLiteral("OriginalImage: couldn't rotate image. ") +
                            QString::fromUtf8(what));
        return std::nullopt;
    };
    QImage::Format format = QImage::Format_RGBX8888;
    if (isMonochrome(image)) {
        format = QImage::Format_Grayscale8;
    } else if (image.hasAlphaChannel()) {
        format = QImage::Format_RGBA8888;
    }
    QImage working = image.convertToFormat(format);
    if (working.isNull()) {
        return fail("The picture could not be converted to its working format.");
    }
    if (info->flipType) {
        const bool horizontal = *info->flipType == FlipType::horizontal;
        working = working.mirrored(horizontal, !horizontal);
        if (working.isNull()) {
            return fail("The picture could not be reflected.");
        }
    }
    if (info->vImageRotation != 0) {
        // QTransform turns clockwise on screen (y down) for positive angles.
        static constexpr double degrees[] = {0, -90, 180, 90};
        working = working.transformed(QTransform().rotate(degrees[info->vImageRotation & 3]));
        if (working.isNull()) {
            return fail("The picture could not be turned.");
        }
    }
    if (working.format() != format) {
        working = working.convertToFormat(format);
    }
    return working;
}

} // namespace ambrel
