#include "imaging/gpu/SildorImage.h"

#include "imaging/gpu/SildorImageFilter.h"
#include "imaging/gpu/SildorImageGenerator.h"
#include "platform/Log.h"
#include "platform/compute/BlitCommandEncoder.h"
#include "platform/compute/CommandBuffer.h"
#include "platform/compute/ComputeCommandEncoder.h"

#include <cstring>
#include <utility>

namespace sildor {

using namespace platform::compute;

namespace {
// Every pass runs in threadgroups of 16 x 16 threads.
constexpr Size threadsPerThreadgroup{16, 16, 1};

struct ComputePass {
    std::shared_ptr<CommandBuffer> buffer;
    std::shared_ptr<ComputeCommandEncoder> encoder;
};

// A fresh command buffer with its compute encoder open.
ComputePass computePass(SildorContext& context) {
    auto buffer = context.commandQueue()->commandBuffer();
    if (!buffer) {
        throw SildorImage::FunctionError(SildorImage::FunctionError::Case::noCommandBuffer);
    }
    auto encoder = buffer->computeCommandEncoder();
    if (!encoder) {
        throw SildorImage::FunctionError(SildorImage::FunctionError::Case::noComputeEncoder);
    }
    return {std::move(buffer), std::move(encoder)};
}

} // namespace

const QString SildorImage::FunctionError::domain =
    QStringLiteral("SildorImage.SildorImage.FunctionError");

SildorImage::FunctionError::FunctionError(Case c) : platform::Error(domain, qint64(c)), m_case(c) {}

std::shared_ptr<const platform::Error> SildorImage::FunctionError::clone() const {
    return std::make_shared<FunctionError>(*this);
}

void SildorImage::FunctionError::raise() const {
    throw *this;
}

SildorImage::SildorImage(std::shared_ptr<SildorContext> context, TexturePtr texture)
    : m_context(std::move(context)), m_textureA(std::move(texture)) {}

std::unique_ptr<SildorImage> SildorImage::make(std::shared_ptr<SildorContext> context,
                                               const Size& size) {
    if (!context) {
        return nullptr;
    }
    auto descriptor =
        TextureDescriptor::texture2D(PixelFormat::r8Unorm, size.width, size.height, false);
    descriptor.usage = TextureUsage::shaderRead | TextureUsage::shaderWrite;
    auto texture = context->device()->newTexture(descriptor);
    if (!texture) {
        return nullptr;
    }
    return std::unique_ptr<SildorImage>(new SildorImage(std::move(context), std::move(texture)));
}

std::unique_ptr<SildorImage> SildorImage::makeOver(std::shared_ptr<SildorContext> context,
                                                   std::uint8_t* gray8Pixels, const Size& size) {
    if (!context) {
        return nullptr;
    }
    auto descriptor =
        TextureDescriptor::texture2D(PixelFormat::r8Unorm, size.width, size.height, false);
    descriptor.usage = TextureUsage::shaderRead | TextureUsage::shaderWrite;
    auto texture = context->device()->newTexture(descriptor, gray8Pixels);
    if (!texture) {
        return nullptr;
    }
    return std::unique_ptr<SildorImage>(new SildorImage(std::move(context), std::move(texture)));
}

SildorImage::TexturePtr SildorImage::newTexture(const Size& size) const {
    auto descriptor =
        TextureDescriptor::texture2D(PixelFormat::r8Unorm, size.width, size.height, false);
    descriptor.usage = TextureUsage::shaderRead | TextureUsage::shaderWrite;
    return m_context->device()->newTexture(descriptor);
}

void SildorImage::setTextureA(TexturePtr texture) {
    if (texture) {
        m_textureA = std::move(texture);
    }
}

// The grid of every pass: the picture's size when the pass starts, rounded up
// to whole threadgroups.
Size SildorImage::dispatchGroups() const {
    return Size{
        (m_textureA->width() + threadsPerThreadgroup.width - 1) / threadsPerThreadgroup.width,
        (m_textureA->height() + threadsPerThreadgroup.height - 1) / threadsPerThreadgroup.height,
        1};
}

bool SildorImage::replace(const std::uint8_t* gray8Pixels, const std::optional<Size>& size,
                          std::size_t bytesPerRow) {
    const Size target = size.value_or(m_textureA->size());
    if (gray8Pixels == nullptr || bytesPerRow < target.width) {
        platform::Log::line(QStringLiteral("gray image: pixels to upload cannot be read"));
        return false;
    }
    if (target.width != m_textureA->width() || target.height != m_textureA->height()) {
        auto resized = newTexture(target);
        if (!resized) {
            platform::Log::line(QStringLiteral("gray image: no texture of %1 x %2 pixels")
                                    .arg(target.width)
                                    .arg(target.height));
            return false;
        }
        m_textureA = std::move(resized);
        m_textureB.reset();
    }
    return m_textureA->replaceRegion(Region::make2D(0, 0, target.width, target.height), 0,
                                     gray8Pixels, bytesPerRow);
}

bool SildorImage::replace(const SildorImage& other) {
    return replace(other.m_textureA);
}

bool SildorImage::replace(const TexturePtr& texture) {
    if (!texture) {
        return false;
    }
    if (texture == m_textureA) {
        return true;
    }
    TexturePtr destination = m_textureA;
    if (texture->width() != m_textureA->width() || texture->height() != m_textureA->height()) {
        destination = newTexture(texture->size());
        if (!destination) {
            platform::Log::line(QStringLiteral("gray image: no texture of %1 x %2 pixels")
                                    .arg(texture->width())
                                    .arg(texture->height()));
            return false;
        }
    }
    auto buffer = m_context->commandQueue()->commandBuffer();
    auto blit = buffer ? buffer->blitCommandEncoder() : nullptr;
    if (!blit) {
        return false;
    }
    blit->copyFromTexture(texture, 0, 0, Origin{}, texture->size(), destination, 0, 0, Origin{});
    blit->endEncoding();
    buffer->commit();
    buffer->waitUntilCompleted();
    // The picture takes the new size only once the copy has filled it.
    if (destination != m_textureA) {
        m_textureA = std::move(destination);
        m_textureB.reset();
    }
    return true;
}

bool SildorImage::getBytes(std::uint8_t* bytes, std::size_t bytesPerRow,
                           const std::optional<Region>& region) const {
    const Region r =
        region.value_or(Region::make2D(0, 0, m_textureA->width(), m_textureA->height()));
    return m_textureA->getBytes(bytes, bytesPerRow, r, 0);
}

void SildorImage::apply(const SildorImageGenerator& generator) {
    auto [buffer, encoder] = computePass(*m_context);
    // A set-up that throws leaves the buffer uncommitted: nothing runs.
    generator.setupComputeEncoder(*encoder, *m_context);
    encoder->setTexture(m_textureA, 0);
    encoder->dispatchThreadgroups(dispatchGroups(), threadsPerThreadgroup);
    encoder->endEncoding();
    buffer->commit();
    buffer->waitUntilCompleted();
}

void SildorImage::apply(const std::vector<const SildorImageFilter*>& filters) {
    auto [buffer, encoder] = computePass(*m_context);
    TexturePtr destination = m_textureB ? m_textureB : newTexture(m_textureA->size());
    if (!destination) {
        throw FunctionError(FunctionError::Case::noTexture);
    }
    TexturePtr source = m_textureA;
    const Size groups = dispatchGroups();
    for (const SildorImageFilter* filter : filters) {
        if (filter == nullptr) {
            platform::Log::fatal(QStringLiteral("gray image: a filter chain holds no filter"));
        }
        // Every filter is set up before anything runs: a kernel that cannot be
        // had leaves the buffer uncommitted and the picture as it was.
        filter->setupComputeEncoder(*encoder, *m_context);
        encoder->setTexture(source, 0);
        encoder->setTexture(destination, 1);
        encoder->dispatchThreadgroups(groups, threadsPerThreadgroup);
        std::swap(source, destination);
    }
    encoder->endEncoding();
    buffer->commit();
    buffer->waitUntilCompleted();
    // After the last swap the source is the texture written last.
    m_textureA = std::move(source);
    m_textureB = std::move(destination);
}

void SildorImage::applyInPlace(const std::vector<const SildorImageFilter*>& filters) {
    auto [buffer, encoder] = computePass(*m_context);
    const Size groups = dispatchGroups();
    for (const SildorImageFilter* filter : filters) {
        if (filter == nullptr) {
            platform::Log::fatal(QStringLiteral("gray image: a filter chain holds no filter"));
        }
        filter->setupComputeEncoder(*encoder, *m_context);
        encoder->setTexture(m_textureA, 0);
        encoder->setTexture(m_textureA, 1);
        encoder->dispatchThreadgroups(groups, threadsPerThreadgroup);
    }
    encoder->endEncoding();
    buffer->commit();
    buffer->waitUntilCompleted();
}

void SildorImage::apply(const SildorImageFilter& filter, const Size& outputSize) {
    if (outputSize.width == m_textureA->width() && outputSize.height == m_textureA->height()) {
        apply(std::vector<const SildorImageFilter*>{&filter});
        return;
    }
    auto [buffer, encoder] = computePass(*m_context);
    m_textureB.reset();
    TexturePtr output = newTexture(outputSize);
    if (!output) {
        throw FunctionError(FunctionError::Case::noTexture);
    }
    filter.setupComputeEncoder(*encoder, *m_context);
    encoder->setTexture(m_textureA, 0);
    encoder->setTexture(output, 1);
    encoder->dispatchThreadgroups(dispatchGroups(), threadsPerThreadgroup);
    encoder->endEncoding();
    buffer->commit();
    buffer->waitUntilCompleted();
    m_textureA = std::move(output);
}

QImage SildorImage::makeCgImage(const std::optional<Region>& region) const {
    const std::size_t w = m_textureA->width();
    const std::size_t h = m_textureA->height();
    std::vector<std::uint8_t> packed(w * h, 0);
    getBytes(packed.data(), w, region);
    QImage image(int(w), int(h), QImage::Format_Grayscale8);
    if (image.isNull()) {
        return image;
    }
    for (std::size_t y = 0; y < h; ++y) {
        std::memcpy(image.scanLine(int(y)), packed.data() + y * w, w);
    }
    return image;
}

} // namespace sildor
