#pragma once

#include "transport/dari/WifiDeviceCommunicationContext.h"
#include "transport/model/DeviceCommunicator.h"

#include <optional>

namespace dari {

// Names a device on the network by its endpoint.
class WifiDeviceCommunicator : public fennick::DeviceCommunicator {
public:
    using Context = WifiDeviceCommunicationContext;

    explicit WifiDeviceCommunicator(NetworkEndpoint endpoint,
                                    std::optional<QString> wifiHotspotSsidPrefix = std::nullopt);

    const NetworkEndpoint& endpoint() const { return m_endpoint; }
    // The beginning of the name of the device's own hotspot; carried along,
    // not used for connecting.
    const std::optional<QString>& wifiHotspotSsidPrefix() const { return m_wifiHotspotSsidPrefix; }

    // Says "Wi-Fi…" in the progress and connects; cancelling the progress ends
    // the wait at once.
    std::shared_ptr<fennick::DeviceCommunicationContext>
    open(platform::Progress* progress) const override;
    std::shared_ptr<Context> openContext(platform::Progress* progress) const;

private:
    NetworkEndpoint m_endpoint;
    std::optional<QString> m_wifiHotspotSsidPrefix;
};

} // namespace dari
