#pragma once

#include "model/units/JsonReader.h"

namespace kestrom {

// The two splitting flags the inspector reads from a model's "imageSplit"
// information: whether one job may print as separate parts, and whether the
// head can be placed at a vertical position. Missing flags are false.
struct InspectorImageSplitInfo {
    bool supportsMultipleSequences = false;
    bool canMoveHeadYPosition = false;

    static QString key() { return QStringLiteral("imageSplit"); }
    static InspectorImageSplitInfo decode(const ambrel::JsonReader& reader);
};

} // namespace kestrom
