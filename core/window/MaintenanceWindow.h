#pragma once

class QWidget;

namespace ambrel {
struct MaintenanceAction;
}

namespace kestrom {

// What the maintenance buttons need of the window they were opened from.
class MaintenanceWindow {
public:
    virtual ~MaintenanceWindow() = default;
    // Closes the popover unless a pane is busy.
    virtual void dismissMaintenance() = 0;
    // The window sheets and dialogs of an action cover; null when closed.
    virtual QWidget* maintenanceSheetParent() = 0;
    // Runs the action with the document; false when there is no print
    // document to run it with.
    virtual bool performMaintenanceAction(const ambrel::MaintenanceAction& action) = 0;
};

} // namespace kestrom
