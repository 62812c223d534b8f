#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace dari {

// The udev rule that gives the stencil device to the user at the seat (its
// uaccess tag): whether udev has it, and where the copy that comes with the
// program lies. Looked at when it is asked, so that a rule installed while
// the program runs counts at once.
class UdevRule {
public:
    static const QString fileName; // "60-lunvik-stencil-device.rules"

    struct Places {
        // The folders udev reads rules from, first the administrator's own.
        QStringList udevFolders;
        // Where the program's own copy lies: the rules folder of the prefix
        // it is installed below (or of the build it runs from), which udev
        // need not read.
        QString shippedFolder;
    };
    // Those of this system and program.
    static Places systemPlaces();
    // Replaces the places looked at, for tests; nothing goes back to the
    // system's. Any thread.
    static void setPlaces(const std::optional<Places>& places);

    // The rule udev reads, else nothing.
    static std::optional<QString> installed();
    // The program's own copy, else nothing.
    static std::optional<QString> shipped();
};

} // namespace dari
