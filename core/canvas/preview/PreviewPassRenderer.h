#pragma once

#include "core/canvas/preview/PreviewPass.h"
#include "core/canvas/preview/PreviewRenderState.h"

#include "platform/Error.h"

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
// worker's threads. A picture that cannot be drawn (a vector page whose
// worker failed on it) ends the pass with its error instead.
class PreviewPassRenderer {
public:
    struct Delivery {
        std::function<void(const QImage& thumbnail)> thumbnail;
        // Tiles by their index in the pass's tile task; a null image for a
        // tile that could not be made.
        std::function<void(std::vector<std::pair<int, QImage>> tiles)> tiles;
        // Why the picture could not be drawn; nothing of the pass follows.
        std::function<void(std::shared_ptr<const platform::Error> error)> failed;
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
