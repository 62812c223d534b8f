#include "core/document/package/DocumentFileError.h"

#include "core/document/job/Framework.h"
#include "core/document/job/KestromText.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>

namespace kestrom {

const QString DocumentFileError::cocoaDomain = QStringLiteral("NSCocoaErrorDomain");
const QString DocumentFileError::osStatusDomain = QStringLiteral("NSOSStatusErrorDomain");
const QString DocumentFileError::posixDomain = QStringLiteral("NSPOSIXErrorDomain");

namespace {

QString text(const char* key, const QList<platform::FormatArgument>& arguments = {}) {
    return KestromText::text(QString::fromLatin1(key), arguments);
}

QString damageKey(DocumentFileError::Damage damage) {
    using D = DocumentFileError::Damage;
    switch (damage) {
    case D::notAFolder:
        return QStringLiteral("DocumentFile_Damaged_NotAFolder");
    case D::noSettings:
        return QStringLiteral("DocumentFile_Damaged_NoSettings");
    case D::unreadableSettings:
        return QStringLiteral("DocumentFile_Damaged_UnreadableSettings");
    case D::settingsNotDictionary:
        return QStringLiteral("DocumentFile_Damaged_SettingsNotDictionary");
    case D::symbolicLink:
        return QStringLiteral("DocumentFile_Damaged_SymbolicLink");
    case D::tooLarge:
        return QStringLiteral("DocumentFile_Damaged_TooLarge");
    case D::damagedPicture:
        return QStringLiteral("DocumentFile_Damaged_Picture");
    case D::missingPicture:
        return QStringLiteral("DocumentFile_Damaged_MissingPicture");
    case D::noMemoryForPicture:
        return QStringLiteral("DocumentFile_PictureNotRead_NoMemory");
    }
    return {};
}

QString systemReason(int errorNumber) {
    return QString::fromLocal8Bit(std::strerror(errorNumber));
}

} // namespace

platform::Error DocumentFileError::corruptPackage(const QString& path, Damage damage,
                                                  const QString& member) {
    platform::Error::UserInfo info;
    info.localizedDescription = text("DocumentFile_Damaged", {QFileInfo(path).fileName()});
    info.localizedRecoverySuggestion = KestromText::text(damageKey(damage), {member});
    info.other.insert(QStringLiteral("path"), path);
    return platform::Error(cocoaDomain, fileReadCorruptFile, info);
}

platform::Error DocumentFileError::pictureNotRead(const QString& path, Damage damage) {
    const auto reason = [damage] {
        switch (damage) {
        case Damage::missingPicture:
            return "DocumentFile_PictureNotRead_Missing";
        case Damage::tooLarge:
            return "DocumentFile_PictureNotRead_TooLarge";
        case Damage::noMemoryForPicture:
            return "DocumentFile_PictureNotRead_NoMemory";
        default:
            return "DocumentFile_PictureNotRead_Damaged";
        }
    }();
    platform::Error::UserInfo info;
    info.localizedDescription = text("DocumentFile_PictureNotRead", {QFileInfo(path).fileName()});
    // What was not read stays in the package until the user decides.
    QString suggestion = text(reason);
    if (damage != Damage::missingPicture) {
        suggestion += u' ' + text("DocumentFile_PictureNotRead_Kept");
    }
    info.localizedRecoverySuggestion = suggestion;
    info.other.insert(QStringLiteral("path"), path);
    return platform::Error(cocoaDomain, fileReadCorruptFile, info);
}

platform::Error DocumentFileError::notADocument(const QString& path) {
    platform::Error::UserInfo info;
    info.localizedDescription = text("DocumentFile_NotADocument", {QFileInfo(path).fileName()});
    info.localizedRecoverySuggestion = text("DocumentFile_NotADocument_recoverySuggestion");
    info.other.insert(QStringLiteral("path"), path);
    return platform::Error(cocoaDomain, fileReadCorruptFile, info);
}

platform::Error DocumentFileError::noValidAnchor() {
    platform::Error::UserInfo info;
    info.localizedDescription = text("DocumentFile_NoAnchor");
    return platform::Error(osStatusDomain, unimplemented, info);
}

platform::Error DocumentFileError::unreadableFile(const QString& path, int errorNumber) {
    platform::Error::UserInfo info;
    info.localizedDescription =
        text("DocumentFile_CannotRead", {QFileInfo(path).fileName(), systemReason(errorNumber)});
    info.other.insert(QStringLiteral("path"), path);
    return platform::Error(posixDomain, errorNumber, info);
}

platform::Error DocumentFileError::missingFile(const QString& path) {
    platform::Error::UserInfo info;
    info.localizedDescription = text("DocumentFile_DoesNotExist", {QFileInfo(path).fileName()});
    info.localizedRecoverySuggestion = text("DocumentFile_DoesNotExist_Suggestion", {path});
    info.other.insert(QStringLiteral("path"), path);
    return platform::Error(posixDomain, ENOENT, info);
}

platform::Error DocumentFileError::noFileLocation(const QString& given, bool isRelativePath) {
    platform::Error::UserInfo info;
    info.localizedDescription =
        text(isRelativePath ? "DocumentFile_RelativePath" : "DocumentFile_NoFileLocation", {given});
    return platform::Error(posixDomain, EINVAL, info);
}

platform::Error DocumentFileError::unsavableDocument(const QString& path, int errorNumber) {
    platform::Error::UserInfo info;
    info.localizedDescription =
        text("DocumentFile_CannotSave", {QFileInfo(path).fileName(), systemReason(errorNumber)});
    info.other.insert(QStringLiteral("path"), path);
    return platform::Error(posixDomain, errorNumber, info);
}

} // namespace kestrom
