#include "transport/dari/UsbAccessError.h"

#include "platform/Log.h"
#include "platform/StringFormat.h"
#include "transport/dari/DariText.h"
#include "transport/dari/UdevRule.h"
#include "transport/model/PipeError.h"

#include <QRegularExpression>

namespace dari {

namespace {

// The path as a shell takes it, quoted when it holds more than plain characters.
QString forShell(const QString& path) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./+,:@%-]+$"));
    if (plain.match(path).hasMatch()) {
        return path;
    }
    QString quoted = path;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

QString recoverySuggestion() {
    const auto text = [](const char* key, const QString& argument = {}) {
        const QString format = DariText::text(QString::fromLatin1(key));
        return argument.isEmpty() ? format : platform::StringFormat::format(format, {argument});
    };
    if (const auto installed = UdevRule::installed()) {
        return text("Error_usb_notPrivileged_ruleInstalled_recoverySuggestion", *installed);
    }
    if (const auto shipped = UdevRule::shipped()) {
        return text("Error_usb_notPrivileged_ruleShipped_recoverySuggestion", forShell(*shipped));
    }
    return text("Error_usb_notPrivileged_ruleMissing_recoverySuggestion");
}

} // namespace

platform::Error UsbAccessError::make() {
    platform::Log::line(QStringLiteral("The device's file may not be opened by this user."));
    platform::Error::UserInfo info;
    info.localizedDescription = DariText::text(QStringLiteral("Error_usb_notPrivileged"));
    // What applies is looked at now: the rule may have come since the start.
    info.localizedRecoverySuggestion = recoverySuggestion();
    return platform::Error(fennick::DeviceErrorDomain, qint64(fennick::PipeErrorCode::couldNotOpen),
                           std::move(info));
}

} // namespace dari
