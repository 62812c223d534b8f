#include "transport/dari/UsbAccessError.h"

#include "platform/Log.h"
#include "transport/dari/DariText.h"
#include "transport/model/PipeError.h"

namespace dari {

platform::Error UsbAccessError::make() {
    const QString key = QStringLiteral("Error_usb_notPrivileged");
    platform::Log::line(QStringLiteral("The device's file may not be opened by this user."));
    platform::Error::UserInfo info;
    info.localizedDescription = DariText::text(key);
    info.localizedRecoverySuggestion = DariText::text(key + QStringLiteral("_recoverySuggestion"));
    return platform::Error(fennick::DeviceErrorDomain, qint64(fennick::PipeErrorCode::couldNotOpen),
                           std::move(info));
}

} // namespace dari
