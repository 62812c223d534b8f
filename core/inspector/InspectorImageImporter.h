#pragma once

#include <QUrl>

#include <optional>

class QMimeData;

namespace kestrom {

// How pictures reach the document from the inspector's picture well: drops
// and the open panel. The document window provides it, over the document's
// picture import.
class InspectorImageImporter {
public:
    virtual ~InspectorImageImporter() = default;

    virtual bool acceptsImageDrop(const QMimeData* data, bool fromThisApplication) const = 0;
    // Returns at once; the picture arrives later through the document.
    virtual void importImageDrop(const QMimeData* data, bool fromThisApplication) = 0;
    virtual void presentImageOpenPanel(const std::optional<QUrl>& startingAt) = 0;
};

} // namespace kestrom
