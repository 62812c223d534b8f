#pragma once

// How a plain setting of the print document is read and written: as a key
// face (valueForKey/setValueForKey), in a saved package, and when a setter
// brings a value into its bounds. One struct per kind of setting; the rows of
// PrintDocumentPropertyTable.h name them.

#include "core/document/job/OptionValue.h"
#include "core/document/job/PackageValue.h"
#include "core/document/job/PlacementLimits.h"
#include "model/parameters/AnyValue.h"
#include "model/pictures/ImageRotation.h"

#include <QVariant>

#include <algorithm>
#include <cmath>
#include <optional>

namespace kestrom::SettingFace {

// A quarter turn: its raw number.
struct Rotation {
    using Type = ambrel::ImageRotation;
    static QVariant read(Type value) { return value.rawValue(); }
    static std::optional<Type> write(const QVariant& value) {
        const auto raw = OptionValue::wholeNumber(value);
        return raw ? Type::fromRawValue(*raw) : std::nullopt;
    }
    static QVariant save(Type value) { return qint64(value.rawValue()); }
    static std::optional<Type> load(const QVariant& value) {
        const auto raw = PackageValue::integer(value);
        // A number that names no turn means no turn.
        return raw ? Type::fromRawValue(*raw).value_or(Type::none) : std::optional<Type>();
    }
    static std::optional<Type> fit(Type value, double, double) { return value; }
};

struct Switch {
    using Type = bool;
    static QVariant read(bool value) { return value; }
    static std::optional<bool> write(const QVariant& value) {
        if (value.typeId() == QMetaType::Bool) {
            return value.toBool();
        }
        if (ambrel::AnyValue::isNumber(value)) {
            return value.toDouble() != 0;
        }
        return std::nullopt;
    }
    static QVariant save(bool value) { return value; }
    static std::optional<bool> load(const QVariant& value) { return PackageValue::boolean(value); }
    static std::optional<bool> fit(bool value, double, double) { return value; }
};

struct Count {
    using Type = qint64;
    static QVariant read(qint64 value) { return value; }
    static std::optional<qint64> write(const QVariant& value) {
        return OptionValue::wholeNumber(value);
    }
    static QVariant save(qint64 value) { return value; }
    static std::optional<qint64> load(const QVariant& value) {
        return PackageValue::integer(value);
    }
    static std::optional<qint64> fit(qint64 value, double lower, double upper) {
        return std::clamp<qint64>(value, qint64(lower), qint64(upper));
    }
};

struct Length {
    using Type = double;
    static QVariant read(double value) { return value; }
    static std::optional<double> write(const QVariant& value) {
        return OptionValue::finiteNumber(value);
    }
    static QVariant save(double value) { return value; }
    // Not finite passes through: the setter refuses it.
    static std::optional<double> load(const QVariant& value) { return PackageValue::real(value); }
    // The maximum first, then the minimum.
    static std::optional<double> fit(double value, double lower, double upper) {
        if (!std::isfinite(value)) {
            return std::nullopt;
        }
        if (value > upper) {
            value = upper;
        }
        if (value < lower) {
            value = lower;
        }
        return value;
    }
};

// A gap between repeats: a saved one is brought into the window's range.
struct Margin : Length {
    static std::optional<double> load(const QVariant& value) {
        const auto margin = PackageValue::real(value);
        if (!margin) {
            return std::nullopt;
        }
        return std::isfinite(*margin)
                   ? std::clamp(*margin, 0.0, PlacementLimits::repeatMarginMax_mm)
                   : 0.0;
    }
};

} // namespace kestrom::SettingFace
