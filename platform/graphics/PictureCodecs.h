#pragma once

#include "platform/graphics/PictureRefusal.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>
#include <memory>

namespace platform {

class PdfPageRenderer;

// The decoders of documents whose cost no header tells (HEIC through
// libheif, PDF through poppler, with their codecs, fonts and colour
// libraries) live in a module of their own beside this library. Only the
// picture worker program loads it (PictureWorkerClient asks the workers):
// the program never maps these libraries.
class PictureCodecs {
public:
    virtual ~PictureCodecs() = default;

    // The module's file name, and the C function it is entered by.
    static QString moduleFileName();
    static constexpr const char* entryName = "lunvikPictureCodecs";

    // Sets up what the libraries set up once for the process (their plug-ins,
    // the font configuration), so that it is done before the worker is
    // confined.
    virtual void prepare() const = 0;

    // Whether libheif reads the bytes as a HEIF file it supports.
    virtual bool isSupportedHeif(const QByteArray& data) const = 0;
    // Memory for pixels of this layout, or nullptr when there is none.
    using PixelTarget =
        std::function<uchar*(int width, int height, qsizetype bytesPerLine, QImage::Format)>;
    // Decodes the primary image into memory the target gives (8-bit RGB,
    // or RGBA with an alpha channel, upright); `why` as
    // HeifDecoder::decodePrimaryImage tells it. Whether it was decoded.
    virtual bool decodeHeif(const QByteArray& data, PictureRefusal* why,
                            const PixelTarget& target) const = 0;
    // The first page of the PDF document in the bytes, which must outlive
    // it; nothing for bytes the library cannot load, a document that needs a
    // password and a document without pages.
    virtual std::unique_ptr<PdfPageRenderer> loadPdfFirstPage(const QByteArray& data) const = 0;
};

} // namespace platform

// The module's one entry, looked up by name.
extern "C" {
using LunvikPictureCodecsEntry = const platform::PictureCodecs* (*)();
}
