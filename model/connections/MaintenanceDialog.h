#pragma once

#include <QObject>

namespace ambrel {

// A plug-in's own dialog for a maintenance action. The device model knows no
// widgets: the window presents the dialog as a sheet over itself and hands
// its own window object, which an implementation (built with widgets) uses
// as the sheet's parent.
class MaintenanceDialog {
public:
    virtual ~MaintenanceDialog();
    virtual void present(QObject* window) = 0;
};

} // namespace ambrel
