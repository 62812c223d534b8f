#include "model/pictures/OriginalImageError.h"

#include <mutex>

namespace ambrel {

const QString OriginalImageError::domain = QStringLiteral("Ambrel.OriginalImageError");

namespace {

struct Shared {
    std::mutex mutex;
    QString typeIdentifier = QStringLiteral("OriginalImage");
    std::optional<LocalizedStringTable> table;
};

Shared& shared() {
    static Shared values;
    return values;
}

qint64 codeOf(OriginalImageError::Case c) {
    switch (c) {
    case OriginalImageError::Case::tooLarge:
        return OriginalImageError::tooLargeScriptNumber;
    case OriginalImageError::Case::cannotAllocateMemory:
        return OriginalImageError::cannotAllocateMemoryScriptNumber;
    case OriginalImageError::Case::cannotBeDrawn:
        return OriginalImageError::cannotBeDrawnScriptNumber;
    case OriginalImageError::Case::containsNoValidImage:
        break;
    }
    return 0;
}

} // namespace

OriginalImageError::OriginalImageError(Case c, QString name)
    : LocalizableError(domain, codeOf(c)), m_case(c), m_name(std::move(name)) {}

OriginalImageError OriginalImageError::containsNoValidImage(const QString& name) {
    return OriginalImageError(Case::containsNoValidImage, name);
}

OriginalImageError OriginalImageError::tooLarge(const QString& name) {
    return OriginalImageError(Case::tooLarge, name);
}

OriginalImageError OriginalImageError::cannotAllocateMemory(const QString& name) {
    return OriginalImageError(Case::cannotAllocateMemory, name);
}

OriginalImageError OriginalImageError::cannotBeDrawn(const QString& name) {
    return OriginalImageError(Case::cannotBeDrawn, name);
}

OriginalImageError OriginalImageError::refusal(platform::PictureRefusal why, const QString& name) {
    switch (why) {
    case platform::PictureRefusal::tooLarge:
        return tooLarge(name);
    case platform::PictureRefusal::outOfMemory:
        return cannotAllocateMemory(name);
    case platform::PictureRefusal::cannotBeDrawn:
        return cannotBeDrawn(name);
    case platform::PictureRefusal::noPicture:
        break;
    }
    return containsNoValidImage(name);
}

QString OriginalImageError::codeIdentifier() const {
    switch (m_case) {
    case Case::tooLarge:
        return QStringLiteral("tooLarge");
    case Case::cannotAllocateMemory:
        return QStringLiteral("cannotAllocateMemory");
    case Case::cannotBeDrawn:
        return QStringLiteral("cannotBeDrawn");
    case Case::containsNoValidImage:
        break;
    }
    return QStringLiteral("containsNoValidImage");
}

QString OriginalImageError::sharedErrorTypeIdentifier() {
    std::lock_guard lock(shared().mutex);
    return shared().typeIdentifier;
}

void OriginalImageError::setSharedErrorTypeIdentifier(const QString& identifier) {
    std::lock_guard lock(shared().mutex);
    shared().typeIdentifier = identifier;
}

LocalizedStringTable OriginalImageError::sharedTable() {
    std::lock_guard lock(shared().mutex);
    return shared().table.value_or(LocalizedStringTable::ambrel());
}

void OriginalImageError::setSharedTable(const LocalizedStringTable& table) {
    std::lock_guard lock(shared().mutex);
    shared().table = table;
}

std::shared_ptr<const platform::Error> OriginalImageError::clone() const {
    return std::make_shared<OriginalImageError>(*this);
}

void OriginalImageError::raise() const {
    throw *this;
}

} // namespace ambrel
