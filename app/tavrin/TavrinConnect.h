#pragma once

#include "model/connections/ConnectPlugin.h"
#include "model/texts/LocalizedStringTable.h"
#include "platform/Bundle.h"

#include <QString>

#include <optional>

namespace lunvik {

// The stencil device's plug-in: its model descriptions, resources and
// connections. The application makes one for the region it runs in.
class TavrinConnect : public ambrel::ConnectPlugin {
public:
    enum class Region { china, worldwide };

    static std::optional<Region> regionFromRawValue(const QString& rawValue);
    static QString rawValue(Region region);

    explicit TavrinConnect(Region region);
    ~TavrinConnect() override;

    Region region() const { return m_region; }

    // The model descriptions, read anew on every request; for the region
    // china the worldwide model is renamed and its completion movie replaced.
    QString deviceDescriptorsJson() const override;
    // A TavrinDeviceConnection for the stencil device's printer type (exact
    // match), otherwise nothing.
    std::shared_ptr<ambrel::DeviceConnection>
    newConnection(const std::shared_ptr<const ambrel::DeviceDescriptor>& descriptor,
                  ambrel::TransportType transportType) const override;
    // Faults in the page memory and the packed columns of the model's largest
    // canvas (TavrinDeviceConnection::prepareMemory).
    void prepareForPrint(
        const std::shared_ptr<const ambrel::DeviceDescriptor>& descriptor) const override;
    const platform::Bundle* bundle() const override { return pluginBundle(); }

    // The plug-in's resources. Fixed at first use to the plug-in's own bundle
    // unless set before; a missing bundle is a packaging fault.
    static const platform::Bundle* pluginBundle();
    static void setPluginBundle(const platform::Bundle* bundle);

    // The plug-in's default table, made once and kept for the process; the
    // device's error texts come from it.
    static const ambrel::LocalizedStringTable& sharedStringTable();

    static const QString worldwideModelName;
    static const QString chinaModelName;
    static const QString printerType;

    // The description text rewritten for the region china.
    static QString rewrittenForChina(const QString& text);

private:
    Region m_region;
};

} // namespace lunvik
