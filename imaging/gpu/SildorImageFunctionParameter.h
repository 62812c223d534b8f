#pragma once

#include "platform/Log.h"

#include <QList>
#include <QPointF>
#include <QSizeF>

#include <concepts>
#include <cstdint>
#include <limits>
#include <type_traits>
#include <vector>

namespace sildor {

// How a host value becomes the value a kernel receives. Each specialization
// names the kernel's type (MetalValue) and converts to it.
template <class T> struct SildorImageFunctionParameter;

// Types that kernels receive as they are.
template <class T> struct SildorImageFunctionParameterWithoutConversion {
    using MetalValue = T;
    static MetalValue metalValue(const T& value) { return value; }
};

template <>
struct SildorImageFunctionParameter<float> : SildorImageFunctionParameterWithoutConversion<float> {
};
template <>
struct SildorImageFunctionParameter<std::int32_t>
    : SildorImageFunctionParameterWithoutConversion<std::int32_t> {};
template <>
struct SildorImageFunctionParameter<std::uint32_t>
    : SildorImageFunctionParameterWithoutConversion<std::uint32_t> {};
template <>
struct SildorImageFunctionParameter<bool> : SildorImageFunctionParameterWithoutConversion<bool> {};

// Real numbers go to the nearest 32-bit float.
template <> struct SildorImageFunctionParameter<double> {
    using MetalValue = float;
    static MetalValue metalValue(double value) { return float(value); }
};

// Whole numbers are passed as 32-bit signed integers; a value outside that
// range is a programming error.
template <class T>
requires(std::signed_integral<T> && sizeof(T) == 8) struct SildorImageFunctionParameter<T> {
    using MetalValue = std::int32_t;
    static MetalValue metalValue(T value) {
        if (value < std::numeric_limits<std::int32_t>::min() ||
            value > std::numeric_limits<std::int32_t>::max()) {
            platform::Log::fatal(
                QStringLiteral("kernel parameter %1 does not fit in 32 bits").arg(value));
        }
        return std::int32_t(value);
    }
};

// Two 32-bit floats, as a kernel's float2.
struct SildorFloat2 {
    float x = 0;
    float y = 0;
    bool operator==(const SildorFloat2&) const = default;
};

template <> struct SildorImageFunctionParameter<QPointF> {
    using MetalValue = SildorFloat2;
    static MetalValue metalValue(const QPointF& p) { return {float(p.x()), float(p.y())}; }
};

template <> struct SildorImageFunctionParameter<QSizeF> {
    using MetalValue = SildorFloat2;
    static MetalValue metalValue(const QSizeF& s) { return {float(s.width()), float(s.height())}; }
};

// A closed range (lowerBound ... upperBound) of a scalar parameter: its two ends.
template <class T>
requires requires(const T& r) {
    r.lowerBound;
    r.upperBound;
    requires std::is_arithmetic_v<typename SildorImageFunctionParameter<
        std::remove_cvref_t<decltype(r.lowerBound)>>::MetalValue>;
}
struct SildorImageFunctionParameter<T> {
    using Bound = std::remove_cvref_t<decltype(std::declval<T>().lowerBound)>;
    using Scalar = typename SildorImageFunctionParameter<Bound>::MetalValue;
    struct MetalValue {
        Scalar lower;
        Scalar upper;
        bool operator==(const MetalValue&) const = default;
    };
    static MetalValue metalValue(const T& r) {
        return {SildorImageFunctionParameter<Bound>::metalValue(r.lowerBound),
                SildorImageFunctionParameter<Bound>::metalValue(r.upperBound)};
    }
};

// Enumerations travel as their raw value.
template <class T>
requires std::is_enum_v<T>
struct SildorImageFunctionParameter<T> {
    using Raw = std::underlying_type_t<T>;
    using MetalValue = typename SildorImageFunctionParameter<Raw>::MetalValue;
    static MetalValue metalValue(T value) {
        return SildorImageFunctionParameter<Raw>::metalValue(Raw(value));
    }
};

// A list of parameters: each element's value, in order.
template <class T> struct SildorImageFunctionParameter<std::vector<T>> {
    using MetalValue = std::vector<typename SildorImageFunctionParameter<T>::MetalValue>;
    static MetalValue metalValue(const std::vector<T>& values) {
        MetalValue out;
        out.reserve(values.size());
        for (const T& v : values) {
            out.push_back(SildorImageFunctionParameter<T>::metalValue(v));
        }
        return out;
    }
};

template <class T> struct SildorImageFunctionParameter<QList<T>> {
    using MetalValue = std::vector<typename SildorImageFunctionParameter<T>::MetalValue>;
    static MetalValue metalValue(const QList<T>& values) {
        MetalValue out;
        out.reserve(values.size());
        for (const T& v : values) {
            out.push_back(SildorImageFunctionParameter<T>::metalValue(v));
        }
        return out;
    }
};

template <class T> auto metalValue(const T& value) {
    return SildorImageFunctionParameter<T>::metalValue(value);
}

// The byte size of the value a kernel receives.
template <class T> constexpr std::size_t metalValueLength() {
    return sizeof(typename SildorImageFunctionParameter<T>::MetalValue);
}

} // namespace sildor
