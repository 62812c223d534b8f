#include "core/canvas/GridView.h"
#include "core/canvas/MainContentSplitItemViewController.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/document/tests/RunTestSupport.h"
#include "core/inspector/InspectorPaneViewController_Image.h"
#include "core/inspector/InspectorPaneViewController_Print.h"
#include "core/inspector/InspectorViewController.h"
#include "core/launch/AppDelegate.h"
#include "core/window/DocumentWindow.h"
#include "core/window/ToolbarController.h"
#include "core/window/tests/ModelDocument.h"
#include "core/window/tests/WindowTestModels.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

using kestrom::AppDelegate;
using kestrom::DocumentWindow;
using kestrom::PrintJobDocument;

namespace {

// Two canvases, so the pop-up above the canvas shows; a setting in the pane
// pinned at the bottom and one on the advanced page.
std::shared_ptr<const ambrel::DeviceDescriptor> focusModel() {
    const QByteArray json = R"([{
        "modelName": "Focus", "printerType": "slow", "headDotCount": 256, "dpi": 300,
        "canvases": [{"identifier": "A", "size_mm": {"width": 40, "height": 100}},
                     {"identifier": "B", "size_mm": {"width": 80, "height": 120}}],
        "offsetBases": ["center"],
        "parameterProperties": [
            {"type": "number", "identifier": "density", "pane": "Print",
             "minValue": 1, "maxValue": 9, "defaultValue": 5},
            {"type": "number", "identifier": "speed", "pane": "PrinterOptions",
             "minValue": 1, "maxValue": 9, "defaultValue": 5}]
    }])";
    return window_test::ModelDocument::model(json);
}

struct WindowFocusOrderTest : ::testing::Test, window_test::ModelDocument {
    WindowFocusOrderTest() : ModelDocument(focusModel()) {
        document->job().setOriginalImage(run_test::picture());
        window = DocumentWindow::windowFor(document);
        QApplication::setActiveWindow(window);
        QCoreApplication::processEvents();
    }

    QWidget* firstControl() const { return window->modelPopUpButton(); }

    // Every stop from the first control on, until focus comes back to it.
    QList<QWidget*> walk(Qt::Key key) {
        firstControl()->setFocus(Qt::TabFocusReason);
        QList<QWidget*> visited;
        for (int i = 0; i < 100; ++i) {
            QWidget* focus = QApplication::focusWidget();
            if (!focus || (i > 0 && focus == firstControl())) {
                break;
            }
            visited.append(focus);
            QTest::keyClick(focus, key);
        }
        return visited;
    }

    bool inInspector(const QWidget* widget) const {
        return window->inspectorViewController()->isAncestorOf(widget);
    }

    template <typename Pane> Pane* pane() const {
        return window->inspectorViewController()->findChild<Pane*>();
    }

    // Tab stops only at controls, goes through the toolbar, the pop-up above
    // the canvas, the canvas, then the inspector without ever going back up;
    // Shift+Tab takes the same stops backwards.
    void expectVisualOrder() {
        const QList<QWidget*> forward = walk(Qt::Key_Tab);
        ASSERT_FALSE(forward.isEmpty());
        ASSERT_EQ(QApplication::focusWidget(), firstControl()) << "Tab went round";

        for (QWidget* stop : forward) {
            const char* type = stop->metaObject()->className();
            // The canvas is the one scroll area that takes keys of its own.
            EXPECT_TRUE(!qobject_cast<QAbstractScrollArea*>(stop) || stop == window->gridView())
                << type;
            EXPECT_FALSE(qobject_cast<QAbstractScrollArea*>(stop->parentWidget())) << "viewport";
            EXPECT_FALSE(stop->inherits("kestrom::GridViewContainerView"));
            EXPECT_NE(stop->metaObject(), &QWidget::staticMetaObject) << "a bare container";
        }

        QToolBar* toolbar = window->toolbarController()->toolbar();
        const qsizetype canvasPopUp = forward.indexOf(window->canvasPopUpButton());
        ASSERT_GT(canvasPopUp, 0);
        for (qsizetype i = 0; i < canvasPopUp; ++i) {
            EXPECT_TRUE(toolbar->isAncestorOf(forward[i])) << i;
        }
        ASSERT_LT(canvasPopUp + 1, forward.size());
        EXPECT_EQ(forward[canvasPopUp + 1], window->gridView());
        for (qsizetype i = canvasPopUp + 2; i < forward.size(); ++i) {
            EXPECT_TRUE(inInspector(forward[i])) << i;
        }
        // Measured once all are visited, as Tab scrolls the panes.
        for (qsizetype i = canvasPopUp + 3; i < forward.size(); ++i) {
            const QRect previous(forward[i - 1]->mapTo(window, QPoint()), forward[i - 1]->size());
            const QRect current(forward[i]->mapTo(window, QPoint()), forward[i]->size());
            EXPECT_GE(current.center().y(), previous.top())
                << forward[i]->metaObject()->className() << " at " << i << " comes after "
                << forward[i - 1]->metaObject()->className() << " below it";
        }

        QList<QWidget*> backward = walk(Qt::Key_Backtab);
        ASSERT_FALSE(backward.isEmpty());
        std::reverse(backward.begin() + 1, backward.end());
        EXPECT_EQ(backward, forward);
    }
};

} // namespace

TEST_F(WindowFocusOrderTest, TabGoesThroughTheToolbarTheCanvasThenTheInspectorTopToBottom) {
    ASSERT_TRUE(window);
    expectVisualOrder();
    const QList<QWidget*> stops = walk(Qt::Key_Tab);
    const auto* image = pane<kestrom::InspectorPaneViewController_Image>();
    ASSERT_TRUE(image);
    const qsizetype choose = stops.indexOf(image->chooseImageButton());
    ASSERT_GT(choose, 0);
    EXPECT_TRUE(window->gridView() == stops[choose - 1]);
    EXPECT_TRUE(window->canvasPopUpButton() == stops[choose - 2]);
    EXPECT_EQ(stops.mid(choose + 1, 3),
              (QList<QWidget*>{image->rotateLeftButton(), image->rotateRightButton(),
                               image->mirrorButton()}));
    // The pinned pane's setting editor is built after the pane, yet comes
    // before its buttons, as shown.
    const auto* print = pane<kestrom::InspectorPaneViewController_Print>();
    ASSERT_TRUE(print);
    EXPECT_EQ(stops.mid(stops.size() - 2),
              (QList<QWidget*>{print->printButton(), print->goToAdvancedButton()}));
}

TEST_F(WindowFocusOrderTest, PagesAndModelsChangedLaterKeepTheOrder) {
    ASSERT_TRUE(window);
    // The advanced page's panes come in after the window is made.
    window->inspectorViewController()->pushPage(QStringLiteral("advanced"));
    QCoreApplication::processEvents();
    ASSERT_EQ(window->inspectorViewController()->navigationItems().size(), 2);
    expectVisualOrder();

    // Back on the first page with the editors built anew for another model.
    window->inspectorViewController()->pop();
    document->job().setDeviceDescriptor(window_test::model(QStringLiteral("Stencil Two")));
    document->job().setDeviceDescriptor(focusModel());
    QCoreApplication::processEvents();
    expectVisualOrder();
}
