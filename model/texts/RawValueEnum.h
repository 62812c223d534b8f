#pragma once

#include <QHashFunctions>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace ambrel {

// What every enum with a string form shares. `Derived` declares its string
// forms once, in the order of its cases (`static const QStringList&
// rawValues()`), is made from its `Case` and tells it by `value()`; the
// lookup both ways, the list of cases and the hash come from here.
template <typename Derived> class RawValueEnum {
public:
    // Exactly one of the string forms (case-sensitive); anything else makes
    // nothing.
    static std::optional<Derived> fromRawValue(const QString& rawValue) {
        const qsizetype index = Derived::rawValues().indexOf(rawValue);
        if (index < 0) {
            return std::nullopt;
        }
        return Derived(typename Derived::Case(index));
    }

    // Every case, in declaration order.
    static const QList<Derived>& allCases() {
        static const QList<Derived> cases = [] {
            QList<Derived> all;
            for (qsizetype i = 0; i < Derived::rawValues().size(); ++i) {
                all.append(Derived(typename Derived::Case(i)));
            }
            return all;
        }();
        return cases;
    }

    QString rawValue() const {
        return Derived::rawValues().at(int(static_cast<const Derived&>(*this).value()));
    }

    // Holds nothing, so an enum's defaulted comparison compares its case only.
    constexpr bool operator==(const RawValueEnum&) const = default;

    friend size_t qHash(const Derived& value, size_t seed = 0) {
        return ::qHash(int(value.value()), seed);
    }
};

} // namespace ambrel
