#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace platform {

class Progress;

// An item that a drop or a paste offers: a suggested name and its data in one
// or more file types (FileType identifiers), richest first. The user interface
// fills one from the dropped or pasted data; the model only reads it.
class ItemProvider {
public:
    virtual ~ItemProvider();

    virtual std::optional<QString> suggestedName() const = 0;
    virtual QStringList registeredTypeIdentifiers() const = 0;

    // Whether one of the offered types is the type or conforms to it.
    bool hasItemConformingToTypeIdentifier(const QString& typeIdentifier) const;

    // The data of the first offered type that conforms to the type; blocks
    // until it is there. When `progress` is given it receives the load's
    // progress before loading starts. Throws a platform::Error when the item
    // offers no such type or its data cannot be produced.
    virtual QByteArray loadDataRepresentation(const QString& typeIdentifier,
                                              std::shared_ptr<Progress>* progress = nullptr) = 0;
};

} // namespace platform
