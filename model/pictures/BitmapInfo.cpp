#include "model/pictures/BitmapInfo.h"

namespace ambrel {

QString BitmapInfo::debugDescription() const {
    return QStringLiteral("CGBitmapInfo(alphaInfo: %1, byteOrderInfo: %2, pixelFormatInfo: %3)")
        .arg(alphaInfo())
        .arg(byteOrderInfo())
        .arg(pixelFormatInfo());
}

} // namespace ambrel
