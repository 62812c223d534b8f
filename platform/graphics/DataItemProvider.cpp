#include "platform/graphics/DataItemProvider.h"

#include "platform/Error.h"
#include "platform/PlatformText.h"
#include "platform/Progress.h"
#include "platform/StringFormat.h"
#include "platform/graphics/FileType.h"

namespace platform {

const QString DataItemProvider::errorDomain = QStringLiteral("ItemProviderError");

DataItemProvider::DataItemProvider(std::optional<QString> suggestedName)
    : m_suggestedName(std::move(suggestedName)) {}

void DataItemProvider::registerData(const QString& typeIdentifier, const QByteArray& data) {
    registerLoader(typeIdentifier, [data] { return data; });
}

void DataItemProvider::registerLoader(const QString& typeIdentifier, Loader loader) {
    m_representations.append({typeIdentifier, std::move(loader)});
}

QStringList DataItemProvider::registeredTypeIdentifiers() const {
    QStringList types;
    for (const Representation& r : m_representations) {
        types.append(r.typeIdentifier);
    }
    return types;
}

QByteArray DataItemProvider::loadDataRepresentation(const QString& typeIdentifier,
                                                    std::shared_ptr<Progress>* progress) {
    auto loadProgress = std::make_shared<Progress>(1);
    if (progress) {
        *progress = loadProgress;
    }
    for (const Representation& r : m_representations) {
        if (FileType::conforms(r.typeIdentifier, typeIdentifier)) {
            QByteArray data = r.loader();
            loadProgress->setCompletedUnitCount(1);
            return data;
        }
    }
    const QString format = PlatformText::text(QStringLiteral("ItemProvider_unavailableType"));
    Error::UserInfo info;
    info.localizedDescription = StringFormat::format(format, {typeIdentifier});
    throw Error(errorDomain, unavailableType, info);
}

} // namespace platform
