#pragma once

namespace kestrom {

// A damped spring moving from a start displacement towards 0, as the panes'
// little bounces use it: displacement at a time and the time it takes to
// settle within half a unit.
struct SpringCurve {
    double mass = 1;
    double stiffness = 100;
    double damping = 10;
    double initialVelocity = 0;
    double from = 0;

    double displacement(double seconds) const;
    double settlingDuration() const;
};

} // namespace kestrom
