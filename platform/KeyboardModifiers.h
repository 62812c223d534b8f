#pragma once

#include <QFlags>

#include <functional>

namespace platform {

// The modifier keys held right now, for code that runs away from the user
// interface (a print run on a worker thread checking a debug key chord). The
// application supplies the source from its toolkit; until it does, no key
// counts as held.
class KeyboardModifiers {
public:
    enum Modifier {
        shift = 0x1,
        control = 0x2,
        option = 0x4,  // Alt
        command = 0x8, // Meta (the logo key)
    };
    Q_DECLARE_FLAGS(Flags, Modifier)

    using Source = std::function<Flags()>;

    static Flags current();
    // Thread-safe; an empty source means no keys are held.
    static void setSource(Source source);
};

Q_DECLARE_OPERATORS_FOR_FLAGS(KeyboardModifiers::Flags)

} // namespace platform
