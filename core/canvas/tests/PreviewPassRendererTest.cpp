#include "core/canvas/preview/PreviewPassRenderer.h"
#include "core/canvas/preview/PreviewImageRules.h"
#include "core/canvas/preview/PreviewTileRenderer.h"
#include "platform/tests/support/TestPictures.h"

#include <QUrl>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <mutex>

using namespace kestrom;

namespace {

ambrel::OriginalImage::Pointer vectorLogo() {
    return ambrel::OriginalImage::fromData(
        testpictures::pdf({QRectF(0, 0, 160, 100), QRectF(5, 5, 150, 90), 0,
                           "0 0 0 rg 40 50 m 40 72 58 90 80 90 c 102 90 120 72 120 50 c 120 28 "
                           "102 10 80 10 c 58 10 40 28 40 50 c f 0.5 g 10 10 m 60 10 l 35 80 l h "
                           "f 0 G 0.3 w 8 92 m 150 12 l S"}),
        QUrl::fromLocalFile(QStringLiteral("/logo.pdf")));
}

// The tiles one pass of a view makes, by their index.
std::map<int, QImage> tilesOfPass(const std::shared_ptr<PreviewRenderState>& state,
                                  const ambrel::OriginalImage::Pointer& image,
                                  const PreviewGeometry& geometry,
                                  const ambrel::BlackConversion& conversion,
                                  const PreviewPass::TileTask& tiles) {
    auto pass = std::make_shared<PreviewPass>();
    pass->originalImage = image;
    pass->geometry = geometry;
    pass->blackConversion = conversion;
    pass->tileTask = tiles;
    {
        std::lock_guard guard(previewPassLock());
        state->current = pass;
    }
    std::mutex lock;
    std::map<int, QImage> made;
    PreviewPassRenderer::run(state, pass,
                             {[](const QImage&) {},
                              [&](std::vector<std::pair<int, QImage>> ready) {
                                  std::lock_guard guard(lock);
                                  for (auto& [index, tile] : ready) {
                                      made[index] = tile;
                                  }
                              },
                              {}});
    return made;
}

bool sameTile(const QImage& a, const QImage& b) {
    if (a.isNull() || b.isNull() || a.size() != b.size()) {
        return false;
    }
    for (int y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(a.width())) != 0) {
            return false;
        }
    }
    return true;
}

} // namespace

// A vector page is drawn unsmoothed under a threshold at the middle gray and
// smoothed under any other. The view keeps its geometry when only the
// threshold changes: its tiles are still those of the threshold in force,
// both ways, whatever dots the passes before kept.
TEST(PreviewPassRenderer, aVectorPageTileFollowsTheSmoothingOfTheThresholdInForce) {
    const auto logo = vectorLogo();
    ASSERT_TRUE(logo && logo->isVector());
    ambrel::OriginalImageDrawingOptions options;
    options.imageSize_px = {431, 277};
    options.imageOffset_mm = {3.3, 4.1};
    options.imageBitmapConversion = ambrel::BlackConversion::threshold({0.5, 0});
    const auto atMiddle = PreviewGeometry::make(options, {70, 50}, ambrel::Dpi(300));
    ASSERT_TRUE(atMiddle);
    // Zoomed in, so that a tile pixel is less than a dot and edges show.
    PreviewPass::TileTask tiles;
    tiles.viewSize = QSizeF(atMiddle->placement.width * 1.9, atMiddle->placement.height * 1.9);
    tiles.tileRects = PreviewImageRules::tileFrames(tiles.viewSize);
    tiles.scale = 1;
    ASSERT_GT(tiles.tileRects.size(), 3);

    const auto middle = ambrel::BlackConversion::threshold({0.5, 0});
    const auto above = ambrel::BlackConversion::threshold({0.6, 0});
    const auto fresh = [&](const ambrel::BlackConversion& conversion) {
        auto geometry = *atMiddle;
        geometry.options.imageBitmapConversion = conversion;
        std::map<int, QImage> tilesOf;
        for (qsizetype i = 0; i < tiles.tileRects.size(); ++i) {
            tilesOf[int(i)] =
                PreviewTileRenderer::render(*logo, conversion, std::nullopt, geometry,
                                            {tiles.tileRects.at(i), tiles.viewSize, tiles.scale});
        }
        return tilesOf;
    };
    const auto expectedMiddle = fresh(middle);
    const auto expectedAbove = fresh(above);
    int differing = 0;
    for (const auto& [index, tile] : expectedMiddle) {
        differing += !sameTile(tile, expectedAbove.at(index));
    }
    ASSERT_GT(differing, 0) << "the smoothing shows in the tiles";

    const auto state = std::make_shared<PreviewRenderState>();
    for (const auto* conversion : {&middle, &above, &middle, &above}) {
        const auto made = tilesOfPass(state, logo, *atMiddle, *conversion, tiles);
        const auto& expected = conversion == &middle ? expectedMiddle : expectedAbove;
        ASSERT_EQ(made.size(), expected.size());
        for (const auto& [index, tile] : expected) {
            EXPECT_TRUE(sameTile(made.at(index), tile))
                << "tile " << index << (conversion == &middle ? " at the middle" : " above it");
        }
    }
}
