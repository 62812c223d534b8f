#include "core/document/application/PrintJobDocument.h"
#include "core/document/tests/RunTestSupport.h"
#include "core/inspector/InspectorPaneViewController_Print.h"
#include "core/inspector/InspectorViewController.h"
#include "core/inspector/tests/InspectorTestSupport.h"
#include "model/connections/ConnectPluginManager.h"

#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kestrom;
using run_test::FakeConnection;

namespace {

// A device played by a connection that prints at once.
class FakePlugin : public ambrel::ConnectPlugin {
public:
    QString deviceDescriptorsJson() const override { return QStringLiteral("[]"); }
    std::shared_ptr<ambrel::DeviceConnection>
    newConnection(const std::shared_ptr<const ambrel::DeviceDescriptor>& descriptor,
                  ambrel::TransportType) const override {
        return std::make_shared<FakeConnection>(descriptor, FakeConnection::Behaviour::succeed);
    }
    const platform::Bundle* bundle() const override {
        return platform::Bundle::named(QStringLiteral("InspectorTestPlugin"));
    }
};

} // namespace

TEST(PrintFromInspector, ThePrintButtonPrintsTheJobBehindTheWindowsProgressSheet) {
    QTemporaryDir folder;
    platform::UserDefaults::setStandardFilePath(folder.filePath(QStringLiteral("d.plist")));
    ambrel::ConnectPluginManager::shared().load({std::make_shared<FakePlugin>()});
    PrintJobDocument job;
    job.job().setDeviceDescriptor(run_test::model("Fake"));
    job.job().setTransportType(ambrel::TransportType::usb);
    job.job().setOriginalImage(run_test::picture());
    auto presenter = std::make_shared<run_test::RecordingPresenter>();

    QWidget windowController;
    InspectorViewController inspector;
    inspector.setWindowController(&windowController);
    inspector.setPrintJobDocument(&job, presenter, nullptr);
    inspector.setDeviceDescriptor(job.job().deviceDescriptor());
    test::showAndActivate(&inspector);
    auto* print =
        qobject_cast<InspectorPaneViewController_Print*>(inspector.bottomPaneViewController());
    ASSERT_NE(print, nullptr);
    ASSERT_TRUE(print->printButton()->isEnabled());

    QTest::mouseClick(print->printButton(), Qt::LeftButton);
    EXPECT_EQ(presenter->sheetsShown, 1);
    EXPECT_TRUE(run_test::waitUntil([&] { return !presenter->sheetShown; }));
    EXPECT_FALSE(presenter->events.contains(QStringLiteral("error")));
    inspector.setPrintJobDocument(nullptr, nullptr, nullptr);
}
