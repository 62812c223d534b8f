#include "core/inspector/InspectorPages.h"

#include "core/inspector/DeviceInspectorInfo.h"
#include "core/inspector/InspectorImageSplitInfo.h"
#include "core/inspector/InspectorNavigationItem.h"
#include "core/inspector/InspectorPaneRegistry.h"
#include "core/inspector/InspectorSeparatorViewController.h"

#include "platform/Log.h"

namespace kestrom {

namespace {

bool supportsMultipleSequences(const ambrel::DeviceDescriptor& device) {
    try {
        return device.additionalInfos().value<InspectorImageSplitInfo>().supportsMultipleSequences;
    } catch (const platform::Error&) {
        return false;
    }
}

} // namespace

InspectorPages makeInspectorPages(const ambrel::DeviceDescriptor& device) {
    const auto info = device.additionalInfos().valueOrDefault<DeviceInspectorInfo>();

    bool hasPrinterOptions = false;
    for (const auto& parameter : device.parameterProperties()) {
        if (parameter->paneIdentifier() == QLatin1String("PrinterOptions")) {
            hasPrinterOptions = true;
        }
    }
    InspectorPage advanced;
    if (hasPrinterOptions) {
        QStringList panes{QStringLiteral("Bitmap")};
        if (supportsMultipleSequences(device)) {
            panes.append(QStringLiteral("ImageSplitX"));
        }
        panes << QStringLiteral("PrinterOptions") << QStringLiteral("Print");
        advanced = std::make_shared<const InspectorPageDescriptor>(QStringLiteral("advanced"),
                                                                   panes, true, false);
    }
    QStringList generalPanes{QStringLiteral("Image"), QStringLiteral("ImageLayout")};
    if (device.colorAbility() != ambrel::ColorAbility::fullColor && !advanced) {
        generalPanes.append(QStringLiteral("Bitmap"));
    }
    generalPanes.append(QStringLiteral("Print"));

    InspectorPages pages;
    pages.all.append(std::make_shared<const InspectorPageDescriptor>(
        QStringLiteral("general"), generalPanes, false, true, QStringLiteral("print")));
    if (advanced) {
        pages.all.append(advanced);
    }
    for (const auto& record :
         info.inspectorPages.value_or(QList<InspectorPageDescriptor::SerializedInfo>())) {
        pages.all.append(std::make_shared<const InspectorPageDescriptor>(
            record.identifier, record.panes, record.shouldShowPrintPreview, record.sticksLastPane));
    }
    const QStringList tabIdentifiers =
        info.inspectorTabPages.value_or(QStringList{QStringLiteral("general")});
    for (const QString& identifier : tabIdentifiers) {
        auto page = std::find_if(pages.all.begin(), pages.all.end(), [&](const InspectorPage& p) {
            return p->identifier() == identifier;
        });
        if (page == pages.all.end()) {
            pages.unknownTabIdentifiers.append(identifier);
            platform::Log::line(QStringLiteral("Inspector: model “%1” names the unknown tab “%2”.")
                                    .arg(device.modelName(), identifier));
            continue;
        }
        pages.tabs.append(*page);
    }
    return pages;
}

std::shared_ptr<InspectorNavigationItem> makeNavigationItem(const InspectorPage& page) {
    QList<InspectorPaneViewController*> controllers;
    const auto& panes = page->paneDescriptors();
    for (qsizetype i = 0; i < panes.size(); ++i) {
        auto* pane = InspectorPaneRegistry::shared().instantiate(panes[i].identifier());
        if (!pane) {
            continue;
        }
        const bool pinnedLast = page->sticksLastPane() && i == panes.size() - 1;
        if (!controllers.isEmpty() && !pinnedLast) {
            controllers.append(new InspectorSeparatorViewController());
        }
        pane->setPageDescriptor(page);
        controllers.append(pane);
    }
    return std::make_shared<InspectorNavigationItem>(page, controllers);
}

} // namespace kestrom
