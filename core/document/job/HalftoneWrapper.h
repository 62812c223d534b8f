#pragma once

#include "core/document/job/ConversionOptionGroup.h"
#include "core/document/job/UndoActionName.h"
#include "model/pictures/BlackConversionHalftoneOption.h"

#include <QStringList>

#include <optional>

namespace kestrom {

// The halftone options of a document as an observable object, by the rows of
// ConversionOptionTable::halftone.
class HalftoneWrapper : public ConversionOptionGroup<ambrel::BlackConversionHalftoneOption> {
public:
    using Option = ambrel::BlackConversionHalftoneOption;

    // Stored as given, without clamping.
    explicit HalftoneWrapper(const Option& rawValue);

    static QStringList allKeys();
    // The undo step a user's change of the option makes; nothing for the angle.
    static std::optional<UndoActionName> undoActionName(const QString& key);
};

} // namespace kestrom
