#pragma once

#include "model/descriptions/DeviceDescriptor.h"
#include "platform/Error.h"

#include <QString>

#include <functional>
#include <memory>

namespace platform {
class Progress;
}

namespace kestrom {

// What a device run needs of the window it runs over: the progress sheet,
// the alerts and the error presentation. The window side implements it with
// widgets; tests implement it with records.
class RunPresenter {
public:
    virtual ~RunPresenter() = default;

    // Shows the progress sheet for the run's progress (window-modal).
    virtual void showProgressSheet(const QString& title,
                                   const std::shared_ptr<platform::Progress>& progress) = 0;
    virtual void dismissProgressSheet() = 0;

    // False when the view is not in a window: errors are then presented
    // without a sheet and without a beep.
    virtual bool hasWindow() const = 0;
    virtual void beep() = 0;
    // Presents the error as a sheet of the window, or on its own without one.
    virtual void presentError(const platform::Error& error) = 0;

    // Asks whether scripts may drive the device; the answer arrives later,
    // on the main thread: accepted, and whether to accept always.
    virtual void askScriptingAcceptance(std::function<void(bool accepted, bool always)> answer) = 0;

    // The alert after a successful print; done is called once it is closed.
    virtual void showCompletionAlert(const ambrel::DeviceDescriptor::CompletionAlertInfo& info,
                                     std::function<void()> done) = 0;
};

} // namespace kestrom
