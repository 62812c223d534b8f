#include "core/document/application/Appearance.h"
#include "core/document/application/ExpansionArray.h"
#include "core/document/application/ResponderChain.h"
#include "core/document/job/CurrentGraphicsContext.h"
#include "core/document/job/Framework.h"
#include "core/document/job/OrientedImageDrawing.h"

#include <QImage>
#include <QTimer>

#include <gtest/gtest.h>

using ambrel::ImageRotation;
using kestrom::Appearance;
using kestrom::CurrentGraphicsContext;
using kestrom::ExpansionArray;
using kestrom::OrientedImageDrawing;
using platform::GraphicsContext;

namespace {

TEST(ExpansionArray, growsAndShrinksInIndexOrder) {
    ExpansionArray<QString> list;
    QList<qsizetype> added;
    QStringList removed;
    auto add = [&](qsizetype i) {
        added << i;
        return QString("view %1").arg(i);
    };
    auto remove = [&](const QString& element, qsizetype i) {
        removed << QString("%1@%2").arg(element).arg(i);
        EXPECT_EQ(list.count(), 3); // still in the list while told
    };
    list.setCount(3, add, remove);
    EXPECT_EQ(added, (QList<qsizetype>{0, 1, 2}));
    list.setCount(3, add, remove);
    EXPECT_EQ(added.size(), 3);
    EXPECT_TRUE(removed.isEmpty());
    list.setCount(1, add, remove);
    EXPECT_EQ(removed, (QStringList{"view 1@1", "view 2@2"}));
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.objects().front(), "view 0");

    list.setCount(0, add); // without a removed handler
    list.setCount(2, add);
    removed.clear();
    list.removeAll(
        [&](const QString& e, qsizetype i) { removed << QString("%1@%2").arg(e).arg(i); });
    EXPECT_EQ(removed, (QStringList{"view 0@0", "view 1@1"}));
    EXPECT_EQ(list.count(), 0);
}

TEST(ResponderChain, findsTheNearestOtherInstanceUpTheChain) {
    QObject window;
    QTimer outer(&window);
    QObject middle(&outer);
    QTimer inner(&middle);
    EXPECT_EQ(kestrom::ResponderChain::nearestResponder<QTimer>(&inner), &outer);
    EXPECT_EQ(kestrom::ResponderChain::nearestResponder<QTimer>(&outer), nullptr);
    EXPECT_EQ(kestrom::ResponderChain::nearestResponder<QObject>(&window), nullptr);
}

TEST(Appearance, darkAndContrastFollowTheBestMatch) {
    using N = Appearance::Name;
    EXPECT_TRUE(Appearance(N::darkAqua).isDark());
    EXPECT_FALSE(Appearance(N::darkAqua).isContrastIncreased());
    EXPECT_TRUE(Appearance(N::highContrastDarkAqua).isContrastIncreased());
    EXPECT_TRUE(Appearance(N::highContrastDarkAqua).isDark());
    EXPECT_FALSE(Appearance(N::highContrastAqua).isDark());
    EXPECT_TRUE(Appearance(N::vibrantDark).isDark());
    EXPECT_FALSE(Appearance(N::vibrantDark).isContrastIncreased());
    EXPECT_TRUE(Appearance(N::highContrastVibrantDark).isContrastIncreased());
    EXPECT_EQ(Appearance(N::vibrantLight).bestMatch({N::darkAqua}), std::nullopt);
}

TEST(Framework, stringTableIsTheDefaultTableOfTheFrameworksBundle) {
    EXPECT_EQ(kestrom::Framework::frameworkBundle()->name(), "KestromCore");
    EXPECT_EQ(kestrom::Framework::frameworkStringTable().bundle(),
              kestrom::Framework::frameworkBundle());
    EXPECT_FALSE(kestrom::Framework::frameworkStringTable().name());
}

// A 2 x 1 picture: a black pixel on the left, a mid-gray one on the right.
QImage marker() {
    QImage image(2, 1, QImage::Format_Grayscale8);
    image.setPixel(0, 0, qRgb(0, 0, 0));
    image.setPixel(1, 0, qRgb(128, 128, 128));
    return image;
}

// The gray bitmap as rows (first row first), '.' white, '#' black, '+' gray.
QStringList rows(const GraphicsContext& context) {
    QStringList out;
    const QImage& bitmap = context.bitmap();
    for (int y = 0; y < bitmap.height(); ++y) {
        QString row;
        for (int x = 0; x < bitmap.width(); ++x) {
            const int v = qGray(bitmap.pixel(x, y));
            row += v > 200 ? '.' : v < 60 ? '#' : '+';
        }
        out << row;
    }
    return out;
}

QStringList drawn(ImageRotation orientation, bool flip, const QRectF& rect) {
    auto context = GraphicsContext::makeBitmap(GraphicsContext::PixelFormat::gray8, 6, 6);
    context->setGrayFillColor(1, 1);
    context->fill(QRectF(0, 0, 6, 6));
    context->setInterpolationQuality(GraphicsContext::InterpolationQuality::none);
    CurrentGraphicsContext::perform(*context, false, [&](GraphicsContext&) {
        OrientedImageDrawing::draw(marker(), rect, orientation, flip);
    });
    return rows(*context);
}

TEST(OrientedImageDrawing, coversTheRectangleInEveryOrientation) {
    // Rect (1, 2, 4, 2) in y-up space is rows 2-3 (from the top), columns 1-4.
    const QRectF wide(1, 2, 4, 2);
    const QRectF tall(2, 1, 2, 4);
    EXPECT_EQ(drawn(ImageRotation::none, false, wide),
              (QStringList{"......", "......", ".##++.", ".##++.", "......", "......"}));
    EXPECT_EQ(drawn(ImageRotation::none, true, wide),
              (QStringList{"......", "......", ".++##.", ".++##.", "......", "......"}));
    EXPECT_EQ(drawn(ImageRotation::r180, false, wide),
              (QStringList{"......", "......", ".++##.", ".++##.", "......", "......"}));
    EXPECT_EQ(drawn(ImageRotation::r180, true, wide),
              (QStringList{"......", "......", ".##++.", ".##++.", "......", "......"}));
    // Quarter turns draw the picture 2 high into the tall rectangle.
    const QStringList r90 = drawn(ImageRotation::r90, false, tall);
    const QStringList r270 = drawn(ImageRotation::r270, false, tall);
    const QStringList r90Mirrored = drawn(ImageRotation::r90, true, tall);
    for (const QStringList& picture : {r90, r270, r90Mirrored}) {
        EXPECT_EQ(picture.first(), "......");
        EXPECT_EQ(picture.last(), "......");
        for (int y = 1; y <= 4; ++y) {
            EXPECT_EQ(picture[y].left(2), "..");
            EXPECT_EQ(picture[y].right(2), "..");
            EXPECT_NE(picture[y].mid(2, 2).count('.'), 2) << picture.join('|').toStdString();
        }
    }
    // r90 and r270 put the dark half at opposite ends; mirroring a quarter
    // turn flips it top to bottom.
    EXPECT_EQ(r90[1].mid(2, 2), r270[4].mid(2, 2));
    EXPECT_NE(r90[1].mid(2, 2), r90[4].mid(2, 2));
    EXPECT_EQ(r90Mirrored[1].mid(2, 2), r90[4].mid(2, 2));
}

TEST(OrientedImageDrawing, needsACurrentContextWhichPerformRestores) {
    EXPECT_EQ(CurrentGraphicsContext::current(), nullptr);
    OrientedImageDrawing::draw(marker(), QRectF(0, 0, 2, 1), ImageRotation::none, false);
    auto outer = GraphicsContext::makeBitmap(GraphicsContext::PixelFormat::gray8, 2, 2);
    auto inner = GraphicsContext::makeBitmap(GraphicsContext::PixelFormat::gray8, 2, 2);
    const int result = CurrentGraphicsContext::perform(*outer, true, [&](GraphicsContext&) {
        EXPECT_TRUE(CurrentGraphicsContext::isFlipped());
        try {
            CurrentGraphicsContext::perform(*inner, false, [&](GraphicsContext& c) -> int {
                EXPECT_EQ(&c, inner.get());
                throw std::runtime_error("stop");
            });
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(CurrentGraphicsContext::current(), outer.get());
        return 7;
    });
    EXPECT_EQ(result, 7);
    EXPECT_EQ(CurrentGraphicsContext::current(), nullptr);
}

} // namespace
