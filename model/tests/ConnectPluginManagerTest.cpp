// Each test here runs in a process of its own (as ctest runs them), since the
// registry and the supported model list are process-wide and never reset.
#include "model/connections/ConnectPluginManager.h"
#include "model/connections/MaintenanceDialog.h"
#include "model/descriptions/DeviceDescriptor.h"

#include <gtest/gtest.h>

using namespace ambrel;

namespace {

// Connections are never used here: a connection is an opaque token that
// tells which plug-in made it.
std::shared_ptr<DeviceConnection> token(const std::shared_ptr<int>& owner) {
    return std::shared_ptr<DeviceConnection>(owner,
                                             reinterpret_cast<DeviceConnection*>(owner.get()));
}

class TestDialog : public MaintenanceDialog {
public:
    void present(QObject*) override {}
};

// A plug-in serving one printer type with models of the given names.
class TestPlugin : public ConnectPlugin {
public:
    TestPlugin(QString printerType, QStringList models, bool offersDialog = false)
        : m_printerType(std::move(printerType)), m_models(std::move(models)),
          m_offersDialog(offersDialog) {}

    QString deviceDescriptorsJson() const override {
        QStringList entries;
        for (const QString& model : m_models) {
            entries.append(QStringLiteral(R"({"modelName": "%1", "printerType": "%2", "dpi": 300,
                "canvases": [{"identifier": "A4", "size_mm": {"width": 297, "height": 210}}],
                "offsetBases": ["center"]})")
                               .arg(model, m_printerType));
        }
        return QLatin1Char('[') + entries.join(QLatin1Char(',')) + QLatin1Char(']');
    }

    std::shared_ptr<DeviceConnection>
    newConnection(const std::shared_ptr<const DeviceDescriptor>& d, TransportType) const override {
        if (d->printerType() != m_printerType) {
            return nullptr;
        }
        return token(marker);
    }

    std::shared_ptr<MaintenanceDialog> makeDialog(const MaintenanceAction& action,
                                                  const std::shared_ptr<const DeviceDescriptor>& d,
                                                  TransportType t) const override {
        if (m_offersDialog) {
            return dialog;
        }
        return ConnectPlugin::makeDialog(action, d, t);
    }

    const platform::Bundle* bundle() const override {
        return platform::Bundle::named(QStringLiteral("TestPluginBundle"));
    }

    std::shared_ptr<int> marker = std::make_shared<int>(0);
    std::shared_ptr<MaintenanceDialog> dialog = std::make_shared<TestDialog>();

private:
    QString m_printerType;
    QStringList m_models;
    bool m_offersDialog;
};

QStringList supportedNames() {
    QStringList names;
    for (const auto& d : DeviceDescriptor::supported()) {
        names.append(d->modelName());
    }
    return names;
}

TEST(ConnectPluginManager, firstReadFixesTheSupportedList) {
    EXPECT_TRUE(ConnectPluginManager::shared().plugins().isEmpty());
    EXPECT_TRUE(DeviceDescriptor::supported().isEmpty());
    ConnectPluginManager::shared().load({std::make_shared<TestPlugin>("a", QStringList{"A1"})});
    EXPECT_EQ(ConnectPluginManager::shared().plugins().size(), 1);
    EXPECT_TRUE(DeviceDescriptor::supported().isEmpty());
}

TEST(ConnectPluginManager, supportedListsPluginsInRegistrationOrder) {
    ConnectPluginManager::shared().load(
        {std::make_shared<TestPlugin>("a", QStringList{"A1", "A2"})});
    ConnectPluginManager::shared().load({});
    ConnectPluginManager::shared().load({std::make_shared<TestPlugin>("b", QStringList{"B1"})});
    EXPECT_EQ(supportedNames(), (QStringList{"A1", "A2", "B1"}));
    // Built once: the same list, the same descriptors.
    EXPECT_EQ(&DeviceDescriptor::supported(), &DeviceDescriptor::supported());
    EXPECT_EQ(DeviceDescriptor::supported()[0], DeviceDescriptor::supported()[0]);
}

TEST(ConnectPluginManager, firstPluginThatAnswersMakesTheConnection) {
    const auto other = std::make_shared<TestPlugin>("other", QStringList{"O1"});
    const auto first = std::make_shared<TestPlugin>("shared", QStringList{"S1"});
    const auto second = std::make_shared<TestPlugin>("shared", QStringList{"S2"});
    ConnectPluginManager::shared().load({other, first, second});
    for (const auto& d : DeviceDescriptor::supported()) {
        const auto connection = d->newConnection(TransportType::usb);
        const auto expected = d->printerType() == QLatin1String("other") ? other : first;
        EXPECT_EQ(static_cast<void*>(connection.get()), expected->marker.get())
            << d->modelName().toStdString();
    }
}

TEST(ConnectPluginManager, dialogsFromTheFirstPluginThatHasOne) {
    const auto none = std::make_shared<TestPlugin>("a", QStringList{"A1"});
    const auto offering = std::make_shared<TestPlugin>("b", QStringList{"B1"}, true);
    ConnectPluginManager::shared().load({none, offering});
    const auto d = DeviceDescriptor::supported().first();
    EXPECT_FALSE(none->makeDialog({}, d, TransportType::usb));
    EXPECT_EQ(ConnectPluginManager::shared().makeDialog({}, d, TransportType::usb),
              offering->dialog);
}

TEST(ConnectPlugin, defaultTableIsTheBundlesDefault) {
    const TestPlugin plugin("a", {});
    EXPECT_EQ(plugin.localizedStringTable(), LocalizedStringTable(plugin.bundle()));
    EXPECT_FALSE(plugin.localizedStringTable().name());
    EXPECT_TRUE(plugin.deviceDescriptors().isEmpty());
}

class BrokenPlugin : public TestPlugin {
public:
    BrokenPlugin(QString text) : TestPlugin("a", {}), m_text(std::move(text)) {}
    QString deviceDescriptorsJson() const override { return m_text; }

private:
    QString m_text;
};

TEST(ConnectPluginDeathTest, defectiveOwnDescriptionsEndTheProcess) {
    EXPECT_DEATH(BrokenPlugin(QStringLiteral("[{]")).deviceDescriptors(),
                 "invalid device descriptions");
    EXPECT_DEATH(BrokenPlugin(QStringLiteral(R"([{"modelName": "X", "baseModelName": "Y"}])"))
                     .deviceDescriptors(),
                 "X.+ is based on");
}

TEST(ConnectPluginManagerDeathTest, unservedPrinterTypeEndsTheProcess) {
    const auto plugin = std::make_shared<TestPlugin>("a", QStringList{"A1"});
    const auto d = DeviceDescriptor::deviceDescriptors(
        R"([{"modelName": "X", "printerType": "nobody", "dpi": 300, "offsetBases": ["top"],
             "canvases": [{"identifier": "A4", "size_mm": {"width": 1, "height": 1}}]}])",
        plugin->bundle())[0];
    ConnectPluginManager::shared().load({plugin});
    EXPECT_DEATH(d->newConnection(TransportType::wifi), "printerType \"nobody\" is not available.");
}

} // namespace
