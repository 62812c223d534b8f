#pragma once

#include "platform/KeyboardModifiers.h"

#include <QObject>

namespace kestrom {

// Tells platform::KeyboardModifiers which keys are held, from the toolkit:
// on the main thread as the windowing system reports them now, on other
// threads (a print run checking its debug chord) as the last key or mouse
// event left them. Alt is Option, the logo key (Meta) is Command.
class KeyboardModifierSource : public QObject {
    Q_OBJECT

public:
    // For the whole process, once the application object exists; a second
    // call while the first source lives does nothing.
    static void install();
    static platform::KeyboardModifiers::Flags fromToolkit(Qt::KeyboardModifiers modifiers);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit KeyboardModifierSource(QObject* parent);
};

} // namespace kestrom
