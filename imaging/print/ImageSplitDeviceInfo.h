#pragma once

#include "model/units/JsonReader.h"

#include <QString>

namespace quenta {

// How a device model lets a job be cut into bitmaps, from the "imageSplit"
// entry of its additional information. A model without the entry can do
// none of it.
struct ImageSplitDeviceInfo {
    // The device may print one job as several separate parts.
    bool supportsMultipleSequences = false;
    // The head's travel starts at the canvas's right edge.
    bool headPrintsImageFromRight = false;
    // The head can be placed at a vertical position, so a picture may be
    // printed in several passes of the head's height.
    bool canMoveHeadYPosition = false;

    static QString key() { return QStringLiteral("imageSplit"); }

    // Each key optional, null counts as false; a value that is not a boolean
    // throws the reader's DecodingError.
    static ImageSplitDeviceInfo decode(const ambrel::JsonReader& reader);

    bool operator==(const ImageSplitDeviceInfo&) const = default;
};

} // namespace quenta
