#include "platform/codecs/HeifCodec.h"

#include "platform/graphics/ImageFileCheck.h"
#include "platform/graphics/ImageLimits.h"

#include <libheif/heif.h>

#include <cstring>
#include <memory>
#include <mutex>

namespace platform {

namespace {

void initializeOnce() {
    static std::once_flag once;
    std::call_once(once, [] { heif_init(nullptr); });
}

struct ContextDeleter {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleDeleter {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageDeleter {
    void operator()(heif_image* i) const { heif_image_release(i); }
};

} // namespace

void HeifCodec::prepare() {
    initializeOnce();
}

bool HeifCodec::isSupported(const QByteArray& data) {
    if (data.size() < 12) {
        return false;
    }
    initializeOnce();
    const auto result = heif_check_filetype(reinterpret_cast<const uint8_t*>(data.constData()),
                                            int(std::min<qsizetype>(data.size(), 1 << 20)));
    return result == heif_filetype_yes_supported;
}

bool HeifCodec::decodePrimaryImage(const QByteArray& data, PictureRefusal* why,
                                   const PictureCodecs::PixelTarget& target) {
    if (why) {
        *why = PictureRefusal::noPicture;
    }
    if (data.isEmpty()) {
        return false;
    }
    initializeOnce();
    std::unique_ptr<heif_context, ContextDeleter> context(heif_context_alloc());
    if (!context) {
        return false;
    }
    heif_error error = heif_context_read_from_memory_without_copy(context.get(), data.constData(),
                                                                  size_t(data.size()), nullptr);
    if (error.code != heif_error_Ok) {
        return false;
    }
    heif_image_handle* rawHandle = nullptr;
    error = heif_context_get_primary_image_handle(context.get(), &rawHandle);
    std::unique_ptr<heif_image_handle, HandleDeleter> handle(rawHandle);
    if (error.code != heif_error_Ok || !handle) {
        return false;
    }
    const int announcedWidth = heif_image_handle_get_width(handle.get());
    const int announcedHeight = heif_image_handle_get_height(handle.get());
    const bool hasAlpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    if (!ImageLimits::admitsDecode(announcedWidth, announcedHeight, hasAlpha ? 32 : 24)) {
        if (why) {
            *why = PictureRefusal::tooLarge;
        }
        return false;
    }
    if (!ImageFileCheck::canHold("heic", data.size(), announcedWidth, announcedHeight)) {
        return false;
    }
    const qint64 pixelBytes = qint64(announcedWidth) * announcedHeight * (hasAlpha ? 4 : 3);
    auto failed = [&] {
        if (why && !ImageLimits::memoryIsThere(pixelBytes)) {
            *why = PictureRefusal::outOfMemory;
        }
        return false;
    };
    heif_image* rawImage = nullptr;
    error = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                              hasAlpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                              nullptr);
    std::unique_ptr<heif_image, ImageDeleter> image(rawImage);
    if (error.code == heif_error_Memory_allocation_error) {
        if (why) {
            *why = PictureRefusal::outOfMemory;
        }
        return false;
    }
    if (error.code != heif_error_Ok || !image) {
        return failed();
    }
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    int stride = 0;
    const uint8_t* plane =
        heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const qsizetype rowBytes = qsizetype(width) * (hasAlpha ? 4 : 3);
    if (!plane || !ImageLimits::admits(width, height) || stride < rowBytes) {
        return false;
    }
    // libheif's plane goes away with its image: its rows are copied into
    // the memory the target gives.
    uchar* pixels =
        target(width, height, rowBytes, hasAlpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (!pixels) {
        if (why) {
            *why = PictureRefusal::outOfMemory;
        }
        return false;
    }
    for (int row = 0; row < height; ++row) {
        std::memcpy(pixels + qsizetype(row) * rowBytes, plane + qsizetype(row) * stride,
                    size_t(rowBytes));
    }
    return true;
}

} // namespace platform
