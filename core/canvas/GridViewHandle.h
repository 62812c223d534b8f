#pragma once

#include <QList>

namespace kestrom {

// The hit targets of the selection frame: eight resize handles and the
// picture itself (a press that hits no handle moves the picture).
enum class GridViewHandle {
    bottomRight = 0,
    topRight = 1,
    topLeft = 2,
    bottomLeft = 3,
    middleRight = 4,
    middleLeft = 5,
    topMiddle = 6,
    bottomMiddle = 7,
    image = 8,
};

inline const QList<GridViewHandle>& allResizeHandles() {
    static const QList<GridViewHandle> handles{
        GridViewHandle::bottomRight, GridViewHandle::topRight,    GridViewHandle::topLeft,
        GridViewHandle::bottomLeft,  GridViewHandle::middleRight, GridViewHandle::middleLeft,
        GridViewHandle::topMiddle,   GridViewHandle::bottomMiddle};
    return handles;
}

} // namespace kestrom
