#pragma once

#include <QString>

namespace platform {
class Progress;
}

namespace ambrel {

// An instruction to the user shown under the step's text.
class LocalizedAdditionalProgressDescription {
public:
    virtual ~LocalizedAdditionalProgressDescription() = default;
    virtual QString localizedValue() const = 0;
};

// Shows the instruction as the progress's additional description.
void setLocalizedAdditionalDescription(platform::Progress& progress,
                                       const LocalizedAdditionalProgressDescription& description);

} // namespace ambrel
