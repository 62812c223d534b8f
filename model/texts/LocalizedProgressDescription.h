#pragma once

#include <QString>

namespace platform {
class Progress;
}

namespace ambrel {

// A step of a run, shown as the main text of the progress sheet.
class LocalizedProgressDescription {
public:
    virtual ~LocalizedProgressDescription() = default;
    virtual QString localizedValue() const = 0;
};

// Shows the step as the progress's description.
void setLocalizedDescription(platform::Progress& progress,
                             const LocalizedProgressDescription& description);

} // namespace ambrel
