#pragma once

#include "core/document/job/ConversionOptionGroup.h"
#include "core/document/job/UndoActionName.h"
#include "model/pictures/BlackConversionThresholdOption.h"

#include <QStringList>

#include <optional>

namespace kestrom {

// The threshold options of a document as an observable object, by the rows
// of ConversionOptionTable::threshold.
class ThresholdWrapper : public ConversionOptionGroup<ambrel::BlackConversionThresholdOption> {
public:
    using Option = ambrel::BlackConversionThresholdOption;

    // Stored as given, without clamping.
    explicit ThresholdWrapper(const Option& rawValue);

    // The keys of the options, in row order.
    static QStringList allKeys();
    // The undo step a user's change of the option makes.
    static std::optional<UndoActionName> undoActionName(const QString& key);
};

} // namespace kestrom
