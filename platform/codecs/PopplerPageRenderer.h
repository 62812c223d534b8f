#pragma once

#include "platform/graphics/PdfPageRenderer.h"

#include <QByteArray>

#include <memory>

namespace poppler {
class document;
class page;
} // namespace poppler

namespace platform {

// A PDF document's first page through poppler, in the picture decoders'
// module.
class PopplerPageRenderer : public PdfPageRenderer {
public:
    // Draws a small page once: the library's global state and the font
    // configuration are set up then.
    static void prepare();
    // Nothing when poppler cannot load the bytes, the document needs a
    // password or has no pages. poppler reads from the bytes' memory.
    static std::unique_ptr<PdfPageRenderer> load(const QByteArray& data);
    ~PopplerPageRenderer() override;

    QRectF cropBox() const override;
    QRectF trimBox() const override;
    int rotation() const override;
    QImage render(double xResolution, double yResolution, const QRect& pixels, bool gray,
                  bool smoothed, int quarterTurnsBack) const override;

private:
    PopplerPageRenderer() = default;

    std::unique_ptr<poppler::document> m_document;
    std::unique_ptr<poppler::page> m_page;
};

} // namespace platform
