#include "core/mathparser/BuiltInOperator.h"

#include <QHash>

#include <array>

namespace kestrom {

namespace {

const std::array<const char*, builtInOperatorCount>& rawValues() {
    static const std::array<const char*, builtInOperatorCount> values = {
        "l_or",
        "l_and",
        "l_not",
        "l_eq",
        "l_neq",
        "l_lt",
        "l_gt",
        "l_ltoe",
        "l_gtoe",
        "or",
        "xor",
        "and",
        "lshift",
        "rshift",
        "subtract",
        "add",
        "divide",
        "multiply",
        "implicitMultiply",
        "mod",
        "not",
        "factorial",
        "factorial2",
        "dtor",
        "percent",
        "pow",
        "open_paren",
        "close_paren",
        "comma",
        "negate",
        "positive",
        "sqrt",
        "cuberoot",
    };
    return values;
}

} // namespace

QString rawValue(BuiltInOperator op) {
    return QString::fromLatin1(rawValues()[size_t(op)]);
}

std::optional<BuiltInOperator> builtInOperatorFromRawValue(const QString& raw) {
    static const QHash<QString, BuiltInOperator> byValue = [] {
        QHash<QString, BuiltInOperator> table;
        for (int i = 0; i < builtInOperatorCount; ++i) {
            table.insert(QString::fromLatin1(rawValues()[size_t(i)]), BuiltInOperator(i));
        }
        return table;
    }();
    const auto found = byValue.constFind(raw);
    if (found == byValue.constEnd()) {
        return std::nullopt;
    }
    return *found;
}

} // namespace kestrom
