#pragma once

#include "platform/graphics/DecodedImage.h"
#include "platform/graphics/PictureRefusal.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

namespace platform {

class PdfPageRenderer;

// The decoders whose libraries are large (HEIC through libheif, PDF through
// poppler, with their codecs, fonts and colour libraries) live in a module of
// their own, loaded when a picture first needs one: a start that opens no
// such picture never maps them. The module sits next to this library.
class PictureCodecs {
public:
    virtual ~PictureCodecs() = default;

    // The module's decoders, loaded on the first call from any thread;
    // nullptr, told once on standard error, when the module cannot be loaded.
    static const PictureCodecs* shared();
    // The module's file name, for tests that look for it among the mapped files.
    static QString moduleFileName();

    // Whether libheif reads the bytes as a HEIF file it supports.
    virtual bool isSupportedHeif(const QByteArray& data) const = 0;
    // The primary image, as HeifDecoder::decodePrimaryImage tells it.
    virtual std::optional<DecodedImage> decodeHeif(const QByteArray& data,
                                                   PictureRefusal* why) const = 0;
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
