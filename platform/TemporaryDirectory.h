#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

namespace platform {

// The application's temporary folders. They live in a folder only this user
// can enter: the XDG runtime folder, or else a folder of mode 0700 in the
// system's temporary folder; then the bundle identifier, then the subpath.
class TemporaryDirectory {
public:
    // The private per-user folder; made (0700) when it is the fallback.
    // Throws platform::Error when no private folder can be had (the fallback
    // exists but belongs to someone else or is open to others).
    static QString privateRoot();
    // <private root>/<bundle identifier>[/<subpath>]; creates nothing.
    static QString pathForApplicationTemporaryDirectory(const std::optional<QString>& subpath = {});
    static QUrl urlForApplicationTemporaryDirectory(const std::optional<QString>& subpath = {});
    // Creates the folder with its missing parents; throws platform::Error.
    static void createDirectory(const QString& path);
    // Writes the data into a new file in the folder under the file name (its
    // last path component), or, when that name is taken, "<base> 2.<ext>",
    // "<base> 3.<ext>", ...; never replaces a file. Returns the new file's
    // path; throws platform::Error when it cannot be written.
    static QString writeNewFile(const QString& folder, const QString& fileName,
                                const QByteArray& data);
};

} // namespace platform
