#include "transport/dari/UdevRule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <mutex>

namespace dari {

const QString UdevRule::fileName = QStringLiteral("60-lunvik-stencil-device.rules");

namespace {

std::mutex& placesMutex() {
    static std::mutex mutex;
    return mutex;
}

std::optional<UdevRule::Places>& replacedPlaces() {
    static std::optional<UdevRule::Places> places;
    return places;
}

UdevRule::Places currentPlaces() {
    const std::lock_guard lock(placesMutex());
    return replacedPlaces() ? *replacedPlaces() : UdevRule::systemPlaces();
}

std::optional<QString> ruleIn(const QString& folder) {
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    const QFileInfo rule(QDir(folder).filePath(UdevRule::fileName));
    if (!rule.isFile()) {
        return std::nullopt;
    }
    return QDir::cleanPath(rule.absoluteFilePath());
}

} // namespace

UdevRule::Places UdevRule::systemPlaces() {
    Places places;
    // udev's own order: the administrator's rules, the runtime ones, then
    // those of installed packages.
    places.udevFolders = {QStringLiteral("/etc/udev/rules.d"), QStringLiteral("/run/udev/rules.d"),
                          QStringLiteral("/usr/local/lib/udev/rules.d"),
                          QStringLiteral("/usr/lib/udev/rules.d"),
                          QStringLiteral("/lib/udev/rules.d")};
    const QString rulesFolder = QStringLiteral(LUNVIK_UDEV_RULES_DIR);
    if (QDir::isAbsolutePath(rulesFolder)) {
        places.shippedFolder = rulesFolder;
    } else if (QCoreApplication::instance()) {
        // The program lies in <prefix>/bin, as in the build.
        places.shippedFolder = QDir(QCoreApplication::applicationDirPath())
                                   .filePath(QStringLiteral("../") + rulesFolder);
    }
    return places;
}

void UdevRule::setPlaces(const std::optional<Places>& places) {
    const std::lock_guard lock(placesMutex());
    replacedPlaces() = places;
}

std::optional<QString> UdevRule::installed() {
    for (const QString& folder : currentPlaces().udevFolders) {
        if (auto rule = ruleIn(folder)) {
            return rule;
        }
    }
    return std::nullopt;
}

std::optional<QString> UdevRule::shipped() {
    return ruleIn(currentPlaces().shippedFolder);
}

} // namespace dari
