#include "model/texts/LocalizedProgressDescription.h"

#include "platform/Progress.h"

namespace ambrel {

void setLocalizedDescription(platform::Progress& progress,
                             const LocalizedProgressDescription& description) {
    progress.setLocalizedDescription(description.localizedValue());
}

} // namespace ambrel
