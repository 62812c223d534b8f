#pragma once

class QWidget;

namespace kestrom {

// The widget a new alert of a window goes on. While a sheet of the window
// shows (the progress sheet of a run, a file panel), an alert made a sheet
// of the window itself would block that sheet and leave the keys with the
// window it blocks too: nothing would answer them until a click. Put on the
// sheet in front, it takes the keys as it appears.
class SheetParent {
public:
    // The window's modal sheet in front, else the window.
    static QWidget* of(QWidget* window);
};

} // namespace kestrom
