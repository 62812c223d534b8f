#include "core/inspector/InspectorImageSplitInfo.h"

namespace kestrom {

InspectorImageSplitInfo InspectorImageSplitInfo::decode(const ambrel::JsonReader& reader) {
    reader.object();
    InspectorImageSplitInfo info;
    info.supportsMultipleSequences =
        reader.optionalBoolean(QStringLiteral("supportsMultipleSequences")).value_or(false);
    // Read, so a wrongly typed entry fails as a whole.
    reader.optionalBoolean(QStringLiteral("headPrintsImageFromRight"));
    info.canMoveHeadYPosition =
        reader.optionalBoolean(QStringLiteral("canMoveHeadYPosition")).value_or(false);
    return info;
}

} // namespace kestrom
