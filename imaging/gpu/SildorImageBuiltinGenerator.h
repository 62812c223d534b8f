#pragma once

#include "imaging/gpu/SildorImageGenerator.h"

namespace sildor {

// The graphics library's own generator: every pixel one gray value.
class SildorImageBuiltinGenerator : public SildorImageGenerator {
public:
    enum class Case {
        solidColor,
    };

    static SildorImageBuiltinGenerator solidColor(double color) {
        return SildorImageBuiltinGenerator(color);
    }

    Case generatorCase() const { return Case::solidColor; }
    double color() const { return m_color; }
    QString kernelName() const { return QStringLiteral("solidColor"); }

    // Where this type's kernel is looked up; see SildorImageBuiltinFilter.
    static const platform::Bundle* bundle();
    static void setBundle(const platform::Bundle* bundle);
    static QList<SildorContext::FunctionDescriptor> functionDescriptors();

    QList<SildorContext::FunctionDescriptor> typeFunctionDescriptors() const override {
        return functionDescriptors();
    }
    void setupComputeEncoder(platform::compute::ComputeCommandEncoder& encoder,
                             SildorContext& context) const override;

    bool operator==(const SildorImageBuiltinGenerator&) const = default;

private:
    explicit SildorImageBuiltinGenerator(double color) : m_color(color) {}

    double m_color;
};

} // namespace sildor
