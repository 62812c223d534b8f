#include "platform/compute/BlitCommandEncoder.h"

#include "platform/Log.h"
#include "platform/compute/CommandBuffer.h"

namespace platform::compute {

void BlitCommandEncoder::copyFromTexture(std::shared_ptr<Texture> source, std::size_t sourceSlice,
                                         std::size_t sourceLevel, const Origin& sourceOrigin,
                                         const Size& size, std::shared_ptr<Texture> destination,
                                         std::size_t destinationSlice, std::size_t destinationLevel,
                                         const Origin& destinationOrigin) {
    if (m_ended || !source || !destination || sourceSlice != 0 || sourceLevel != 0 ||
        destinationSlice != 0 || destinationLevel != 0) {
        Log::fatal(QStringLiteral("blit encoder: copy between textures that cannot take part"));
    }
    m_recorded.push_back(CopyCommand{std::move(source), sourceOrigin, size, std::move(destination),
                                     destinationOrigin});
}

void BlitCommandEncoder::endEncoding() {
    if (m_ended) {
        return;
    }
    m_ended = true;
    m_buffer->append(std::move(m_recorded));
    m_recorded.clear();
    m_buffer->encoderEnded();
}

} // namespace platform::compute
