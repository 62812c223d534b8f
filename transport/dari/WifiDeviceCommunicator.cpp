#include "transport/dari/WifiDeviceCommunicator.h"

#include "platform/Progress.h"
#include "transport/dari/DariText.h"

namespace dari {

WifiDeviceCommunicator::WifiDeviceCommunicator(NetworkEndpoint endpoint,
                                               std::optional<QString> wifiHotspotSsidPrefix)
    : m_endpoint(std::move(endpoint)), m_wifiHotspotSsidPrefix(std::move(wifiHotspotSsidPrefix)) {}

std::shared_ptr<fennick::DeviceCommunicationContext>
WifiDeviceCommunicator::open(platform::Progress* progress) const {
    return openContext(progress);
}

std::shared_ptr<WifiDeviceCommunicator::Context>
WifiDeviceCommunicator::openContext(platform::Progress* progress) const {
    if (progress) {
        progress->setLocalizedDescription(
            DariText::text(QStringLiteral("Progress_connectingWifi")));
    }
    return std::make_shared<Context>(m_endpoint, progress);
}

} // namespace dari
