#pragma once

#include "imaging/gpu/SildorContext.h"
#include "platform/Error.h"
#include "platform/compute/Region.h"
#include "platform/compute/Texture.h"

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace sildor {

class SildorImageFilter;
class SildorImageGenerator;

// One 8-bit gray picture on the compute device, in textureA, with a scratch
// partner textureB for filter passes. Every operation finishes its work
// before it returns. One image is used by one thread at a time.
class SildorImage {
public:
    using Size = platform::compute::Size;
    using Region = platform::compute::Region;
    using TexturePtr = std::shared_ptr<platform::compute::Texture>;

    class FunctionError : public platform::Error {
    public:
        enum class Case {
            noCommandBuffer,
            noComputeEncoder,
            noTexture,
        };
        static const QString domain;

        explicit FunctionError(Case c);
        Case errorCase() const { return m_case; }
        bool operator==(const FunctionError& other) const { return m_case == other.m_case; }

        std::shared_ptr<const platform::Error> clone() const override;
        [[noreturn]] void raise() const override;

    private:
        Case m_case;
    };

    // None when the texture of that size cannot be made.
    static std::unique_ptr<SildorImage> make(std::shared_ptr<SildorContext> context,
                                             const Size& size);
    // A picture whose pixels are the caller's packed rows of size.width bytes,
    // worked on where they lie without a copy; the caller keeps them alive
    // while the image's picture is that texture. None when no texture can be
    // made over them.
    static std::unique_ptr<SildorImage> makeOver(std::shared_ptr<SildorContext> context,
                                                 std::uint8_t* gray8Pixels, const Size& size);

    SildorImage(const SildorImage&) = delete;
    SildorImage& operator=(const SildorImage&) = delete;

    const std::shared_ptr<SildorContext>& context() const { return m_context; }
    const TexturePtr& textureA() const { return m_textureA; }
    // Ignored for none: an image always has its picture texture.
    void setTextureA(TexturePtr texture);
    const TexturePtr& textureB() const { return m_textureB; }
    void setTextureB(TexturePtr texture) { m_textureB = std::move(texture); }
    Size size() const { return m_textureA->size(); }

    // Writes rows of 8-bit gray from pixels at a stride of bytesPerRow. With a
    // size other than the picture's the picture gets that size first (and
    // loses its scratch texture). Returns false, with the image unchanged,
    // when a texture of the new size cannot be made or the rows cannot be
    // read (no pixels, a stride shorter than a row).
    bool replace(const std::uint8_t* gray8Pixels, const std::optional<Size>& size,
                 std::size_t bytesPerRow);
    // Copies another image's picture.
    bool replace(const SildorImage& other);
    // Copies a texture's pixels into the picture, resizing it when the sizes
    // differ. Returns false when nothing could be copied.
    bool replace(const TexturePtr& texture);

    // Reads the region (the whole picture when none) into rows of bytesPerRow.
    bool getBytes(std::uint8_t* bytes, std::size_t bytesPerRow,
                  const std::optional<Region>& region = std::nullopt) const;

    // Runs a generator over the picture.
    void apply(const SildorImageGenerator& generator);
    // Runs one filter whose result has the given size (the picture's size
    // afterwards).
    void apply(const SildorImageFilter& filter, const Size& outputSize);
    // Runs the filters in order as one pass, the textures taking turns as
    // source and destination. Every kernel is set up before anything runs:
    // when one cannot be, the error is thrown and the picture is unchanged.
    void apply(const std::vector<const SildorImageFilter*>& filters);
    // The same for filters whose kernels each read every pixel at its own
    // place only (byte maps and screens): the pass writes where it reads, so
    // no scratch texture is made and the picture stays in its texture.
    void applyInPlace(const std::vector<const SildorImageFilter*>& filters);

    // A gray image of the picture's full size: the region's pixels (the whole
    // picture when none) packed in its first rows, the rest black.
    QImage makeCgImage(const std::optional<Region>& region = std::nullopt) const;

private:
    SildorImage(std::shared_ptr<SildorContext> context, TexturePtr texture);

    TexturePtr newTexture(const Size& size) const;
    Size dispatchGroups() const;

    std::shared_ptr<SildorContext> m_context;
    TexturePtr m_textureA;
    TexturePtr m_textureB;
};

} // namespace sildor
