#pragma once

#include <QIcon>

namespace kestrom {

// The toolbar's symbols: our SVG drawings, painted in the given colour so
// they follow a light or dark palette.
class ToolbarIcon {
public:
    static QIcon make(const QString& name, const QColor& color);
};

} // namespace kestrom
