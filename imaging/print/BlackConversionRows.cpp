#include "imaging/print/BlackConversionRows.h"

#include "platform/Log.h"
#include "platform/compute/BytePass.h"
#include "platform/compute/CommandBuffer.h"
#include "platform/compute/CommandQueue.h"
#include "platform/compute/ComputeCommandEncoder.h"

#include <memory>
#include <optional>
#include <variant>

namespace quenta {

using namespace platform::compute;

// The conversion's kernels as one table of bytes, then at most one kernel
// that makes pieces of rows; the image keeps the texture they read, and the
// context their device.
struct BlackConversionRows::Prepared {
    std::shared_ptr<sildor::SildorImage> image;
    ByteMap map = BytePass::identity();
    RowSpanWork spans;
    std::size_t width = 0;
    std::size_t height = 0;
};

BlackConversionRows::Prepared
BlackConversionRows::prepare(const ambrel::BlackConversion& conversion,
                             const std::uint8_t* gray8Pixels, const ambrel::Size_px& size_px,
                             const BlackConversionPass::OutputConfiguration& configuration) {
    Prepared prepared;
    prepared.width = std::size_t(std::max<qint64>(0, size_px.width));
    prepared.height = std::size_t(std::max<qint64>(0, size_px.height));
    auto context = std::make_shared<sildor::SildorContext>();
    // The kernels only read the picture: nothing is written through it.
    prepared.image = std::shared_ptr<sildor::SildorImage>(sildor::SildorImage::makeOver(
        context, const_cast<std::uint8_t*>(gray8Pixels),
        sildor::SildorImage::Size{prepared.width, prepared.height, 1}));
    if (!prepared.image) {
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
    const Size groups{(prepared.width + 15) / 16, (prepared.height + 15) / 16, 1};
    for (const BlackConversionPass::Filter& f :
         BlackConversionPass::filters(conversion, configuration)) {
        std::visit([&](const auto& filter) { filter.setupComputeEncoder(*encoder, *context); }, f);
        encoder->setTexture(prepared.image->textureA(), 0);
        encoder->setTexture(prepared.image->textureA(), 1);
        encoder->dispatchThreadgroups(groups, threadsPerGroup);
    }
    encoder->endEncoding();

    // Leading byte maps fold into one table, taken in by the kernel after
    // them, or run alone when none follows.
    for (const Command& command : buffer->commands()) {
        const auto* dispatch = std::get_if<DispatchCommand>(&command);
        const Kernel* kernel = dispatch ? &dispatch->pipeline->kernel() : nullptr;
        if (kernel && !prepared.spans && kernel->byteMap) {
            prepared.map = BytePass::compose(prepared.map, kernel->byteMap(dispatch->arguments));
        } else if (kernel && !prepared.spans && kernel->prepareRowSpans) {
            prepared.spans = kernel->prepareRowSpans(dispatch->arguments, prepared.map);
        } else {
            platform::Log::fatal(
                QStringLiteral("A black conversion that cannot be made a row at a time."));
        }
    }
    return prepared;
}

ambrel::BlackWhiteColumnPacker::RowSource
BlackConversionRows::make(const ambrel::BlackConversion& conversion,
                          const std::uint8_t* gray8Pixels, const ambrel::Size_px& size_px,
                          const BlackConversionPass::OutputConfiguration& configuration) {
    Prepared prepared = prepare(conversion, gray8Pixels, size_px, configuration);
    if (!prepared.spans) {
        const Texture* source = prepared.image->textureA().get();
        prepared.spans = [source, pass = std::make_shared<const BytePass>(prepared.map)](
                             std::size_t y, std::size_t x0, std::size_t x1, std::uint8_t* out) {
            pass->run(source->row(y) + x0, out, x1 - x0);
        };
    }
    return [image = prepared.image, spans = std::move(prepared.spans), gray8Pixels,
            width = prepared.width,
            height = prepared.height](qint64 row, qint64 first, qint64 count, std::uint8_t* out) {
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

ambrel::BlackWhiteColumnPacker
BlackConversionRows::packer(const ambrel::BlackConversion& conversion,
                            const std::uint8_t* gray8Pixels, const ambrel::Size_px& size_px,
                            const BlackConversionPass::OutputConfiguration& configuration,
                            int headDotCount, ambrel::BlackWhiteColumnsSendingOptions options) {
    const Prepared prepared = prepare(conversion, gray8Pixels, size_px, configuration);
    if (!prepared.spans) {
        // The packer sees ink where the table gives below 128: when those
        // bytes are the ones below some value, it compares against that.
        int whiteFrom = 0;
        while (whiteFrom < 256 && prepared.map[std::size_t(whiteFrom)] < 128) {
            ++whiteFrom;
        }
        bool prefix = true;
        for (int b = whiteFrom; b < 256; ++b) {
            prefix = prefix && prepared.map[std::size_t(b)] >= 128;
        }
        if (prefix) {
            return ambrel::BlackWhiteColumnPacker(gray8Pixels, size_px, headDotCount, options,
                                                  whiteFrom);
        }
    }
    return ambrel::BlackWhiteColumnPacker(make(conversion, gray8Pixels, size_px, configuration),
                                          size_px, headDotCount, options);
}

} // namespace quenta
