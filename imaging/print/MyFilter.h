#pragma once

#include "imaging/gpu/SildorImageFilter.h"

#include <QPointF>
#include <QSizeF>

namespace quenta {

// The print image library's own filter: the halftone screen.
class MyFilter : public sildor::SildorImageFilter {
public:
    enum class Case {
        halftone,
    };

    // angle in radians; patternOffset and patternScale in pixels of the picture.
    static MyFilter halftone(double angle, const QPointF& patternOffset,
                             const QSizeF& patternScale) {
        return MyFilter(angle, patternOffset, patternScale);
    }

    Case filterCase() const { return Case::halftone; }
    double angle() const { return m_angle; }
    const QPointF& patternOffset() const { return m_patternOffset; }
    const QSizeF& patternScale() const { return m_patternScale; }

    // The "halftone" kernel in this library's bundle.
    static QList<sildor::SildorContext::FunctionDescriptor> functionDescriptors();

    QList<sildor::SildorContext::FunctionDescriptor> typeFunctionDescriptors() const override {
        return functionDescriptors();
    }
    void setupComputeEncoder(platform::compute::ComputeCommandEncoder& encoder,
                             sildor::SildorContext& context) const override;

    bool operator==(const MyFilter&) const = default;

private:
    MyFilter(double angle, const QPointF& patternOffset, const QSizeF& patternScale)
        : m_angle(angle), m_patternOffset(patternOffset), m_patternScale(patternScale) {}

    double m_angle;
    QPointF m_patternOffset;
    QSizeF m_patternScale;
};

} // namespace quenta
