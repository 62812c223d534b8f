#pragma once

#include <QString>

#include <concepts>
#include <cstdint>
#include <limits>
#include <optional>

namespace ambrel {

// Whether bit `index` (0 = least significant) is set; positions at or beyond
// the integer's width give false.
template <std::integral T> constexpr bool hasBitFlag(T value, int index) {
    if (index < 0 || index >= std::numeric_limits<std::make_unsigned_t<T>>::digits) {
        return false;
    }
    using U = std::make_unsigned_t<T>;
    return (U(value) & (U(1) << index)) != 0;
}

// (upper << 8) | lower.
template <std::integral T> constexpr T fromUpperLower(std::uint8_t upper, std::uint8_t lower) {
    return T((T(upper) << 8) | T(lower));
}

// The high byte of a 16-bit value of 0 or more.
constexpr std::uint8_t upperByte(std::int16_t value) {
    return std::uint8_t(value >> 8);
}

// Four ASCII characters packed with the first in the most significant byte
// ("abcd" gives 0x61626364); any other text gives nothing.
inline std::optional<std::int32_t> fromFourCharString(const QString& text) {
    if (text.size() != 4) {
        return std::nullopt;
    }
    std::uint32_t code = 0;
    for (QChar c : text) {
        if (c.unicode() > 0x7F) {
            return std::nullopt;
        }
        code = (code << 8) | c.unicode();
    }
    return std::int32_t(code);
}

} // namespace ambrel
