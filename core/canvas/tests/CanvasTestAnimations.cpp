#include "core/canvas/CanvasAnimation.h"

namespace {

// Canvas changes land at once in the tests, unless a test lets them animate
// (LiveAnimations); set before any test runs.
[[maybe_unused]] const bool completesAtOnce = [] {
    kestrom::CanvasAnimation::setCompletesAtOnce(true);
    return true;
}();

} // namespace
