#pragma once

#include <QIcon>

namespace kestrom {

// The desktop theme's icons that the inspector's buttons show, named in one
// place. Qt's icon loader reads the theme's index and searches its folders
// the first time a name is asked for, and only the main thread may ask: the
// start asks for them all while the warm-up threads read the fonts, before
// the window is built, and the buttons then find each icon kept by name.
class ThemeIcons {
public:
    enum class Name { rotateLeft, rotateRight, flipHorizontal, undo, clear };

    static QIcon icon(Name name);
    static void lookUpAhead();
};

} // namespace kestrom
