#include "model/connections/DeviceStatusIconAsset.h"

#include "model/connections/ComputerInfo.h"
#include "model/texts/LocalizedStringTable.h"
#include "platform/Log.h"

#include <QHash>
#include <QImageReader>
#include <QStringList>

#include <mutex>

namespace ambrel {

namespace {

const QString imageFolder = QStringLiteral("Images");

bool isReadableImage(const std::optional<QString>& path) {
    return path && QImageReader(*path).canRead();
}

// The named pictures of the status list, filled once.
const QHash<QString, QIcon>& registeredIcons() {
    static QHash<QString, QIcon> icons;
    static std::once_flag once;
    std::call_once(once, [] {
        const platform::Bundle* bundle = LocalizedStringTable::ambrelBundle();
        for (const DeviceStatusIconAsset& asset : DeviceStatusIconAsset::allCases()) {
            const QString name = asset.assetName();
            const auto small = bundle->pathForResource(name, QStringLiteral("png"), imageFolder);
            if (!isReadableImage(small)) {
                platform::Log::line(QStringLiteral("IMAGE NOT LOADED for ") + asset.rawValue());
                continue;
            }
            QIcon icon;
            icon.addFile(*small, QSize(16, 16));
            const auto large = bundle->pathForResource(name + QStringLiteral("-32"),
                                                       QStringLiteral("png"), imageFolder);
            if (isReadableImage(large)) {
                icon.addFile(*large, QSize(32, 32));
            }
            icons.insert(name, icon);
        }
    });
    return icons;
}

} // namespace

const QStringList& DeviceStatusIconAsset::rawValues() {
    static const QStringList values{
        QStringLiteral("timeTemplate"),
        QStringLiteral("applicationTemplate"),
        QStringLiteral("computerTemplate"),
        QStringLiteral("osTemplate"),
        QStringLiteral("infoTemplate"),
        QStringLiteral("alertTemplate"),
        QStringLiteral("temperatureTemplate"),
        QStringLiteral("inkColor"),
        QStringLiteral("inkBlack"),
    };
    return values;
}

QString DeviceStatusIconAsset::assetName() const {
    const QString raw = rawValue();
    return QStringLiteral("Status") + raw.left(1).toUpper() + raw.mid(1);
}

QString DeviceStatusIconAsset::systemImageName() const {
    switch (m_case) {
    case timeTemplate:
        return QStringLiteral("clock");
    case applicationTemplate:
        return QStringLiteral("app");
    case computerTemplate:
        return QStringLiteral("display");
    case osTemplate:
        return QString::number(ComputerInfo().operatingSystemMajorVersion()) +
               QStringLiteral(".square");
    case infoTemplate:
        return QStringLiteral("info.circle");
    case alertTemplate:
        return QStringLiteral("exclamationmark.triangle");
    case temperatureTemplate:
        return QStringLiteral("thermometer");
    case inkColor:
        return QStringLiteral("paintpalette");
    case inkBlack:
        return QStringLiteral("drop");
    }
    return {};
}

std::optional<QIcon> DeviceStatusIconAsset::icon() const {
    const auto& icons = registeredIcons();
    const auto found = icons.constFind(assetName());
    if (found == icons.constEnd()) {
        return std::nullopt;
    }
    return *found;
}

} // namespace ambrel
