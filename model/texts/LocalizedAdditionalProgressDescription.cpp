#include "model/texts/LocalizedAdditionalProgressDescription.h"

#include "platform/Progress.h"

namespace ambrel {

void setLocalizedAdditionalDescription(platform::Progress& progress,
                                       const LocalizedAdditionalProgressDescription& description) {
    progress.setLocalizedAdditionalDescription(description.localizedValue());
}

} // namespace ambrel
