#include "app/application/Application.h"

#include "core/window/ApplicationClass.h"
#include "model/connections/ConnectPluginManager.h"
#include "platform/Bundle.h"
#include "platform/Log.h"

#include <QStringDecoder>

namespace lunvik {

namespace {

// The information dictionary names this class as the one to make.
const bool registered = kestrom::ApplicationClass::registerClass(
    QStringLiteral("Application"), [](int& argc, char** argv) -> std::unique_ptr<QApplication> {
        return std::make_unique<Application>(argc, argv);
    });

} // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    (void)registered;
    registerDevicePlugin(platform::Bundle::main());
}

std::optional<TavrinConnect::Region> Application::regionFromText(const QString& text) {
    return TavrinConnect::regionFromRawValue(text.trimmed());
}

TavrinConnect::Region Application::registerDevicePlugin(const platform::Bundle* bundle) {
    const auto data =
        bundle->dataForResource(QStringLiteral("SpecialRegion"), QStringLiteral("txt"));
    if (!data) {
        platform::Log::fatal(QStringLiteral("the region resource SpecialRegion.txt is missing"));
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(*data);
    if (decoder.hasError()) {
        platform::Log::fatal(QStringLiteral("unexpected error in Lunvik/Application: "
                                            "SpecialRegion.txt is not text"));
    }
    const auto region = regionFromText(text);
    if (!region) {
        platform::Log::fatal(QStringLiteral("unknown region \"") + text.trimmed() +
                             QStringLiteral("\" in SpecialRegion.txt"));
    }
    ambrel::ConnectPluginManager::shared().load({std::make_shared<TavrinConnect>(*region)});
    return *region;
}

} // namespace lunvik
