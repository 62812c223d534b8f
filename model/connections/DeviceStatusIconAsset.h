#pragma once

#include "model/texts/RawValueEnum.h"

#include <QIcon>
#include <QList>
#include <QString>

#include <optional>

namespace ambrel {

// The picture in front of a status line.
class DeviceStatusIconAsset : public RawValueEnum<DeviceStatusIconAsset> {
public:
    enum Case {
        timeTemplate,
        applicationTemplate,
        computerTemplate,
        osTemplate,
        infoTemplate,
        alertTemplate,
        temperatureTemplate,
        inkColor,
        inkBlack,
    };

    DeviceStatusIconAsset(Case value) : m_case(value) {}

    // The asset names, in declaration order.
    static const QStringList& rawValues();

    Case value() const { return m_case; }
    // "Status" + the raw value with its first letter in upper case.
    QString assetName() const;
    // The name of the theme symbol with the same meaning.
    QString systemImageName() const;

    // The registered picture of the asset (16 and 32 pixels), or nothing when
    // it could not be loaded. Every asset is loaded and registered once per
    // process, on the first request, from any thread.
    std::optional<QIcon> icon() const;

    bool operator==(const DeviceStatusIconAsset& other) const { return m_case == other.m_case; }

private:
    Case m_case;
};

} // namespace ambrel
