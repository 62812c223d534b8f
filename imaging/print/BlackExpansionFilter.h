#pragma once

#include "imaging/gpu/SildorImageFilter.h"

#include <QtGlobal>

namespace quenta {

// Widens the black areas of a thresholded picture (a positive level) or
// narrows them (a negative one) by whole device dots; see BlackExpansionKernel.
class BlackExpansionFilter : public sildor::SildorImageFilter {
public:
    BlackExpansionFilter(qint64 level, qint64 pixelsPerDot)
        : m_level(level), m_pixelsPerDot(pixelsPerDot) {}

    qint64 level() const { return m_level; }
    qint64 pixelsPerDot() const { return m_pixelsPerDot; }

    // The "expandBlack" kernel in this library's bundle.
    static QList<sildor::SildorContext::FunctionDescriptor> functionDescriptors();

    QList<sildor::SildorContext::FunctionDescriptor> typeFunctionDescriptors() const override {
        return functionDescriptors();
    }
    void setupComputeEncoder(platform::compute::ComputeCommandEncoder& encoder,
                             sildor::SildorContext& context) const override;

    bool operator==(const BlackExpansionFilter&) const = default;

private:
    qint64 m_level;
    qint64 m_pixelsPerDot;
};

} // namespace quenta
