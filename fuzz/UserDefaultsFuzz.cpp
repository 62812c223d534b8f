// The user's defaults file as another program or a damaged disk leaves it:
// a new document starts from what it remembers, a changed setting is
// remembered in it, and what was written reads back.

#include "core/document/job/LastDeviceSettings.h"
#include "core/document/job/PrintDocument.h"
#include "fuzz/support/FuzzApplication.h"
#include "fuzz/support/FuzzDocuments.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "platform/UserDefaults.h"

#include <QFile>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    prepareFuzzDocuments();
    makeFuzzApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = fuzzDocumentFolder().filePath(QStringLiteral("fuzzed-defaults.plist"));
    {
        QFile file(path);
        fuzzCheck(file.open(QIODevice::WriteOnly | QIODevice::Truncate),
                  "the defaults file cannot be written");
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    platform::UserDefaults::setStandardFilePath(path);
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    defaults.dictionaryRepresentation();

    kestrom::PrintDocument document;
    kestrom::LastDeviceSettings::lastDeviceSettingInfos();
    if (const auto& model = document.deviceDescriptor()) {
        kestrom::LastDeviceSettings::setLastDeviceSettingValue(
            QStringLiteral("A4"), QStringLiteral("canvasIdentifier"), model->modelName());
        defaults.setString(QStringLiteral("LastModelName"), model->modelName());
        // A file that took the change reads back with it.
        platform::UserDefaults again(path);
        if (again.contains(QStringLiteral("LastModelName"))) {
            fuzzCheck(again.string(QStringLiteral("LastModelName")) == model->modelName(),
                      "the remembered model reads back changed");
        }
    }
    return 0;
}
