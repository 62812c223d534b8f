#pragma once

#include "platform/graphics/ItemProvider.h"

#include <QList>

#include <functional>

namespace platform {

// An item provider over data at hand or produced on request, as drops and
// the clipboard offer it.
class DataItemProvider : public ItemProvider {
public:
    using Loader = std::function<QByteArray()>;

    static const QString errorDomain; // "ItemProviderError"
    enum ErrorCode { unavailableType = 1 };

    explicit DataItemProvider(std::optional<QString> suggestedName = std::nullopt);

    // Offers data in a type; types keep the order they were registered in.
    void registerData(const QString& typeIdentifier, const QByteArray& data);
    // Offers a type whose data the loader produces when asked; the loader may
    // throw a platform::Error, which the load passes on.
    void registerLoader(const QString& typeIdentifier, Loader loader);

    std::optional<QString> suggestedName() const override { return m_suggestedName; }
    QStringList registeredTypeIdentifiers() const override;
    QByteArray loadDataRepresentation(const QString& typeIdentifier,
                                      std::shared_ptr<Progress>* progress = nullptr) override;

private:
    struct Representation {
        QString typeIdentifier;
        Loader loader;
    };

    std::optional<QString> m_suggestedName;
    QList<Representation> m_representations;
};

} // namespace platform
