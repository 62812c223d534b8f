#include "imaging/print/ImageSplitDeviceInfo.h"

namespace quenta {

ImageSplitDeviceInfo ImageSplitDeviceInfo::decode(const ambrel::JsonReader& reader) {
    ImageSplitDeviceInfo info;
    info.supportsMultipleSequences =
        reader.optionalBoolean(QStringLiteral("supportsMultipleSequences")).value_or(false);
    info.headPrintsImageFromRight =
        reader.optionalBoolean(QStringLiteral("headPrintsImageFromRight")).value_or(false);
    info.canMoveHeadYPosition =
        reader.optionalBoolean(QStringLiteral("canMoveHeadYPosition")).value_or(false);
    return info;
}

} // namespace quenta
