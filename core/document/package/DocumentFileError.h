#pragma once

#include "platform/Error.h"

#include <QString>

namespace kestrom {

// The errors of reading and writing documents and picture files, in the
// platform's file error domains, each with a text that says what went wrong.
class DocumentFileError {
public:
    static const QString cocoaDomain;    // "NSCocoaErrorDomain"
    static const QString osStatusDomain; // "NSOSStatusErrorDomain"
    static const QString posixDomain;    // "NSPOSIXErrorDomain"
    static constexpr qint64 fileReadCorruptFile = 259;
    static constexpr qint64 unimplemented = -4;

    // Why a package is damaged.
    enum class Damage {
        notAFolder,
        noSettings,
        unreadableSettings,
        settingsNotDictionary,
        symbolicLink, // names the member
        tooLarge,     // names the member
        damagedPicture,
        missingPicture,
        noMemoryForPicture, // only of a picture not read
    };

    // The package cannot be opened (cocoaDomain, fileReadCorruptFile).
    static platform::Error corruptPackage(const QString& path, Damage damage,
                                          const QString& member = {});
    // A package opened without its picture, which could not be read for the
    // damage (damagedPicture, missingPicture, tooLarge or noMemoryForPicture):
    // what the user is told once it shows (cocoaDomain, fileReadCorruptFile).
    static platform::Error pictureNotRead(const QString& path, Damage damage);
    // A folder that is no document: neither named as a package nor holding
    // its settings (cocoaDomain, fileReadCorruptFile, as a package that
    // cannot be opened).
    static platform::Error notADocument(const QString& path);
    // The settings name no anchor for the picture (osStatusDomain, unimplemented).
    static platform::Error noValidAnchor();
    // A file cannot be read: posixDomain with the system's error number.
    static platform::Error unreadableFile(const QString& path, int errorNumber);
    // A file the user named is not there: posixDomain with ENOENT, saying so.
    static platform::Error missingFile(const QString& path);
    // A text given for a file that names none that can be read: a relative
    // path (relative to what the caller cannot tell), or no path or file URL
    // at all. posixDomain with EINVAL.
    static platform::Error noFileLocation(const QString& given, bool isRelativePath);
    // A document cannot be written: posixDomain with the system's error number.
    static platform::Error unsavableDocument(const QString& path, int errorNumber);
};

} // namespace kestrom
