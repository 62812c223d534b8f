#pragma once

#include "model/units/JsonReader.h"

#include <QHashFunctions>

#include <optional>

namespace ambrel {

// A turn of the picture by a whole number of quarters, clockwise.
class ImageRotation {
public:
    enum class Case { none = 0, r90 = 1, r180 = 2, r270 = 3 };

    static const ImageRotation none;
    static const ImageRotation r90;
    static const ImageRotation r180;
    static const ImageRotation r270;

    constexpr ImageRotation(Case c = Case::none) : m_case(c) {}
    // 0 to 3; any other number makes nothing.
    static std::optional<ImageRotation> fromRawValue(qint64 rawValue);

    constexpr operator Case() const { return m_case; }
    constexpr int rawValue() const { return int(m_case); }
    int degrees() const { return rawValue() * 90; }
    double radians() const;

    ImageRotation rotatedClockwise() const { return Case((rawValue() + 1) % 4); }
    ImageRotation rotatedCounterclockwise() const { return Case((rawValue() + 3) % 4); }
    // The turn that undoes this one.
    ImageRotation reversed() const { return Case((4 - rawValue()) % 4); }
    bool isWidthHeightFlipped() const { return rawValue() % 2 == 1; }

    void rotateClockwise() { *this = rotatedClockwise(); }
    void rotateCounterclockwise() { *this = rotatedCounterclockwise(); }

    // Encoded as its raw value; other numbers fail with dataCorrupted.
    static ImageRotation decode(const JsonReader& reader);

    constexpr bool operator==(const ImageRotation&) const = default;
    friend size_t qHash(ImageRotation r, size_t seed = 0) { return ::qHash(r.rawValue(), seed); }

private:
    Case m_case;
};

inline constexpr ImageRotation ImageRotation::none{Case::none};
inline constexpr ImageRotation ImageRotation::r90{Case::r90};
inline constexpr ImageRotation ImageRotation::r180{Case::r180};
inline constexpr ImageRotation ImageRotation::r270{Case::r270};

} // namespace ambrel
