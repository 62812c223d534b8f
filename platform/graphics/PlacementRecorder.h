#pragma once

#include "platform/graphics/PlacedPicture.h"

#include <vector>

namespace platform {

// What a gray page's drawing lays where, when every drawing is a gray picture
// over a whole-pixel rectangle with its axes on the page's axes; anything
// else makes the recording incomplete, and the page must then be painted.
class PlacementRecorder {
public:
    void add(PlacedPicture placement) { m_placements.push_back(std::move(placement)); }
    void refuse() { m_complete = false; }

    bool isComplete() const { return m_complete; }
    // In drawing order: later pictures lie over earlier ones.
    std::vector<PlacedPicture> takePlacements() { return std::move(m_placements); }

private:
    std::vector<PlacedPicture> m_placements;
    bool m_complete = true;
};

} // namespace platform
