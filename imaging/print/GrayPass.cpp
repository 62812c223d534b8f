#include "imaging/print/GrayPass.h"

#include "model/GraphicsExtensions.h"
#include "platform/Log.h"
#include "platform/graphics/ImageLimits.h"

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

platform::GraphicsContext& GrayPass::context() {
    const auto& texture = m_image->textureA();
    if (!m_context || m_contextTexture != texture.get()) {
        m_context.reset();
        m_context =
            ambrel::GraphicsExtensions::grayOpaqueContext(texture->data(), {m_width, m_height});
        if (!m_context) {
            platform::Log::fatal(QStringLiteral("No gray context over a pass of %1 x %2 pixels.")
                                     .arg(m_width)
                                     .arg(m_height));
        }
        m_contextTexture = texture.get();
    }
    return *m_context;
}

void GrayPass::convert(const ambrel::BlackConversion& conversion,
                       const BlackConversion::OutputConfiguration& configuration) {
    // Painting ends before the kernels read the memory.
    m_context.reset();
    m_contextTexture = nullptr;
    BlackConversion::apply(conversion, *m_image, configuration);
}

const std::uint8_t* GrayPass::pixels() const {
    return m_image->textureA()->data();
}

QImage GrayPass::image() const {
    return QImage(pixels(), int(m_width), int(m_height), qsizetype(m_width),
                  QImage::Format_Grayscale8);
}

} // namespace quenta
