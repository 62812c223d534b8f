#include "core/canvas/preview/PreviewPassRenderer.h"

#include "core/canvas/preview/PreviewImageRules.h"
#include "core/canvas/preview/PreviewTileRenderer.h"
#include "imaging/print/PrintPictureDrawing.h"
#include "platform/compute/Device.h"
#include "platform/compute/ForegroundWork.h"
#include "platform/graphics/OrientedImageCache.h"

#include <QElapsedTimer>

#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace kestrom {

namespace {

// The thumbnail of a pass made from the print's dots is drawn at this many
// pixels: it shows only until the tiles come.
constexpr double thumbnailPixelBudget =
    4.0 * PreviewImageRules::thumbnailSide * PreviewImageRules::thumbnailSide;

// Tiles made within this of the last ones handed over go with them.
constexpr qint64 batchInterval_ms = 25;

// The longest the tiles wait for a print to make its picture; the rest of a
// print is mostly the device's time.
constexpr std::chrono::milliseconds printFirst{100};

} // namespace

std::mutex& previewPassLock() {
    // Never destroyed: the worker may still check a pass while the process ends.
    static auto* lock = new std::mutex;
    return *lock;
}

void PreviewPassRenderer::run(const std::shared_ptr<PreviewRenderState>& state,
                              const std::shared_ptr<PreviewPass>& pass, const Delivery& delivery) {
    try {
        makePreview(state, pass, delivery);
        makeTiles(state, pass, delivery);
    } catch (const platform::Error& error) {
        {
            std::lock_guard guard(previewPassLock());
            if (state->current != pass) {
                pass->status = PreviewPass::Status::cancelled;
                return;
            }
        }
        if (delivery.failed) {
            delivery.failed(error.clone());
        }
    }
}

void PreviewPassRenderer::makePreview(const std::shared_ptr<PreviewRenderState>& state,
                                      const std::shared_ptr<PreviewPass>& pass,
                                      const Delivery& delivery) {
    std::optional<PreviewPass::PreviewTask> task;
    ambrel::ColorAbility colorAbility;
    ambrel::ImageRotation orientation;
    bool flips = false;
    bool printedDots = false;
    ambrel::BlackConversion conversion = ambrel::BlackConversion::threshold();
    std::optional<quenta::DeviceBlackConversionInfo> info;
    {
        std::lock_guard guard(previewPassLock());
        if (state->current != pass) {
            pass->status = PreviewPass::Status::cancelled;
            return;
        }
        task = pass->previewTask;
        if (!task) {
            return;
        }
        pass->status = PreviewPass::Status::processingPreview;
        colorAbility = pass->colorAbility;
        orientation = pass->imageOrientation;
        flips = pass->flipsImage;
        printedDots = pass->geometry.has_value();
        conversion = pass->blackConversion;
        info = pass->deviceAdditionalInfo;
    }
    const bool fullColor = colorAbility == ambrel::ColorAbility::fullColor;
    const auto& image = task->originalImage;
    // Until all its pixels are there, a picture shows from its smaller
    // first decode; that drawing is not kept for later passes.
    const QImage scaled = image ? image->scaledDecode() : QImage();
    const bool scaledDecode = !scaled.isNull();
    QImage drawn;
    double dpi = PreviewImageRules::previewDpi;
    if (printedDots) {
        // Only the thumbnail comes from here: the tiles come from the dots.
        {
            std::lock_guard guard(previewPassLock());
            if (state->drawnSmallFrom == image && !state->drawnSmall.isNull()) {
                drawn = state->drawnSmall;
            }
        }
        if (drawn.isNull()) {
            const auto size = image ? PreviewImageRules::previewSize(image->widthPerHeight(),
                                                                     thumbnailPixelBudget)
                                    : std::nullopt;
            drawn = PreviewImageRules::drawPicture(image, colorAbility, size, scaled);
            std::lock_guard guard(previewPassLock());
            state->drawnSmall = drawn;
            state->drawnSmallFrom = image;
        }
        const auto whole =
            image ? PreviewImageRules::previewSize(image->widthPerHeight()) : std::nullopt;
        dpi = whole && !drawn.isNull()
                  ? PreviewImageRules::previewDpi * double(drawn.width()) / double(whole->width())
                  : PreviewImageRules::previewDpi;
    } else {
        if (!scaledDecode) {
            std::lock_guard guard(previewPassLock());
            if (state->drawnFrom == image && state->drawnInColor == fullColor &&
                !state->drawnPicture.isNull()) {
                drawn = state->drawnPicture;
            }
        }
        if (drawn.isNull() && scaledDecode) {
            drawn = PreviewImageRules::drawPicture(nullptr, colorAbility, scaled.size(), scaled);
            if (!fullColor) {
                // The thumbnail shown while the tiles are made from the
                // whole picture's dots comes from this decode too: it covers
                // the same picture, and is far quicker to average down.
                const QImage small = PreviewImageRules::drawPicture(
                    nullptr, colorAbility,
                    PreviewImageRules::previewSize(image->widthPerHeight(), thumbnailPixelBudget),
                    scaled);
                std::lock_guard guard(previewPassLock());
                state->drawnSmall = small;
                state->drawnSmallFrom = image;
            }
        } else if (drawn.isNull()) {
            const auto size =
                image ? PreviewImageRules::previewSize(image->widthPerHeight()) : std::nullopt;
            drawn = PreviewImageRules::drawPicture(image, colorAbility, size);
            std::lock_guard guard(previewPassLock());
            state->drawnPicture = drawn;
            state->drawnFrom = image;
            state->drawnInColor = fullColor;
        }
        // The smaller preview is converted as the whole one would be at its
        // scale: the screen's cells cover the same part of the picture.
        if (scaledDecode && !drawn.isNull()) {
            const std::optional<QSize> whole =
                PreviewImageRules::previewSize(image->widthPerHeight());
            dpi = whole ? PreviewImageRules::previewDpi * double(drawn.width()) /
                              double(whole->width())
                        : PreviewImageRules::previewDpi;
        }
    }
    QImage preview =
        fullColor ? drawn
                  : PreviewImageRules::packedIfBlackAndWhite(PreviewImageRules::convertPreview(
                        drawn, conversion, info, orientation, dpi));
    if (preview.isNull()) {
        // No memory for it: a white one pixel, so that the tiles still come.
        preview = QImage(1, 1, QImage::Format_Grayscale8);
        preview.fill(255);
    }
    const QImage thumbnail = PreviewImageRules::thumbnail(preview, orientation, flips, fullColor);
    {
        std::lock_guard guard(previewPassLock());
        if (state->current != pass) {
            pass->status = PreviewPass::Status::cancelled;
            return;
        }
        state->cachedPreviewImage = preview;
        state->cachedPreviewIsScaledDecode = scaledDecode;
        pass->previewImage = preview;
        pass->fromScaledDecode = scaledDecode;
        pass->status = PreviewPass::Status::completedPreview;
    }
    delivery.thumbnail(thumbnail);
}

void PreviewPassRenderer::makeTiles(const std::shared_ptr<PreviewRenderState>& state,
                                    const std::shared_ptr<PreviewPass>& pass,
                                    const Delivery& delivery) {
    PreviewPass::TileTask tiles;
    QImage preview;
    ambrel::OriginalImage::Pointer image;
    std::optional<PreviewGeometry> geometry;
    ambrel::BlackConversion conversion = ambrel::BlackConversion::threshold();
    std::optional<quenta::DeviceBlackConversionInfo> info;
    ambrel::ImageRotation orientation;
    bool flips = false;
    bool fullColor = false;
    {
        std::lock_guard guard(previewPassLock());
        if (state->current != pass) {
            pass->status = PreviewPass::Status::cancelled;
            return;
        }
        pass->status = PreviewPass::Status::processingTile;
        tiles = pass->tileTask;
        preview = pass->previewImage;
        image = pass->originalImage;
        geometry = pass->geometry;
        conversion = pass->blackConversion;
        info = pass->deviceAdditionalInfo;
        orientation = pass->imageOrientation;
        flips = pass->flipsImage;
        fullColor = pass->colorAbility == ambrel::ColorAbility::fullColor;
    }
    std::shared_ptr<platform::OrientedImageCache> orientedImages;
    bool unsmoothed = false;
    if (geometry && image) {
        // The dots are drawn for the conversion in force: the view keeps
        // its geometry across a change of the conversion alone, and a vector
        // page is drawn unsmoothed under a threshold at the middle gray.
        geometry->options.imageBitmapConversion = conversion;
        unsmoothed = quenta::PrintPictureDrawing::rendersUnsmoothed(*image, conversion);
        state->tileDots.keepOnly(image, *geometry);
        std::lock_guard guard(previewPassLock());
        if (state->orientedFrom != image || !state->orientedImages) {
            state->orientedImages = std::make_shared<platform::OrientedImageCache>();
            state->orientedFrom = image;
        }
        orientedImages = state->orientedImages;
    }
    const auto inForce = [&] {
        std::lock_guard guard(previewPassLock());
        return state->current == pass;
    };
    // A print under way goes first; a newer pass may come meanwhile.
    platform::compute::ForegroundWork::waitBeforeBackground(printFirst);
    if (!inForce()) {
        return;
    }
    struct Batch {
        std::mutex lock;
        std::vector<std::pair<int, QImage>> pending;
        QElapsedTimer sincePost;
        qsizetype remaining = 0;
        bool first = true;
    } batch;
    batch.remaining = tiles.tileRects.size();
    const auto device = platform::compute::Device::systemDefault();
    // A vector page is rendered once for every tile whose dots are not kept,
    // in bands across the workers, rather than once a tile.
    std::vector<std::optional<PreviewTileRenderer::Dots>> drawnAhead(
        std::size_t(tiles.tileRects.size()));
    if (geometry && image && image->isVector() && device && inForce()) {
        std::vector<std::size_t> missing;
        std::vector<PreviewTileRenderer::Request> requests;
        for (qsizetype i = 0; i < tiles.tileRects.size(); ++i) {
            const PreviewTileRenderer::Request request{std::as_const(tiles.tileRects).at(i),
                                                       tiles.viewSize, tiles.scale};
            if (!state->tileDots.find({image, *geometry, request, unsmoothed})) {
                missing.push_back(std::size_t(i));
                requests.push_back(request);
            }
        }
        if (missing.size() > 1) {
            auto drawn = PreviewTileRenderer::drawAll(*image, *geometry, requests, orientedImages,
                                                      &device->threadPool());
            for (std::size_t k = 0; k < missing.size(); ++k) {
                drawnAhead[missing[k]] = std::move(drawn[k]);
            }
            // A print that started meanwhile shared the page's rendering
            // with these dots; the tiles wait for it again before taking
            // the cores it converts and sends with.
            platform::compute::ForegroundWork::waitBeforeBackground(printFirst);
        }
    }
    batch.sincePost.start();
    const auto one = [&](std::size_t i) {
        if (!inForce()) {
            return; // a newer pass drops what is left of this one
        }
        // at(): a shared list read from several threads must not detach.
        const QRectF frame = std::as_const(tiles.tileRects).at(qsizetype(i));
        QImage tile;
        if (geometry && image) {
            const PreviewTileRenderer::Request request{frame, tiles.viewSize, tiles.scale};
            const PreviewTileCache::Key key{image, *geometry, request, unsmoothed};
            std::optional<PreviewTileRenderer::Dots> dots = std::move(drawnAhead[i]);
            if (dots) {
                state->tileDots.insert(key, *dots);
            } else {
                dots = state->tileDots.find(key);
            }
            if (!dots) {
                dots = PreviewTileRenderer::draw(*image, *geometry, request, orientedImages);
                state->tileDots.insert(key, *dots);
            }
            // Dots that could not be drawn (no memory for them) make no tile:
            // a white one would hide what prints there.
            const bool drawn =
                !dots->isNull() || PreviewTileRenderer::dotsShown(*geometry, request).isEmpty();
            tile = drawn ? PreviewTileRenderer::reduce(*dots, conversion, info, *geometry, request)
                         : QImage();
        } else {
            tile = PreviewImageRules::sampleTile(preview, frame, tiles.viewSize, tiles.scale,
                                                 orientation, flips, fullColor);
        }
        // The first tile shows at once; later ones go in batches, each shown
        // in one repaint rather than one a tile.
        std::vector<std::pair<int, QImage>> ready;
        {
            std::lock_guard guard(batch.lock);
            batch.pending.emplace_back(int(i), std::move(tile));
            --batch.remaining;
            if (batch.first || batch.remaining == 0 ||
                batch.sincePost.elapsed() >= batchInterval_ms) {
                batch.first = false;
                batch.sincePost.restart();
                ready.swap(batch.pending);
            }
        }
        if (!ready.empty()) {
            delivery.tiles(std::move(ready));
        }
    };
    if (device && tiles.tileRects.size() > 1) {
        device->threadPool().parallelFor(std::size_t(tiles.tileRects.size()), one);
    } else {
        for (qsizetype i = 0; i < tiles.tileRects.size(); ++i) {
            one(std::size_t(i));
        }
    }
}

} // namespace kestrom
