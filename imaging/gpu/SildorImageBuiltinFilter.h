#pragma once

#include "imaging/gpu/SildorImageFilter.h"

#include <QtGlobal>

#include <optional>

namespace sildor {

// The graphics library's own gray filters. Parameters are fractions of full
// scale (0 black, 1 white) and reach their kernels as 32-bit values.
class SildorImageBuiltinFilter : public SildorImageFilter {
public:
    enum class Case {
        level,
        gamma,
        threshold,
        gaussianBlur,
        rotate90,
    };

    enum class Axis : qint64 {
        x = 0,
        y = 1,
    };
    // None for a raw value that names no axis.
    static std::optional<Axis> axis(qint64 rawValue);

    // (s - blackLevel) / (whiteLevel - blackLevel).
    static SildorImageBuiltinFilter level(double blackLevel, double whiteLevel);
    // s to the power gamma.
    static SildorImageBuiltinFilter gamma(double gamma);
    // White above the value, black at or below it.
    static SildorImageBuiltinFilter threshold(double value);
    // A Gaussian blur along one axis with sigma = radius.
    static SildorImageBuiltinFilter gaussianBlur(Axis axis, double radius);
    // Quarter turns clockwise.
    static SildorImageBuiltinFilter rotate90(qint64 turnCount);

    Case filterCase() const { return m_case; }
    double blackLevel() const { return m_first; }
    double whiteLevel() const { return m_second; }
    double gammaValue() const { return m_first; }
    double thresholdValue() const { return m_first; }
    Axis blurAxis() const { return m_axis; }
    double radius() const { return m_first; }
    qint64 turnCount() const { return m_turnCount; }

    QString kernelName() const;

    // Where this type's kernels are looked up. Starts as the graphics
    // library's bundle; assigning another redirects every later look-up.
    static const platform::Bundle* bundle();
    static void setBundle(const platform::Bundle* bundle);
    // "level", "gamma", "threshold", "gaussianBlur", "rotate90" in the current bundle.
    static QList<SildorContext::FunctionDescriptor> functionDescriptors();

    QList<SildorContext::FunctionDescriptor> typeFunctionDescriptors() const override {
        return functionDescriptors();
    }
    void setupComputeEncoder(platform::compute::ComputeCommandEncoder& encoder,
                             SildorContext& context) const override;

    bool operator==(const SildorImageBuiltinFilter& other) const;

private:
    explicit SildorImageBuiltinFilter(Case c) : m_case(c) {}

    Case m_case;
    double m_first = 0;
    double m_second = 0;
    Axis m_axis = Axis::x;
    qint64 m_turnCount = 0;
};

} // namespace sildor
