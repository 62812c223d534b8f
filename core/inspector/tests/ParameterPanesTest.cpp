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
    PaneDocument document{model(mixedParameters)};
    QWidget window;
    InspectorPaneViewController_Print* print = new InspectorPaneViewController_Print;
    InspectorPaneViewController_PrinterOptions* options =
        new InspectorPaneViewController_PrinterOptions;

    void SetUp() override {
        auto* column = new QVBoxLayout(&window);
        column->addWidget(print);
        column->addWidget(options);
        print->setDocument(document.adapter());
        options->setDocument(document.adapter());
        window.resize(310, 500);
        showAndActivate(&window);
    }
    QVariant setting(const QString& identifier) const {
        return document->valueForKeyPath(QStringLiteral("currentDeviceSetting.") + identifier);
    }
    // Stored behind the editors' back, as a package of another version may.
    void store(const QString& identifier, const QVariant& value) {
        document->currentDeviceSetting()->setValueForKey(identifier, value);
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

    document->setDeviceDescriptor(model());
    EXPECT_TRUE(print->parameterStack()->parameterViewControllers().isEmpty());
    EXPECT_TRUE(options->parameterStack()->parameterViewControllers().isEmpty());
    EXPECT_FALSE(print->titleLabel()->isVisible());

    // Without a current setting there is nothing to edit.
    document->setDeviceDescriptor(model(mixedParameters));
    EXPECT_EQ(identifiers(print->parameterStack()).size(), 3);
    const auto current = document->currentDeviceSetting();
    ASSERT_NE(current, nullptr);
    document->setCurrentDeviceSetting(nullptr);
    EXPECT_TRUE(print->parameterStack()->parameterViewControllers().isEmpty());
    document->setCurrentDeviceSetting(current);
    EXPECT_EQ(identifiers(print->parameterStack()).size(), 3);
}

TEST_F(ParameterPanes, NegatedSwitchWritesTheInverseAndUndoRestoresIt) {
    auto* cool =
        editor<InspectorPaneBoolParameterViewController>(options->parameterStack(), "cool");
    ASSERT_NE(cool, nullptr);
    // Off reads as on in a negated box.
    const QVariant before = setting("cool");
    EXPECT_EQ(cool->checkbox()->isChecked(), !before.toBool());
    cool->checkbox()->click();
    EXPECT_EQ(setting("cool"), QVariant(!before.toBool()));
    EXPECT_EQ(cool->checkbox()->isChecked(), before.toBool());
    PaneDocument::settle();
    document.undo().undo();
    EXPECT_EQ(setting("cool"), before);
    EXPECT_EQ(cool->checkbox()->isChecked(), !before.toBool());

    auto* heat = editor<InspectorPaneBoolParameterViewController>(print->parameterStack(), "heat");
    const bool heated = setting("heat").toBool();
    heat->checkbox()->click();
    EXPECT_EQ(setting("heat"), QVariant(!heated));
}

TEST_F(ParameterPanes, NumberEditorClampsShowsFractionsAndRefusesNonFiniteInput) {
    auto* density =
        editor<InspectorPaneNumberParameterViewController>(print->parameterStack(), "density");
    ASSERT_NE(density, nullptr);
    density->changeValue(25);
    EXPECT_EQ(setting("density").toDouble(), 10.0);
    PaneDocument::settle();
    density->changeValue(-25);
    EXPECT_EQ(setting("density").toDouble(), -10.0);
    density->changeValue(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(setting("density").toDouble(), -10.0);
    // The last step is still the last real change.
    PaneDocument::settle();
    document.undo().undo();
    EXPECT_EQ(setting("density").toDouble(), 10.0);

    store(QStringLiteral("density"), 2.5);
    EXPECT_EQ(density->numberLabel()->text(), QLocale().toString(2.5));
    store(QStringLiteral("density"), QStringLiteral("loud"));
    EXPECT_EQ(density->numberLabel()->text(), QStringLiteral("0"));

    typeAndReturn(density->numberLabel(), QStringLiteral("1e999"));
    EXPECT_EQ(setting("density"), QVariant(QStringLiteral("loud")));
    typeAndReturn(density->numberLabel(), QStringLiteral("3*2"));
    EXPECT_EQ(setting("density").toDouble(), 6.0);
    EXPECT_DOUBLE_EQ(density->slider()->doubleValue(), 6.0);
}

TEST_F(ParameterPanes, PickEditorWritesItemIdentifiersAndKeepsItsChoiceForUnknownValues) {
    auto* mode = editor<InspectorPanePickParameterViewController>(print->parameterStack(), "mode");
    ASSERT_NE(mode, nullptr);
    ASSERT_EQ(mode->popUpButton()->count(), 2);
    mode->changeValue(0);
    PaneDocument::settle();
    const QVariant before = setting("mode");
    mode->changeValue(1);
    EXPECT_EQ(setting("mode"), QVariant(QStringLiteral("fine")));
    EXPECT_EQ(mode->popUpButton()->currentIndex(), 1);
    mode->changeValue(7);
    EXPECT_EQ(setting("mode"), QVariant(QStringLiteral("fine")));

    store(QStringLiteral("mode"), QStringLiteral("gone"));
    EXPECT_EQ(mode->popUpButton()->currentIndex(), 1);
    // Undo reaches the editor: the last step was the choice of "fine".
    store(QStringLiteral("mode"), QStringLiteral("fine"));
    PaneDocument::settle();
    document.undo().undo();
    EXPECT_EQ(setting("mode"), before);
}

TEST_F(ParameterPanes, PrintButtonFollowsTheDocumentAndTheMaintenancePopover) {
    QWidget windowController;
    EXPECT_FALSE(print->canPrint()); // no window controller yet
    print->setWindowController(&windowController);
    EXPECT_TRUE(print->printButton()->isEnabled());

    document->setInViewingMode(true);
    EXPECT_FALSE(print->printButton()->isEnabled());
    document->setInViewingMode(false);
    EXPECT_TRUE(print->printButton()->isEnabled());

    windowController.setProperty("maintenanceCanClose", false);
    EXPECT_FALSE(print->printButton()->isEnabled());
    QTest::mouseClick(print->printButton(), Qt::LeftButton);
    EXPECT_EQ(document.prints, 0);
    windowController.setProperty("maintenanceCanClose", true);
    EXPECT_TRUE(print->printButton()->isEnabled());

    const auto picture = document->originalImage();
    document->setOriginalImage(nullptr);
    EXPECT_FALSE(print->printButton()->isEnabled());
    document->setOriginalImage(picture);
    QTest::mouseClick(print->printButton(), Qt::LeftButton);
    EXPECT_EQ(document.prints, 1);

    print->setDocument(nullptr);
    EXPECT_FALSE(print->printButton()->isEnabled());
}

TEST(PrintPane, AdvancedButtonShowsOnlyWhereThereIsAnAdvancedPageToGoTo) {
    PaneDocument document{model(printerOptions)};
    InspectorViewController inspector;
    inspector.resize(310, 700);
    showAndActivate(&inspector);
    inspector.setDocument(document.adapter());
    inspector.setDeviceDescriptor(document->deviceDescriptor());
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
    PaneDocument plain;
    InspectorViewController other;
    showAndActivate(&other);
    other.setDocument(plain.adapter());
    other.setDeviceDescriptor(plain->deviceDescriptor());
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
        pane->setDocument(document.adapter());
        EXPECT_LE(pane->minimumSizeHint().width(), 300) << id.toStdString();
        pane->setDocument(nullptr);
    }
}
