#pragma once

#include <QString>

class QMenu;
class QMenuBar;
class QObject;

namespace kestrom {

class AppDelegate;

// The application's main menu: the application, File, Edit, Picture, View
// and Help menus.
// Titles carry the placeholder "Kestrom" until the delegate renames them
// after the application.
class MainMenu {
public:
    static QMenuBar* make(AppDelegate& delegate);

    // Replaces "Kestrom" (case-sensitive) by the name in every top-level
    // title, its menu's title and the titles directly in that menu; deeper
    // menus keep theirs.
    static void rename(QMenuBar& menuBar, const QString& applicationName);

    static const QString placeholder;
};

} // namespace kestrom
