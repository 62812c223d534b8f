#include "imaging/print/BlackConversionRows.h"

#include "platform/Log.h"
#include "platform/compute/BytePass.h"
#include "platform/compute/CommandBuffer.h"
#include "platform/compute/CommandQueue.h"
#include "platform/compute/ComputeCommandEncoder.h"

#include <memory>
#include <variant>

namespace quenta {

using namespace platform::compute;

ambrel::BlackWhiteColumnPacker::RowSource
BlackConversionRows::make(const ambrel::BlackConversion& conversion,
                          const std::uint8_t* gray8Pixels, const ambrel::Size_px& size_px,
                          const BlackConversion::OutputConfiguration& configuration) {
    const std::size_t width = std::size_t(std::max<qint64>(0, size_px.width));
    const std::size_t height = std::size_t(std::max<qint64>(0, size_px.height));
    auto context = std::make_shared<sildor::SildorContext>();
    // The kernels only read the picture: nothing is written through it.
    auto image = std::shared_ptr<sildor::SildorImage>(
        sildor::SildorImage::makeOver(context, const_cast<std::uint8_t*>(gray8Pixels),
                                      sildor::SildorImage::Size{width, height, 1}));
    if (!image) {
        throw sildor::SildorImage::FunctionError(
            sildor::SildorImage::FunctionError::Case::noTexture);
    }

    // The chain is encoded as a conversion in place would be, and never
    // committed: its dispatches give each kernel with its parameters.
    auto buffer = context->commandQueue()->commandBuffer();
    if (!buffer) {
        throw sildor::SildorImage::FunctionError(
            sildor::SildorImage::FunctionError::Case::noCommandBuffer);
    }
    auto encoder = buffer->computeCommandEncoder();
    if (!encoder) {
        throw sildor::SildorImage::FunctionError(
            sildor::SildorImage::FunctionError::Case::noComputeEncoder);
    }
    const Size threadsPerGroup{16, 16, 1};
    const Size groups{(width + 15) / 16, (height + 15) / 16, 1};
    for (const BlackConversion::Filter& f : BlackConversion::filters(conversion, configuration)) {
        std::visit([&](const auto& filter) { filter.setupComputeEncoder(*encoder, *context); }, f);
        encoder->setTexture(image->textureA(), 0);
        encoder->setTexture(image->textureA(), 1);
        encoder->dispatchThreadgroups(groups, threadsPerGroup);
    }
    encoder->endEncoding();

    // Leading byte maps fold into one table, taken in by the kernel after
    // them, or run alone when none follows.
    ByteMap map = BytePass::identity();
    RowSpanWork spans;
    for (const Command& command : buffer->commands()) {
        const auto* dispatch = std::get_if<DispatchCommand>(&command);
        const Kernel* kernel = dispatch ? &dispatch->pipeline->kernel() : nullptr;
        if (kernel && !spans && kernel->byteMap) {
            map = BytePass::compose(map, kernel->byteMap(dispatch->arguments));
        } else if (kernel && !spans && kernel->prepareRowSpans) {
            spans = kernel->prepareRowSpans(dispatch->arguments, map);
        } else {
            platform::Log::fatal(
                QStringLiteral("A black conversion that cannot be made a row at a time."));
        }
    }
    if (!spans) {
        const Texture* source = image->textureA().get();
        spans = [source, pass = std::make_shared<const BytePass>(map)](
                    std::size_t y, std::size_t x0, std::size_t x1, std::uint8_t* out) {
            pass->run(source->row(y) + x0, out, x1 - x0);
        };
    }
    // The image keeps the texture the kernels read, and the context their device.
    return [image, spans = std::move(spans), gray8Pixels, width,
            height](qint64 row, qint64 first, qint64 count, std::uint8_t* out) {
        // The packer asks for a short stretch of each row, rows in order: the
        // stretch a few dozen rows further down is fetched meanwhile, since
        // the processor cannot see such a stream by itself.
        constexpr std::size_t ahead = 64;
        if (std::size_t(row) + ahead < height) {
            const std::uint8_t* next = gray8Pixels + (std::size_t(row) + ahead) * width;
            for (qint64 line = 0; line < count; line += 64) {
                __builtin_prefetch(next + first + line);
            }
        }
        spans(std::size_t(row), std::size_t(first), std::size_t(first + count), out);
    };
}

} // namespace quenta
