#include "imaging/print/ImageUtility.h"

#include <cstring>

namespace quenta {

namespace {

constexpr unsigned char app0Marker[] = {0xFF, 0xD8, 0xFF, 0xE0};
constexpr unsigned char jfifIdentifier[] = {'J', 'F', 'I', 'F', 0x00};

constexpr qsizetype markerOffset = 0;
constexpr qsizetype identifierOffset = 6;
constexpr qsizetype unitsOffset = 13;
constexpr qsizetype horizontalDensityOffset = 14;
constexpr qsizetype verticalDensityOffset = 16;
constexpr qsizetype densityEnd = 18;

bool matches(const QByteArray& data, qsizetype offset, const unsigned char* bytes,
             qsizetype count) {
    // The file must go on after the compared bytes.
    return data.size() > offset + count &&
           std::memcmp(data.constData() + offset, bytes, size_t(count)) == 0;
}

} // namespace

const QString ImageUtility::FormattingError::domain = QStringLiteral("FormattingError");

ImageUtility::FormattingError::FormattingError()
    : platform::Error(
          domain, code,
          UserInfo{QStringLiteral("The file isn\u2019t in the correct format."), {}, {}, {}}) {}

std::shared_ptr<const platform::Error> ImageUtility::FormattingError::clone() const {
    return std::make_shared<FormattingError>(*this);
}

void ImageUtility::FormattingError::raise() const {
    throw *this;
}

void ImageUtility::editJpegJfifDpi(QByteArray& data, int dpi) {
    // Everything is checked before the first byte changes, so a refused file
    // is never left half written.
    if (!matches(data, markerOffset, app0Marker, sizeof app0Marker) ||
        !matches(data, identifierOffset, jfifIdentifier, sizeof jfifIdentifier) ||
        data.size() <= densityEnd || dpi < 0 || dpi > 32767) {
        throw FormattingError();
    }
    const char high = char((dpi >> 8) & 0xFF);
    const char low = char(dpi & 0xFF);
    data[unitsOffset] = char(0x01); // dots per inch
    data[horizontalDensityOffset] = high;
    data[horizontalDensityOffset + 1] = low;
    data[verticalDensityOffset] = high;
    data[verticalDensityOffset + 1] = low;
}

} // namespace quenta
