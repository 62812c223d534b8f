#include "core/inspector/InspectorPaneRegistry.h"

#include "core/inspector/InspectorPages.h"
#include "core/inspector/InspectorPaneViewController.h"
#include "core/inspector/InspectorPaneViewController_Bitmap.h"
#include "core/inspector/InspectorPaneViewController_HorizontalImageSplit.h"
#include "core/inspector/InspectorPaneViewController_Image.h"
#include "core/inspector/InspectorPaneViewController_ImageLayout.h"
#include "core/inspector/InspectorPaneViewController_ImageRepeat.h"
#include "core/inspector/InspectorPaneViewController_Print.h"
#include "core/inspector/InspectorPaneViewController_PrinterOptions.h"

#include "platform/Log.h"

#include <QApplication>

#include <algorithm>

namespace kestrom {

InspectorPaneRegistry& InspectorPaneRegistry::shared() {
    static InspectorPaneRegistry* registry = [] {
        auto* r = new InspectorPaneRegistry;
        r->registerPane(QStringLiteral("Image"),
                        [] { return new InspectorPaneViewController_Image(); });
        r->registerPane(QStringLiteral("Bitmap"),
                        [] { return new InspectorPaneViewController_Bitmap(); });
        r->registerPane(QStringLiteral("Print"),
                        [] { return new InspectorPaneViewController_Print(); });
        r->registerPane(QStringLiteral("PrinterOptions"),
                        [] { return new InspectorPaneViewController_PrinterOptions(); });
        r->registerPane(QStringLiteral("ImageLayout"),
                        [] { return new InspectorPaneViewController_ImageLayout(); });
        r->registerPane(QStringLiteral("ImageRepeat"),
                        [] { return new InspectorPaneViewController_ImageRepeat(); });
        r->registerPane(QStringLiteral("ImageSplitX"),
                        [] { return new InspectorPaneViewController_HorizontalImageSplit(); });
        return r;
    }();
    return *registry;
}

void InspectorPaneRegistry::registerPane(const QString& paneIdentifier, Factory factory) {
    m_factories.insert(paneIdentifier, std::move(factory));
}

bool InspectorPaneRegistry::contains(const QString& paneIdentifier) const {
    return m_factories.contains(paneIdentifier);
}

QStringList InspectorPaneRegistry::paneIdentifiers() const {
    QStringList identifiers = m_factories.keys();
    std::sort(identifiers.begin(), identifiers.end());
    return identifiers;
}

InspectorPaneViewController*
InspectorPaneRegistry::instantiate(const QString& paneIdentifier) const {
    const auto factory = m_factories.constFind(paneIdentifier);
    if (factory == m_factories.cend()) {
        QApplication::beep();
        return nullptr;
    }
    return (*factory)();
}

QStringList InspectorPaneRegistry::problems(const ambrel::DeviceDescriptor& device) const {
    QStringList found;
    const InspectorPages pages = makeInspectorPages(device);
    for (const QString& tab : pages.unknownTabIdentifiers) {
        found.append(
            QStringLiteral("model “%1”: tab “%2” names no page").arg(device.modelName(), tab));
    }
    for (const auto& page : pages.all) {
        for (const auto& pane : page->paneDescriptors()) {
            if (!contains(pane.identifier())) {
                found.append(QStringLiteral("model “%1”: page “%2” names the unknown pane “%3”")
                                 .arg(device.modelName(), page->identifier(), pane.identifier()));
            }
        }
    }
    found.removeDuplicates();
    return found;
}

void InspectorPaneRegistry::checkModels(
    const QList<std::shared_ptr<const ambrel::DeviceDescriptor>>& models) const {
    QStringList found;
    for (const auto& model : models) {
        found.append(problems(*model));
    }
    if (!found.isEmpty()) {
        platform::Log::fatal(QStringLiteral("Inspector: ") + found.join(QStringLiteral("; ")));
    }
}

} // namespace kestrom
