#pragma once

#include "model/texts/RawValueEnum.h"
#include "model/units/JsonReader.h"
#include <QHashFunctions>
#include <QString>
#include <optional>

namespace ambrel {

// The wording a model uses for its print commands.
class PrintVerb : public RawValueEnum<PrintVerb> {
public:
    enum class Case { print, lunvik };

    static const PrintVerb print;
    static const PrintVerb lunvik;

    constexpr PrintVerb(Case c = Case::print) : m_case(c) {}
    // "print" and "lunvik".
    static const QStringList& rawValues();

    constexpr operator Case() const { return m_case; }
    constexpr Case value() const { return m_case; }

    // Decoded from its raw value; other strings fail with dataCorrupted.
    static PrintVerb decode(const JsonReader& reader);

    constexpr bool operator==(const PrintVerb&) const = default;

private:
    Case m_case;
};

inline constexpr PrintVerb PrintVerb::print{Case::print};
inline constexpr PrintVerb PrintVerb::lunvik{Case::lunvik};

} // namespace ambrel
