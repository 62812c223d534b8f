#include "transport/dari/NetworkError.h"

#include "platform/StringFormat.h"
#include "transport/dari/DariText.h"

#include <netdb.h>

#include <QtGlobal>

#include <cstring>

namespace dari {

const QString NetworkError::posixDomain = QStringLiteral("POSIXError");
const QString NetworkError::addressResolutionDomain = QStringLiteral("AddressResolutionError");

namespace {

platform::Error make(const QString& domain, int code, const QString& key, const QString& reason) {
    platform::Error::UserInfo info;
    info.localizedDescription = platform::StringFormat::format(DariText::text(key), {reason});
    info.localizedRecoverySuggestion = DariText::text(key + QStringLiteral("_recoverySuggestion"));
    return platform::Error(domain, code, std::move(info));
}

} // namespace

platform::Error NetworkError::fromErrno(int error) {
    // strerror may share one buffer between threads; qt_error_string does not.
    return make(posixDomain, error, QStringLiteral("Error_network"), qt_error_string(error));
}

platform::Error NetworkError::fromAddressResolution(int result) {
    if (result == EAI_SYSTEM) {
        return fromErrno(errno);
    }
    return make(addressResolutionDomain, result, QStringLiteral("Error_network_address"),
                QString::fromLocal8Bit(gai_strerror(result)));
}

} // namespace dari
