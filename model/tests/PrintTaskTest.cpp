#include "model/connections/PrintTask.h"

#include <gtest/gtest.h>

using namespace ambrel;

namespace {

std::shared_ptr<const DeviceDescriptor> model() {
    const QByteArray json = R"([{"modelName": "M", "printerType": "t", "dpi": 300,
        "canvases": [{"identifier": "A4", "size_mm": {"width": 297, "height": 210}}],
        "offsetBases": ["topLeft"],
        "parameterProperties": [
            {"type": "number", "identifier": "density", "minValue": -10, "maxValue": 10,
             "defaultValue": 3},
            {"type": "bool", "identifier": "fast"},
            {"type": "number", "identifier": "density", "defaultValue": 7}]}])";
    return DeviceDescriptor::deviceDescriptors(
               json, platform::Bundle::named(QStringLiteral("TestPluginBundle")))
        .first();
}

PrintTask task(QVariantMap values = {}) {
    const auto descriptor = model();
    return PrintTask(descriptor, descriptor->canvases().first(), TransportType::usb,
                     ImageSource::originalImage(nullptr, {}), values);
}

} // namespace

TEST(PrintTask, settingsComeFromTheUserElseTheModel) {
    const PrintTask defaults = task();
    // The first parameter of an identifier gives the default.
    EXPECT_EQ(defaults.deviceSetting(QStringLiteral("density")).toDouble(), 3.0);
    EXPECT_FALSE(defaults.deviceSetting(QStringLiteral("fast")).isValid());
    EXPECT_FALSE(defaults.deviceSetting(QStringLiteral("unknown")).isValid());

    const PrintTask chosen =
        task({{QStringLiteral("density"), -4}, {QStringLiteral("fast"), true}});
    EXPECT_EQ(chosen.deviceSetting(QStringLiteral("density")).toInt(), -4);
    EXPECT_EQ(chosen.deviceSetting(QStringLiteral("fast")), QVariant(true));
}

TEST(PrintTask, isAValueThatKeepsWhatItWasBuiltWith) {
    PrintTask first = task({{QStringLiteral("density"), 1}});
    PrintTask second = first;
    second.setDeviceSettingValues({{QStringLiteral("density"), 2}});
    second.setTransportType(TransportType::wifi);
    EXPECT_EQ(first.deviceSetting(QStringLiteral("density")).toInt(), 1);
    EXPECT_EQ(first.transportType(), TransportType::usb);
    EXPECT_EQ(second.deviceDescriptor(), first.deviceDescriptor());
    EXPECT_EQ(second.canvas()->identifier(), QStringLiteral("A4"));
}
