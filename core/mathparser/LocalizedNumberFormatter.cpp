#include "core/mathparser/LocalizedNumberFormatter.h"

#include <algorithm>

namespace kestrom {

LocalizedNumberFormatter::LocalizedNumberFormatter(const QLocale& locale) : m_locale(locale) {
    m_locale.setNumberOptions(m_locale.numberOptions() | QLocale::RejectGroupSeparator);
}

std::optional<double> LocalizedNumberFormatter::number(const QString& text) const {
    // The locale's reader would skip surrounding white space; a number token never holds any.
    if (text.isEmpty() ||
        std::any_of(text.begin(), text.end(), [](QChar c) { return c.isSpace(); })) {
        return std::nullopt;
    }
    bool ok = false;
    const double value = m_locale.toDouble(text, &ok);
    if (!ok) {
        return std::nullopt;
    }
    return value;
}

} // namespace kestrom
