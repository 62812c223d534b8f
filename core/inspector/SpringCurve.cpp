#include "core/inspector/SpringCurve.h"

#include <algorithm>
#include <cmath>

namespace kestrom {

double SpringCurve::displacement(double t) const {
    const double omega0 = std::sqrt(stiffness / mass);
    const double zeta = damping / (2 * std::sqrt(stiffness * mass));
    const double decay = std::exp(-zeta * omega0 * t);
    if (zeta < 1) {
        const double omegaD = omega0 * std::sqrt(1 - zeta * zeta);
        const double b = (initialVelocity + zeta * omega0 * from) / omegaD;
        return decay * (from * std::cos(omegaD * t) + b * std::sin(omegaD * t));
    }
    // Critically damped or slower: no oscillation.
    return decay * (from + (initialVelocity + omega0 * from) * t);
}

double SpringCurve::settlingDuration() const {
    const double omega0 = std::sqrt(stiffness / mass);
    const double zeta = std::min(1.0, damping / (2 * std::sqrt(stiffness * mass)));
    const double amplitude = std::max(std::abs(from), 0.5) + std::abs(initialVelocity) / omega0;
    return std::log(amplitude / 0.05) / (zeta * omega0);
}

} // namespace kestrom
