#pragma once

#include <QList>
#include <QPointer>

#include <memory>

class QMessageBox;
class QWidget;

namespace platform {
class Error;
}

namespace kestrom {

// The one alert that tells the user of files other programs handed over
// that were not opened: how many, and why. A call whose files did not all
// open shows it; while it shows, later calls add to it rather than opening
// alerts of their own, so that no program covers the screen with them.
// Main thread only.
class ScriptedOpenAlert {
public:
    // What became of the files of one call.
    struct Outcome {
        int handedOver = 0;
        // Over the limits for other programs' windows.
        int refused = 0;
        // Why each file that was tried did not open.
        QList<std::shared_ptr<const platform::Error>> failures;
    };

    // Shows the outcome over the window (application-modal without one),
    // or adds it to the alert that shows. An outcome where everything
    // opened shows nothing.
    void tell(const Outcome& outcome, QWidget* window);
    // The alert while it shows.
    QMessageBox* showing() const;

    // The alert's texts for what did not open: a single file's own error
    // when it was the only one, else how many and why.
    static platform::Error describe(const Outcome& outcome);
    // At most this many reasons are listed; the rest are counted.
    static constexpr int listedFailures = 5;

private:
    QPointer<QMessageBox> m_box;
    Outcome m_shown;
};

} // namespace kestrom
