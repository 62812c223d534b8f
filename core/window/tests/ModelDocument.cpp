#include "ModelDocument.h"

#include "core/document/application/DocumentController.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/launch/MainMenu.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"

namespace window_test {

ModelDocument::ModelDocument(const std::shared_ptr<const ambrel::DeviceDescriptor>& model,
                             const QString& menuName) {
    platform::UserDefaults::setStandardFilePath(folder.filePath(QStringLiteral("defaults.plist")));
    if (!menuName.isEmpty()) {
        kestrom::MainMenu::rename(*delegate.mainMenu(), menuName);
    }
    delegate.newDocument();
    document =
        qobject_cast<kestrom::PrintJobDocument*>(delegate.documentController()->documents().last());
    document->job().setDeviceDescriptor(model);
}

std::shared_ptr<const ambrel::DeviceDescriptor> ModelDocument::model(const QByteArray& json) {
    return ambrel::DeviceDescriptor::deviceDescriptors(
               json, platform::Bundle::named(QStringLiteral("WindowTestPlugin")))
        .front();
}

} // namespace window_test
