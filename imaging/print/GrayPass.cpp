#include "imaging/print/GrayPass.h"

#include "model/pictures/GraphicsExtensions.h"
#include "platform/Log.h"
#include "platform/graphics/ImageLimits.h"

#include <algorithm>

namespace quenta {

std::unique_ptr<GrayPass> GrayPass::make(std::shared_ptr<sildor::SildorContext> context,
                                         qint64 width, qint64 height) {
    // Beyond the limits no context could draw it.
    if (!platform::ImageLimits::admits(width, height)) {
        return nullptr;
    }
    auto image = sildor::SildorImage::make(
        std::move(context), sildor::SildorImage::Size{size_t(width), size_t(height), 1});
    if (!image) {
        return nullptr;
    }
    return std::unique_ptr<GrayPass>(new GrayPass(std::move(image), width, height));
}

GrayPass::GrayPass(std::unique_ptr<sildor::SildorImage> image, qint64 width, qint64 height)
    : m_image(std::move(image)), m_width(width), m_height(height) {}

void GrayPass::draw(const Drawing& drawing, bool inBands) {
    draw(m_image->textureA()->data(), m_width, m_height, m_image->context()->device()->threadPool(),
         drawing, inBands);
}

void GrayPass::draw(std::uint8_t* data, qint64 width, qint64 height,
                    platform::compute::ThreadPool& pool, const Drawing& drawing, bool inBands) {
    // Bands of at least this many rows: fewer would cost more in set-up than
    // they save.
    constexpr qint64 minimumBandRows = 256;
    const qint64 bands =
        inBands ? std::clamp<qint64>(height / minimumBandRows, 1, pool.concurrency()) : 1;
    pool.parallelFor(size_t(bands), [&](std::size_t band) {
        const qint64 first = height * qint64(band) / bands;
        const qint64 end = height * qint64(band + 1) / bands;
        auto context = ambrel::GraphicsExtensions::grayOpaqueContext(data + first * width,
                                                                     {width, end - first});
        if (!context) {
            platform::Log::fatal(QStringLiteral("No gray context over rows %1 to %2 of a pass.")
                                     .arg(first)
                                     .arg(end));
        }
        // The band's y = 0 is the pass's y = height - end.
        context->translateBy(0, -double(height - end));
        drawing(*context);
    });
}

void GrayPass::convert(const ambrel::BlackConversion& conversion,
                       const BlackConversionPass::OutputConfiguration& configuration) {
    BlackConversionPass::apply(conversion, *m_image, configuration);
}

const std::uint8_t* GrayPass::pixels() const {
    return m_image->textureA()->data();
}

QImage GrayPass::image() const {
    return QImage(pixels(), int(m_width), int(m_height), qsizetype(m_width),
                  QImage::Format_Grayscale8);
}

} // namespace quenta
