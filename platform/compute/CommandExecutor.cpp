#include "platform/compute/CommandExecutor.h"

#include "platform/Log.h"
#include "platform/compute/BytePass.h"
#include "platform/compute/Device.h"
#include "platform/compute/Texture.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform::compute {

namespace {

const DispatchCommand* dispatchAt(const std::vector<Command>& commands, std::size_t i) {
    return i < commands.size() ? std::get_if<DispatchCommand>(&commands[i]) : nullptr;
}

bool sameSize(const Texture* a, const Texture* b) {
    return a != nullptr && b != nullptr && a->width() == b->width() && a->height() == b->height();
}

bool sameGrid(const KernelArguments& a, const KernelArguments& b) {
    return a.gridWidth() == b.gridWidth() && a.gridHeight() == b.gridHeight();
}

// A dispatch whose kernel is a byte map from texture 0 to a like-sized texture 1.
bool isByteMapStep(const DispatchCommand& d) {
    return d.pipeline->kernel().byteMap && sameSize(d.arguments.texture(0), d.arguments.texture(1));
}

// The work of a byte table from texture 0 to texture 1 over the grid.
TileWork bytePassWork(const KernelArguments& arguments, const ByteMap& map) {
    Texture* source = arguments.texture(0);
    Texture* destination = arguments.texture(1);
    const std::size_t width = std::min(source->width(), destination->width());
    const std::size_t height = std::min(source->height(), destination->height());
    return [source, destination, width, height, pass = BytePass(map)](const ThreadRect& rect) {
        const std::size_t x1 = std::min(rect.x1, width);
        const std::size_t y1 = std::min(rect.y1, height);
        if (rect.x0 >= x1) {
            return;
        }
        for (std::size_t y = rect.y0; y < y1; ++y) {
            pass.run(source->row(y) + rect.x0, destination->row(y) + rect.x0, x1 - rect.x0);
        }
    };
}

} // namespace

void CommandExecutor::run(const std::vector<Command>& commands) {
    std::size_t i = 0;
    while (i < commands.size()) {
        if (const auto* copyCommand = std::get_if<CopyCommand>(&commands[i])) {
            copy(*copyCommand);
            ++i;
            continue;
        }
        const DispatchCommand& first = std::get<DispatchCommand>(commands[i]);
        const Kernel& kernel = first.pipeline->kernel();
        if (first.arguments.textures[0] &&
            first.arguments.textures[0] == first.arguments.textures[1] && !kernel.byteMap &&
            !kernel.prepareWithSourceMap && !kernel.prepareInBands) {
            // Only a kernel that reads each pixel at its own place, or one
            // that keeps the rows its bands share, may write where it reads.
            Log::fatal(QStringLiteral("kernel \u201c%1\u201d dispatched in place")
                           .arg(first.pipeline->functionName()));
        }
        if (!isByteMapStep(first)) {
            if (kernel.prepareInBands) {
                runBands(first.arguments, kernel, BytePass::identity());
            } else if (kernel.prepare) {
                runTiles(first.arguments, kernel.prepare(first.arguments));
            } else if (first.arguments.texture(0) && first.arguments.texture(1)) {
                runTiles(first.arguments,
                         bytePassWork(first.arguments, kernel.byteMap(first.arguments)));
            } else {
                Log::fatal(QStringLiteral("kernel \u201c%1\u201d dispatched without its textures")
                               .arg(first.pipeline->functionName()));
            }
            ++i;
            continue;
        }

        // Fold the run of byte maps that feed one another.
        ByteMap map = kernel.byteMap(first.arguments);
        std::shared_ptr<Texture> last = first.arguments.textures[1];
        std::size_t next = i + 1;
        while (const DispatchCommand* d = dispatchAt(commands, next)) {
            if (!isByteMapStep(*d) || d->arguments.textures[0] != last ||
                !sameSize(d->arguments.texture(0), first.arguments.texture(0)) ||
                !sameGrid(d->arguments, first.arguments)) {
                break;
            }
            map = BytePass::compose(map, d->pipeline->kernel().byteMap(d->arguments));
            last = d->arguments.textures[1];
            ++next;
        }

        // The next kernel may take the folded table on its source.
        const DispatchCommand* consumer = dispatchAt(commands, next);
        if (consumer != nullptr &&
            (consumer->pipeline->kernel().prepareWithSourceMap ||
             consumer->pipeline->kernel().prepareInBands) &&
            consumer->arguments.textures[0] == last &&
            sameSize(consumer->arguments.texture(0), first.arguments.texture(0)) &&
            sameGrid(consumer->arguments, first.arguments)) {
            KernelArguments arguments = consumer->arguments;
            arguments.textures[0] = first.arguments.textures[0];
            const Kernel& consuming = consumer->pipeline->kernel();
            if (consuming.prepareInBands) {
                runBands(arguments, consuming, map);
            } else {
                runTiles(arguments, consuming.prepareWithSourceMap(arguments, map));
            }
            i = next + 1;
            continue;
        }
        KernelArguments arguments = first.arguments;
        arguments.textures[1] = last;
        runTiles(arguments, bytePassWork(arguments, map));
        i = next;
    }
}

void CommandExecutor::copy(const CopyCommand& c) {
    const Texture& source = *c.source;
    Texture& destination = *c.destination;
    if (c.sourceOrigin.x >= source.width() || c.sourceOrigin.y >= source.height() ||
        c.destinationOrigin.x >= destination.width() ||
        c.destinationOrigin.y >= destination.height()) {
        return;
    }
    const std::size_t width = std::min({c.size.width, source.width() - c.sourceOrigin.x,
                                        destination.width() - c.destinationOrigin.x});
    const std::size_t height = std::min({c.size.height, source.height() - c.sourceOrigin.y,
                                         destination.height() - c.destinationOrigin.y});
    if (width == 0 || height == 0) {
        return;
    }
    if (c.source == c.destination) {
        // Copying a texture onto itself goes through a scratch copy, so
        // overlapping boxes read the pixels as they were.
        std::vector<std::uint8_t> scratch(width * height);
        source.getBytes(scratch.data(), width,
                        Region::make2D(c.sourceOrigin.x, c.sourceOrigin.y, width, height), 0);
        destination.replaceRegion(
            Region::make2D(c.destinationOrigin.x, c.destinationOrigin.y, width, height), 0,
            scratch.data(), width);
        return;
    }
    destination.replaceRegion(
        Region::make2D(c.destinationOrigin.x, c.destinationOrigin.y, width, height), 0,
        source.row(c.sourceOrigin.y) + c.sourceOrigin.x, source.bytesPerRow());
}

std::vector<ThreadRect> CommandExecutor::bands(const KernelArguments& arguments) const {
    const std::size_t width = arguments.gridWidth();
    const std::size_t height = arguments.gridHeight();
    const std::size_t groupHeight =
        std::max<std::size_t>(1, arguments.threadsPerThreadgroup.height);
    const std::size_t groupRows = (height + groupHeight - 1) / groupHeight;
    if (width == 0 || groupRows == 0) {
        return {};
    }
    // Small grids are not worth waking the workers for.
    constexpr std::size_t smallGrid = std::size_t(1) << 16;
    if (width * height <= smallGrid) {
        return {ThreadRect{0, 0, width, height}};
    }
    // A few bands per worker keeps them busy when bands differ in cost.
    const std::size_t count =
        std::min<std::size_t>(groupRows, m_device.threadPool().concurrency() * 4);
    const std::size_t groupRowsPerBand = (groupRows + count - 1) / count;
    const std::size_t rowsPerBand = groupRowsPerBand * groupHeight;
    std::vector<ThreadRect> result;
    for (std::size_t y0 = 0; y0 < height; y0 += rowsPerBand) {
        result.push_back(ThreadRect{0, y0, width, std::min(height, y0 + rowsPerBand)});
    }
    return result;
}

void CommandExecutor::runTiles(const KernelArguments& arguments, const TileWork& work) {
    runOver(bands(arguments), work);
}

void CommandExecutor::runBands(const KernelArguments& arguments, const Kernel& kernel,
                               const ByteMap& sourceMap) {
    const std::vector<ThreadRect> rects = bands(arguments);
    if (rects.empty()) {
        return;
    }
    runOver(rects, kernel.prepareInBands(arguments, sourceMap, rects));
}

void CommandExecutor::runOver(const std::vector<ThreadRect>& rects, const TileWork& work) {
    if (rects.size() == 1) {
        work(rects.front());
        return;
    }
    if (!rects.empty()) {
        m_device.threadPool().parallelFor(rects.size(), [&](std::size_t t) { work(rects[t]); });
    }
}

} // namespace platform::compute
