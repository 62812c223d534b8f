#include "core/document/tests/DocumentTestSupport.h"

#include "model/connections/ConnectPluginManager.h"
#include "platform/UserDefaults.h"
#include "platform/tests/support/TestPictures.h"

#include <QCoreApplication>
#include <QImage>

#include <algorithm>
#include <cstdlib>
#include <mutex>

using namespace ambrel;

namespace documenttest {

namespace {

const char* const models = R"([
  {"modelName": "Alder", "printerType": "test", "dpi": 254,
   "canvases": [{"identifier": "A4", "size_mm": {"width": 297, "height": 210}},
                {"identifier": "A3", "size_mm": {"width": 420, "height": 297}}],
   "offsetBases": ["topLeft", "center", "bottomRight"],
   "transportTypes": ["usb", "wifi"],
   "additionalInfos": {"BlackConversion": {"halftone": {}}},
   "parameterProperties": [
     {"type": "number", "identifier": "speed", "minValue": 1, "maxValue": 10, "defaultValue": 5},
     {"type": "bool", "identifier": "vacuum", "defaultValue": true},
     {"type": "pick", "identifier": "mode", "items": ["fine", "fast"], "defaultValue": "fine"}]},
  {"modelName": "Birch", "printerType": "test", "dpi": 300,
   "canvases": [{"identifier": "B5", "size_mm": {"width": 257, "height": 182}},
                {"identifier": "Wide", "size_mm": {"width": 297, "height": 210}}],
   "offsetBases": ["topLeft", "top"],
   "transportTypes": ["wifi"],
   "parameterProperties": [
     {"type": "number", "identifier": "speed", "minValue": 2, "maxValue": 8, "defaultValue": 4}]},
  {"modelName": "Cedar", "printerType": "test", "dpi": 254,
   "canvases": [{"identifier": "A3", "size_mm": {"width": 420, "height": 297}},
                {"identifier": "A4", "size_mm": {"width": 297, "height": 210}}],
   "offsetBases": ["center", "topLeft"],
   "transportTypes": ["usb"]}
])";

class TestPlugin : public ConnectPlugin {
public:
    QString deviceDescriptorsJson() const override { return QString::fromUtf8(models); }
    std::shared_ptr<DeviceConnection> newConnection(const std::shared_ptr<const DeviceDescriptor>&,
                                                    TransportType) const override {
        return nullptr;
    }
    void prepareForPrint(const std::shared_ptr<const DeviceDescriptor>& descriptor) const override {
        std::lock_guard lock(preparationsMutex());
        ++preparations()[descriptor->modelName()];
    }
    const platform::Bundle* bundle() const override {
        return platform::Bundle::named(QStringLiteral("KestromCore"));
    }

    static std::mutex& preparationsMutex() {
        static std::mutex mutex;
        return mutex;
    }
    static QHash<QString, int>& preparations() {
        static QHash<QString, int> counts;
        return counts;
    }
};

} // namespace

ChangeCounter::ChangeCounter(platform::Observable& object, const QStringList& keyPaths) {
    for (const QString& keyPath : keyPaths) {
        m_observations.push_back(object.observe(
            keyPath, [this, keyPath](const platform::KeyValueChange&) { ++m_counts[keyPath]; }));
    }
}

int ChangeCounter::total() const {
    int sum = 0;
    for (const int n : m_counts) {
        sum += n;
    }
    return sum;
}

void DocumentTest::SetUp() {
    static const bool registered = [] {
        ConnectPluginManager::shared().load({std::make_shared<TestPlugin>()});
        return true;
    }();
    (void)registered;
    // The list of models is made once per process: another test of this
    // program may have made it without the test models.
    const auto& supported = DeviceDescriptor::supported();
    ASSERT_TRUE(std::any_of(supported.begin(), supported.end(), [](const auto& d) {
        return d->modelName() == alderName;
    })) << "the test models are missing; run each test in its own process (ctest)";
    ASSERT_TRUE(m_folder.isValid());
    platform::UserDefaults::setStandardFilePath(
        m_folder.filePath(QStringLiteral("defaults.plist")));
}

std::shared_ptr<const DeviceDescriptor> model(const QString& name) {
    for (const auto& d : DeviceDescriptor::supported()) {
        if (d->modelName() == name) {
            return d;
        }
    }
    // SetUp has made sure the models are there.
    std::abort();
}

int printPreparations(const QString& modelName) {
    std::lock_guard lock(TestPlugin::preparationsMutex());
    return TestPlugin::preparations().value(modelName);
}

void endEvent() {
    QCoreApplication::processEvents();
}

OriginalImage::Pointer picture(int width, int height) {
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(128);
    return OriginalImage::fromData(testpictures::encode(image, "png"),
                                   QUrl::fromLocalFile(QStringLiteral("/tmp/picture.png")));
}

} // namespace documenttest
