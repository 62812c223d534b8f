#pragma once

#include "model/pictures/OffsetBasePosition.h"
#include "model/texts/RawValueEnum.h"
#include "model/units/JsonReader.h"
#include <QHashFunctions>
#include <QList>
#include <QString>
#include <optional>

namespace ambrel {

// The anchor from which the picture's offset on the canvas is measured: a
// corner, the middle of an edge or the centre. Saved and decoded by its string
// form ("topLeft", "center", ...), exposed to scripts as a four-character code
// ('obTL', 'obCe', ...).
struct OffsetBase : RawValueEnum<OffsetBase> {
    using VerticalPosition = OffsetBaseVerticalPosition;
    using HorizontalPosition = OffsetBaseHorizontalPosition;
    // The nine anchors, row by row from the top left.
    enum class Case {
        topLeft,
        top,
        topRight,
        left,
        center,
        right,
        bottomLeft,
        bottom,
        bottomRight
    };

    VerticalPosition verticalPosition = VerticalPosition::top;
    HorizontalPosition horizontalPosition = HorizontalPosition::left;

    constexpr OffsetBase() = default;
    constexpr OffsetBase(VerticalPosition vertical, HorizontalPosition horizontal)
        : verticalPosition(vertical), horizontalPosition(horizontal) {}
    constexpr OffsetBase(Case c)
        : verticalPosition(VerticalPosition(int(c) / 3)),
          horizontalPosition(HorizontalPosition(int(c) % 3)) {}
    constexpr Case value() const {
        return Case(int(verticalPosition) * 3 + int(horizontalPosition));
    }

    static const OffsetBase topLeft;
    static const OffsetBase top;
    static const OffsetBase topRight;
    static const OffsetBase left;
    static const OffsetBase center;
    static const OffsetBase right;
    static const OffsetBase bottomLeft;
    static const OffsetBase bottom;
    static const OffsetBase bottomRight;

    // The string forms of the nine anchors, in the order of their cases.
    static const QStringList& rawValues();

    // Always present for the nine anchors.
    std::optional<qint32> fourCharCode() const;
    static std::optional<OffsetBase> fromFourCharCode(qint32 code);

    // The name of the arrow symbol shown beside the menu title.
    QString systemSymbolName() const;
    // "OffsetBase_menuTitleWithoutArrow_<string form>" in this library's
    // table, else that key. Looked up at every call.
    QString menuTitle() const;
    QString debugDescription() const { return rawValue(); }

    // A string form; any other string fails with dataCorrupted.
    static OffsetBase decode(const JsonReader& reader);
    QString encode() const { return rawValue(); }

    bool operator==(const OffsetBase&) const = default;
};

inline constexpr OffsetBase OffsetBase::topLeft{VerticalPosition::top, HorizontalPosition::left};
inline constexpr OffsetBase OffsetBase::top{VerticalPosition::top, HorizontalPosition::middle};
inline constexpr OffsetBase OffsetBase::topRight{VerticalPosition::top, HorizontalPosition::right};
inline constexpr OffsetBase OffsetBase::left{VerticalPosition::middle, HorizontalPosition::left};
inline constexpr OffsetBase OffsetBase::center{VerticalPosition::middle,
                                               HorizontalPosition::middle};
inline constexpr OffsetBase OffsetBase::right{VerticalPosition::middle, HorizontalPosition::right};
inline constexpr OffsetBase OffsetBase::bottomLeft{VerticalPosition::bottom,
                                                   HorizontalPosition::left};
inline constexpr OffsetBase OffsetBase::bottom{VerticalPosition::bottom,
                                               HorizontalPosition::middle};
inline constexpr OffsetBase OffsetBase::bottomRight{VerticalPosition::bottom,
                                                    HorizontalPosition::right};

} // namespace ambrel
