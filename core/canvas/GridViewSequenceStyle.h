#pragma once

#include "model/units/Rect_mm.h"

#include <QColor>
#include <QString>

namespace kestrom {

// The look and texts of one print-sequence outline: a hue that steps round
// the colour circle from one sequence to the next, the number shown, and the
// tool tip from the string table's template.
class GridViewSequenceStyle {
public:
    // sequence x 0.42, less whole turns, keeping the sign of the sequence.
    static double hue(qint64 sequence);
    static QColor backgroundColor(qint64 sequence, bool hovered);
    static QColor borderColor(qint64 sequence);
    static QColor labelBackgroundColor(qint64 sequence);
    // The number shown: the sequence counted from 1.
    static QString labelText(qint64 sequence);
    // The template filled with the number and the rectangle's width and
    // height; empty when the string table has no template.
    static QString toolTip(qint64 sequence, const ambrel::Rect_mm& sourceRect_mm);
    static QString toolTip(const QString& templateText, qint64 sequence,
                           const ambrel::Rect_mm& sourceRect_mm);
};

} // namespace kestrom
