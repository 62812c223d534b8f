#pragma once

#include "core/canvas/preview/PreviewPass.h"
#include "core/canvas/preview/PreviewRenderState.h"

#include <QImage>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace kestrom {

// Runs one pass of a picture view's preview on a worker: first the preview
// (the whole picture at its budget, or only a thumbnail where the tiles come
// from the print's dots), then the tiles, side by side on the compute
// workers. Each step checks that its pass is still the one in force; a newer
// pass drops what is left. Results are handed over as they come, on the
// worker's threads.
class PreviewPassRenderer {
public:
    struct Delivery {
        std::function<void(const QImage& thumbnail)> thumbnail;
        // Tiles by their index in the pass's tile task; a null image for a
        // tile that could not be made.
        std::function<void(std::vector<std::pair<int, QImage>> tiles)> tiles;
    };

    static void run(const std::shared_ptr<PreviewRenderState>& state,
                    const std::shared_ptr<PreviewPass>& pass, const Delivery& delivery);

private:
    static void makePreview(const std::shared_ptr<PreviewRenderState>& state,
                            const std::shared_ptr<PreviewPass>& pass, const Delivery& delivery);
    static void makeTiles(const std::shared_ptr<PreviewRenderState>& state,
                          const std::shared_ptr<PreviewPass>& pass, const Delivery& delivery);
};

} // namespace kestrom
