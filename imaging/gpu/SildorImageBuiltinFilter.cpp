#include "imaging/gpu/SildorImageBuiltinFilter.h"

#include "imaging/gpu/SildorImageFunctionParameter.h"
#include "imaging/gpu/SildorImageResources.h"
#include "platform/compute/ComputeCommandEncoder.h"

#include <atomic>

namespace sildor {

namespace {

std::atomic<const platform::Bundle*>& assignedBundle() {
    static std::atomic<const platform::Bundle*> b{nullptr};
    return b;
}

template <class T>
void setParameter(platform::compute::ComputeCommandEncoder& encoder, const T& value,
                  std::size_t index) {
    const auto v = metalValue(value);
    encoder.setBytes(&v, sizeof(v), index);
}

} // namespace

std::optional<SildorImageBuiltinFilter::Axis> SildorImageBuiltinFilter::axis(qint64 rawValue) {
    if (rawValue == 0) {
        return Axis::x;
    }
    if (rawValue == 1) {
        return Axis::y;
    }
    return std::nullopt;
}

SildorImageBuiltinFilter SildorImageBuiltinFilter::level(double blackLevel, double whiteLevel) {
    SildorImageBuiltinFilter f(Case::level);
    f.m_first = blackLevel;
    f.m_second = whiteLevel;
    return f;
}

SildorImageBuiltinFilter SildorImageBuiltinFilter::gamma(double gamma) {
    SildorImageBuiltinFilter f(Case::gamma);
    f.m_first = gamma;
    return f;
}

SildorImageBuiltinFilter SildorImageBuiltinFilter::threshold(double value) {
    SildorImageBuiltinFilter f(Case::threshold);
    f.m_first = value;
    return f;
}

SildorImageBuiltinFilter SildorImageBuiltinFilter::gaussianBlur(Axis axis, double radius) {
    SildorImageBuiltinFilter f(Case::gaussianBlur);
    f.m_axis = axis;
    f.m_first = radius;
    return f;
}

SildorImageBuiltinFilter SildorImageBuiltinFilter::rotate90(qint64 turnCount) {
    SildorImageBuiltinFilter f(Case::rotate90);
    f.m_turnCount = turnCount;
    return f;
}

QString SildorImageBuiltinFilter::kernelName() const {
    switch (m_case) {
    case Case::level:
        return QStringLiteral("level");
    case Case::gamma:
        return QStringLiteral("gamma");
    case Case::threshold:
        return QStringLiteral("threshold");
    case Case::gaussianBlur:
        return QStringLiteral("gaussianBlur");
    case Case::rotate90:
        return QStringLiteral("rotate90");
    }
    return {};
}

const platform::Bundle* SildorImageBuiltinFilter::bundle() {
    const platform::Bundle* b = assignedBundle().load();
    return b != nullptr ? b : SildorImageResources::bundle();
}

void SildorImageBuiltinFilter::setBundle(const platform::Bundle* bundle) {
    assignedBundle().store(bundle);
}

QList<SildorContext::FunctionDescriptor> SildorImageBuiltinFilter::functionDescriptors() {
    const platform::Bundle* b = bundle();
    QList<SildorContext::FunctionDescriptor> list;
    for (const char* name : {"level", "gamma", "threshold", "gaussianBlur", "rotate90"}) {
        list.append({b, QString::fromLatin1(name)});
    }
    return list;
}

void SildorImageBuiltinFilter::setupComputeEncoder(
    platform::compute::ComputeCommandEncoder& encoder, SildorContext& context) const {
    encoder.setComputePipelineState(context.pipelineState({bundle(), kernelName()}));
    switch (m_case) {
    case Case::level:
        setParameter(encoder, m_first, 0);
        setParameter(encoder, m_second, 1);
        break;
    case Case::gamma:
    case Case::threshold:
        setParameter(encoder, m_first, 0);
        break;
    case Case::gaussianBlur:
        setParameter(encoder, m_axis, 0);
        setParameter(encoder, m_first, 1);
        break;
    case Case::rotate90:
        setParameter(encoder, m_turnCount, 0);
        break;
    }
}

bool SildorImageBuiltinFilter::operator==(const SildorImageBuiltinFilter& other) const {
    if (m_case != other.m_case) {
        return false;
    }
    switch (m_case) {
    case Case::level:
        return m_first == other.m_first && m_second == other.m_second;
    case Case::gamma:
    case Case::threshold:
        return m_first == other.m_first;
    case Case::gaussianBlur:
        return m_axis == other.m_axis && m_first == other.m_first;
    case Case::rotate90:
        return m_turnCount == other.m_turnCount;
    }
    return false;
}

} // namespace sildor
