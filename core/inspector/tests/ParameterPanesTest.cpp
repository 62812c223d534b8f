#include "core/inspector/InspectorPaneBoolParameterViewController.h"
#include "core/inspector/InspectorPaneNumberParameterViewController.h"
#include "core/inspector/InspectorPaneParameterStackViewController.h"
#include "core/inspector/InspectorPanePickParameterViewController.h"
#include "core/inspector/InspectorPaneViewController_Print.h"
#include "core/inspector/InspectorPaneViewController_PrinterOptions.h"
#include "core/inspector/InspectorValueSlider.h"
#include "core/inspector/InspectorViewController.h"
#include "core/inspector/tests/InspectorTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace kestrom;
using namespace kestrom::test;

namespace {

const QByteArray mixedParameters = R"("parameterProperties": [
    {"type": "number", "identifier": "speed", "pane": "PrinterOptions", "minValue": 1, "maxValue": 9},
    {"type": "bool", "identifier": "heat", "pane": "Print"},
    {"type": "number", "identifier": "density", "pane": "Print", "minValue": -10, "maxValue": 10,
     "tickFrequency": 1},
    {"type": "pick", "identifier": "mode", "pane": "Print", "items": ["fast", "fine"]},
    {"type": "bool", "identifier": "cool", "pane": "PrinterOptions", "negates": true}])";

QStringList identifiers(const InspectorPaneParameterStackViewController* stack) {
    QStringList found;
    for (auto* editor : stack->parameterViewControllers()) {
        found.append(editor->parameter()->identifier());
    }
    return found;
}

template <typename Editor>
Editor* editor(const InspectorPaneParameterStackViewController* stack, const QString& id) {
    for (auto* e : stack->parameterViewControllers()) {
        if (e->parameter()->identifier() == id) {
            return qobject_cast<Editor*>(e);
        }
    }
    return nullptr;
}

struct ParameterPanes : ::testing::Test {
    FakeInspectorDocument document;
    QWidget window;
    InspectorPaneViewController_Print* print = new InspectorPaneViewController_Print;
    InspectorPaneViewController_PrinterOptions* options =
        new InspectorPaneViewController_PrinterOptions;

    void SetUp() override {
        document.device = model(mixedParameters);
        auto* column = new QVBoxLayout(&window);
        column->addWidget(print);
        column->addWidget(options);
        print->setDocument(&document);
        options->setDocument(&document);
        window.resize(310, 500);
        showAndActivate(&window);
    }
};

} // namespace

TEST_F(ParameterPanes, EachPaneShowsItsOwnParametersInModelOrderAndFollowsTheModel) {
    EXPECT_EQ(identifiers(print->parameterStack()), (QStringList{"heat", "density", "mode"}));
    EXPECT_EQ(identifiers(options->parameterStack()), (QStringList{"speed", "cool"}));
    EXPECT_NE(editor<InspectorPaneBoolParameterViewController>(print->parameterStack(), "heat"),
              nullptr);
    EXPECT_NE(editor<InspectorPanePickParameterViewController>(print->parameterStack(), "mode"),
              nullptr);
    EXPECT_TRUE(print->titleLabel()->isVisible());

    document.device = model();
    document.announce(QStringLiteral("deviceDescriptor"));
    EXPECT_TRUE(print->parameterStack()->parameterViewControllers().isEmpty());
    EXPECT_TRUE(options->parameterStack()->parameterViewControllers().isEmpty());
    EXPECT_FALSE(print->titleLabel()->isVisible());

    // Without a current setting there is nothing to edit.
    document.device = model(mixedParameters);
    document.hasSetting = false;
    document.announce(QStringLiteral("deviceDescriptor"));
    EXPECT_TRUE(print->parameterStack()->parameterViewControllers().isEmpty());
    document.hasSetting = true;
    document.announce(QStringLiteral("currentDeviceSetting"));
    EXPECT_EQ(identifiers(print->parameterStack()).size(), 3);
}

TEST_F(ParameterPanes, NegatedSwitchWritesTheInverseAndUndoRestoresIt) {
    auto* cool =
        editor<InspectorPaneBoolParameterViewController>(options->parameterStack(), "cool");
    ASSERT_NE(cool, nullptr);
    // Nothing stored reads as off, which a negated box shows as on.
    EXPECT_TRUE(cool->checkbox()->isChecked());
    cool->checkbox()->click();
    EXPECT_EQ(document.setting.value("cool"), QVariant(true));
    EXPECT_FALSE(cool->checkbox()->isChecked());
    document.undo.undo();
    EXPECT_FALSE(document.setting.contains("cool"));
    EXPECT_TRUE(cool->checkbox()->isChecked());

    auto* heat = editor<InspectorPaneBoolParameterViewController>(print->parameterStack(), "heat");
    heat->checkbox()->click();
    EXPECT_EQ(document.setting.value("heat"), QVariant(true));
}

TEST_F(ParameterPanes, NumberEditorClampsShowsFractionsAndRefusesNonFiniteInput) {
    auto* density =
        editor<InspectorPaneNumberParameterViewController>(print->parameterStack(), "density");
    ASSERT_NE(density, nullptr);
    density->changeValue(25);
    EXPECT_EQ(document.setting.value("density").toDouble(), 10.0);
    density->changeValue(-25);
    EXPECT_EQ(document.setting.value("density").toDouble(), -10.0);
    const int steps = int(document.undo.count());
    density->changeValue(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(document.undo.count(), steps);

    document.setting.insert("density", 2.5);
    document.announce(QStringLiteral("currentDeviceSetting.density"));
    EXPECT_EQ(density->numberLabel()->text(), QLocale().toString(2.5));
    document.setting.insert("density", QStringLiteral("loud"));
    document.announce(QStringLiteral("currentDeviceSetting.density"));
    EXPECT_EQ(density->numberLabel()->text(), QStringLiteral("0"));

    typeAndReturn(density->numberLabel(), QStringLiteral("1e999"));
    EXPECT_EQ(document.setting.value("density"), QVariant(QStringLiteral("loud")));
    typeAndReturn(density->numberLabel(), QStringLiteral("3*2"));
    EXPECT_EQ(document.setting.value("density").toDouble(), 6.0);
    EXPECT_DOUBLE_EQ(density->slider()->doubleValue(), 6.0);
}

TEST_F(ParameterPanes, PickEditorWritesItemIdentifiersAndKeepsItsChoiceForUnknownValues) {
    auto* mode = editor<InspectorPanePickParameterViewController>(print->parameterStack(), "mode");
    ASSERT_NE(mode, nullptr);
    ASSERT_EQ(mode->popUpButton()->count(), 2);
    mode->changeValue(1);
    EXPECT_EQ(document.setting.value("mode"), QVariant(QStringLiteral("fine")));
    EXPECT_EQ(mode->popUpButton()->currentIndex(), 1);
    const int steps = int(document.undo.count());
    mode->changeValue(7);
    EXPECT_EQ(document.undo.count(), steps);

    document.setting.insert("mode", QStringLiteral("gone"));
    document.announce(QStringLiteral("currentDeviceSetting.mode"));
    EXPECT_EQ(mode->popUpButton()->currentIndex(), 1);
    document.undo.undo();
    EXPECT_EQ(mode->popUpButton()->currentIndex(), 1);
}

TEST_F(ParameterPanes, PrintButtonFollowsTheDocumentAndTheMaintenancePopover) {
    QWidget windowController;
    EXPECT_FALSE(print->canPrint()); // no window controller yet
    print->setWindowController(&windowController);
    EXPECT_TRUE(print->printButton()->isEnabled());

    document.viewing = true;
    document.announce(QStringLiteral("inViewingMode"));
    EXPECT_FALSE(print->printButton()->isEnabled());
    document.viewing = false;
    document.announce(QStringLiteral("inViewingMode"));
    EXPECT_TRUE(print->printButton()->isEnabled());

    windowController.setProperty("maintenanceCanClose", false);
    EXPECT_FALSE(print->printButton()->isEnabled());
    QTest::mouseClick(print->printButton(), Qt::LeftButton);
    EXPECT_EQ(document.printRequests, 0);
    windowController.setProperty("maintenanceCanClose", true);
    EXPECT_TRUE(print->printButton()->isEnabled());

    document.hasImage = false;
    document.announce(QStringLiteral("originalImage"));
    EXPECT_FALSE(print->printButton()->isEnabled());
    document.hasImage = true;
    document.announce(QStringLiteral("originalImage"));
    QTest::mouseClick(print->printButton(), Qt::LeftButton);
    EXPECT_EQ(document.printRequests, 1);

    print->setDocument(nullptr);
    EXPECT_FALSE(print->printButton()->isEnabled());
}

TEST(PrintPane, AdvancedButtonShowsOnlyWhereThereIsAnAdvancedPageToGoTo) {
    FakeInspectorDocument document;
    document.device = model(printerOptions);
    InspectorViewController inspector;
    inspector.resize(310, 700);
    showAndActivate(&inspector);
    inspector.setDocument(&document);
    inspector.setDeviceDescriptor(document.device);
    auto panes = inspector.currentNavigationItem()->viewControllers();
    auto* print = qobject_cast<InspectorPaneViewController_Print*>(panes.back());
    ASSERT_NE(print, nullptr);
    EXPECT_TRUE(print->goToAdvancedButton()->isVisible());

    // A vertical swipe is not for this pane; a leftward one opens the page.
    EXPECT_FALSE(print->swipe(-1, -5));
    EXPECT_TRUE(print->swipe(-5, 1));
    EXPECT_EQ(inspector.currentNavigationItem()->pageDescriptor()->identifier(),
              QStringLiteral("advanced"));
    InspectorPaneViewController_Print* advancedPrint = nullptr;
    for (auto* pane : inspector.currentNavigationItem()->viewControllers()) {
        advancedPrint =
            advancedPrint ? advancedPrint : qobject_cast<InspectorPaneViewController_Print*>(pane);
    }
    ASSERT_NE(advancedPrint, nullptr);
    EXPECT_FALSE(advancedPrint->goToAdvancedButton()->isVisible());
    EXPECT_FALSE(advancedPrint->swipe(-5, 0));

    // A model without an advanced page has no button either.
    FakeInspectorDocument plain;
    InspectorViewController other;
    showAndActivate(&other);
    other.setDocument(&plain);
    other.setDeviceDescriptor(plain.device);
    auto* plainPrint = qobject_cast<InspectorPaneViewController_Print*>(
        other.currentNavigationItem()->viewControllers().back());
    ASSERT_NE(plainPrint, nullptr);
    EXPECT_FALSE(plainPrint->goToAdvancedButton()->isVisible());
}

TEST_F(ParameterPanes, EveryNewPaneFitsASidePanelOf300Pixels) {
    const QStringList identifiers{"Image", "Bitmap", "Print", "PrinterOptions"};
    for (const QString& id : identifiers) {
        std::unique_ptr<InspectorPaneViewController> pane(
            InspectorPaneRegistry::shared().instantiate(id));
        ASSERT_NE(pane, nullptr) << id.toStdString();
        pane->setDocument(&document);
        EXPECT_LE(pane->minimumSizeHint().width(), 300) << id.toStdString();
        pane->setDocument(nullptr);
    }
}
