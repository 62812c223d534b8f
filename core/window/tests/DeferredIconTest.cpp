#include "core/window/DeferredIconEngine.h"
#include "core/window/DeferredIconStyle.h"
#include "core/window/ToolbarIcon.h"
#include "platform/Bundle.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

using kestrom::DeferredIconEngine;
using kestrom::DeferredIconStyle;

namespace {

QImage drawn(const QIcon& icon, int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    icon.paint(&painter, image.rect());
    return image;
}

QIcon squares() {
    QIcon icon;
    for (const int side : {16, 32}) {
        QPixmap pixmap(side, side);
        pixmap.fill(side == 16 ? Qt::red : Qt::blue);
        icon.addPixmap(pixmap);
    }
    return icon;
}

// Fusion, counting the arrows asked of it.
class CountingStyle : public QProxyStyle {
public:
    CountingStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}
    mutable int arrows = 0;
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option,
                       const QWidget* widget) const override {
        arrows += icon == SP_ToolBarHorizontalExtensionButton ||
                  icon == SP_ToolBarVerticalExtensionButton;
        return QProxyStyle::standardIcon(icon, option, widget);
    }
};

} // namespace

TEST(DeferredIconEngine, MakesTheIconOnceWhenFirstDrawnAndDrawsItsPixels) {
    int made = 0;
    auto* engine = new DeferredIconEngine([&made] {
        ++made;
        return squares();
    });
    const QIcon icon(engine);
    const QIcon copy = icon;
    EXPECT_FALSE(icon.isNull());
    EXPECT_EQ(made, 0) << "made before it was drawn";

    const QIcon direct = squares();
    EXPECT_EQ(drawn(copy, 16), drawn(direct, 16));
    EXPECT_EQ(made, 1);
    EXPECT_TRUE(engine->isMade());
    EXPECT_EQ(drawn(icon, 32), drawn(direct, 32));
    EXPECT_EQ(icon.pixmap(16, QIcon::Disabled).toImage(),
              direct.pixmap(16, QIcon::Disabled).toImage());
    EXPECT_EQ(icon.actualSize(QSize(64, 64)), direct.actualSize(QSize(64, 64)));
    EXPECT_EQ(icon.availableSizes(), direct.availableSizes());
    EXPECT_EQ(made, 1) << "made again for a copy or another size";
}

TEST(DeferredIconStyle, BarsAskForTheirArrowsOnlyWhenTheArrowsAreDrawn) {
    // Bars take their arrows from the application's style as they are made.
    const QString previous = QApplication::style()->name();
    auto* counting = new CountingStyle;
    auto* style = new DeferredIconStyle(counting);
    QApplication::setStyle(style);
    {
        QMainWindow window;
        auto* toolbar = new QToolBar;
        window.addToolBar(toolbar);
        for (int i = 0; i < 12; ++i) {
            window.menuBar()->addMenu(QStringLiteral("Menu %1").arg(i));
            toolbar->addAction(QStringLiteral("Action %1").arg(i));
        }
        // Too narrow for the toolbar's actions: its arrow shows.
        window.resize(160, 120);
        EXPECT_EQ(counting->arrows, 0) << "an arrow was read as a bar was made";

        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.grab();
        EXPECT_GE(counting->arrows, 1) << "the arrow shown was never read";

        // The arrow is the style's own.
        const QIcon deferred = style->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton);
        const QIcon own =
            counting->baseStyle()->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton);
        for (const int side : {8, 16}) {
            EXPECT_EQ(drawn(deferred, side), drawn(own, side)) << side;
        }
    }
    QApplication::setStyle(QStyleFactory::create(previous));
}

TEST(ToolbarIcon, IsDrawnFromItsPictureWhenShownInTheGivenColour) {
    const QColor color(200, 40, 30);
    const QIcon icon = kestrom::ToolbarIcon::make(QStringLiteral("help"), color);
    QFile file(platform::Bundle::named(QStringLiteral("KestromCore"))->resourceRoot() +
               QStringLiteral("/icons/help.svg"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray svg = file.readAll().replace("currentColor", color.name().toLatin1());
    QIcon read;
    for (int side : {20, 40}) {
        QPixmap pixmap;
        ASSERT_TRUE(pixmap.loadFromData(
            QByteArray(svg).replace(
                "width=\"20\" height=\"20\"",
                QStringLiteral("width=\"%1\" height=\"%1\"").arg(side).toLatin1()),
            "SVG"));
        read.addPixmap(pixmap);
    }
    for (const int side : {20, 40, 16}) {
        const QImage image = drawn(icon, side);
        EXPECT_EQ(image, drawn(read, side)) << side;
    }
    int inked = 0;
    const QImage image = drawn(icon, 20);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            inked += qAlpha(image.pixel(x, y)) > 128 && qRed(image.pixel(x, y)) > 100;
        }
    }
    EXPECT_GT(inked, 5) << "not drawn in the given colour";
}
