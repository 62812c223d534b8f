#include "core/canvas/GridView.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/inspector/InspectorViewController.h"
#include "core/launch/AppDelegate.h"
#include "core/window/DocumentWindow.h"
#include "core/window/tests/ModelDocument.h"

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using kestrom::AppDelegate;
using kestrom::DocumentWindow;
using kestrom::PrintJobDocument;

namespace {

// A model with a maintenance button and a setting of its own.
std::shared_ptr<const ambrel::DeviceDescriptor> stencilModel() {
    const QByteArray json = R"([{
        "modelName": "Named", "printerType": "slow", "headDotCount": 256, "dpi": 300,
        "canvases": [{"identifier": "A", "size_mm": {"width": 40, "height": 100}},
                     {"identifier": "B", "size_mm": {"width": 80, "height": 120}}],
        "transportTypes": ["usb", "wifi"],
        "offsetBases": ["center", "topLeft"],
        "parameterProperties": [{"type": "number", "identifier": "speed",
                                 "pane": "PrinterOptions", "minValue": 1, "maxValue": 9,
                                 "defaultValue": 5}],
        "maintenanceActions": [{"identifier": "clean"}]
    }])";
    return window_test::ModelDocument::model(json);
}

// What a screen reader is given to speak for: controls a user acts on.
bool isControl(QAccessible::Role role) {
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::Slider:
    case QAccessible::SpinBox:
    case QAccessible::Dial:
    case QAccessible::EditableText:
    case QAccessible::ToolBar:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::PageTab:
    case QAccessible::Canvas:
    case QAccessible::Graphic:
    case QAccessible::List:
    case QAccessible::Table:
        return true;
    default:
        return false;
    }
}

QString roleName(QAccessible::Role role) {
    return QString::fromLatin1(qAccessibleRoleString(role));
}

// The showing controls without a name, each as "role class (parent's name)".
void collectUnnamed(QAccessibleInterface* node, QStringList& unnamed, int depth = 0) {
    if (!node || !node->isValid() || depth > 60) {
        return;
    }
    const QAccessible::State state = node->state();
    if (state.invisible || state.offscreen) {
        return;
    }
    if (isControl(node->role()) && node->text(QAccessible::Name).trimmed().isEmpty()) {
        QObject* object = node->object();
        unnamed << QStringLiteral("%1 %2 %4 in %3")
                       .arg(roleName(node->role()),
                            object ? QString::fromLatin1(object->metaObject()->className())
                                   : QStringLiteral("?"),
                            node->parent() ? node->parent()->text(QAccessible::Name) : QString(),
                            object ? object->objectName() : QString());
    }
    for (int i = 0; i < node->childCount(); ++i) {
        collectUnnamed(node->child(i), unnamed, depth + 1);
    }
}

struct AccessibilityTest : ::testing::Test, window_test::ModelDocument {
    AccessibilityTest() : ModelDocument(stencilModel(), QStringLiteral("Lunvik")) {
        window = DocumentWindow::windowFor(document);
        window->resize(1100, 800);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    }

    QString picture(const QString& name) const {
        QImage image(300, 150, QImage::Format_RGB32);
        image.fill(Qt::black);
        const QString path = folder.filePath(name);
        EXPECT_TRUE(image.save(path));
        return path;
    }
};

} // namespace

// A screen reader names every control that shows in a document window, with
// and without a picture, on the first page of settings and the advanced one.
TEST_F(AccessibilityTest, EveryShowingControlOfTheWindowHasAName) {
    ASSERT_TRUE(window);
    QStringList unnamed;
    collectUnnamed(QAccessible::queryAccessibleInterface(window), unnamed);
    EXPECT_EQ(unnamed.join(u'\n').toStdString(), "") << "without a picture";

    document->job().setOriginalImage(ambrel::OriginalImage::fromContentsOfURL(
        QUrl::fromLocalFile(picture(QStringLiteral("stamp.png")))));
    QCoreApplication::processEvents();
    unnamed.clear();
    collectUnnamed(QAccessible::queryAccessibleInterface(window), unnamed);
    EXPECT_EQ(unnamed.join(u'\n').toStdString(), "") << "with a picture";

    window->inspectorViewController()->pushPage(QStringLiteral("advanced"));
    // Once the page has slid in: the picture of the sliding pages is gone.
    EXPECT_TRUE(QTest::qWaitFor(
        [this] {
            for (const QWidget* transition :
                 window->findChildren<QWidget*>(QStringLiteral("InspectorAnimation_transition"))) {
                if (transition->isVisible()) {
                    return false;
                }
            }
            return true;
        },
        5000));
    unnamed.clear();
    collectUnnamed(QAccessible::queryAccessibleInterface(window), unnamed);
    EXPECT_EQ(unnamed.join(u'\n').toStdString(), "") << "advanced settings";
}

// The toolbar's buttons that show only a symbol are spoken by the symbol's
// description.
TEST_F(AccessibilityTest, TheToolbarsSymbolButtonsAreSpokenByTheirSymbolsDescription) {
    ASSERT_TRUE(window);
    for (const auto& [button, name] :
         {std::pair{window->toggleInspectorButton(), QStringLiteral("Right Sidebar")},
          std::pair{window->findChild<QToolButton*>(QStringLiteral("HelpButton")),
                    QStringLiteral("Help")}}) {
        ASSERT_TRUE(button) << name.toStdString();
        QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(button);
        ASSERT_TRUE(spoken);
        EXPECT_EQ(spoken->text(QAccessible::Name), name);
        EXPECT_TRUE(button->isVisible()) << name.toStdString();
    }
}

// The canvas is a selectable, focusable element named as such; its
// description tells the placed picture's file, size and position.
TEST_F(AccessibilityTest, TheCanvasTellsWhichPictureIsPlacedWhereAndHowLarge) {
    ASSERT_TRUE(window);
    QAccessibleInterface* canvas = QAccessible::queryAccessibleInterface(window->gridView());
    ASSERT_TRUE(canvas);
    EXPECT_EQ(roleName(canvas->role()), roleName(QAccessible::Canvas));
    EXPECT_EQ(canvas->text(QAccessible::Name), QStringLiteral("Canvas"));
    EXPECT_TRUE(canvas->state().focusable);
    EXPECT_FALSE(canvas->text(QAccessible::Description).isEmpty());
    EXPECT_TRUE(canvas->text(QAccessible::Description).contains(QStringLiteral("No picture")))
        << canvas->text(QAccessible::Description).toStdString();

    document->job().setOriginalImage(ambrel::OriginalImage::fromContentsOfURL(
        QUrl::fromLocalFile(picture(QStringLiteral("stamp.png")))));
    document->job().setImageSizeWithWidthForDisplay_mm(30);
    document->job().setImageOffset_mm({2, -3.5});
    QCoreApplication::processEvents();
    const QString description = canvas->text(QAccessible::Description);
    EXPECT_TRUE(description.contains(QStringLiteral("stamp.png"))) << description.toStdString();
    EXPECT_TRUE(description.contains(QStringLiteral("30 × 15 mm"))) << description.toStdString();
    EXPECT_TRUE(description.contains(QStringLiteral("2 mm"))) << description.toStdString();
    EXPECT_TRUE(description.contains(QStringLiteral("−3.5 mm")) ||
                description.contains(QStringLiteral("-3.5 mm")))
        << description.toStdString();
    EXPECT_TRUE(canvas->state().selectable);

    // Tab there: it is focused, and its picture selected.
    window->gridView()->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(canvas->state().focused);
    EXPECT_TRUE(canvas->state().selected);
}
