#include "platform/codecs/PopplerPageRenderer.h"

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include <mutex>

namespace platform {

namespace {

// Loading is kept to one thread at a time: poppler sets up its process-wide
// state with the first document.
std::mutex& loadMutex() {
    static std::mutex mutex;
    return mutex;
}

void quietOnce() {
    static std::once_flag once;
    // poppler's own complaints about broken files would otherwise reach
    // standard error; a file that does not open simply is no picture.
    std::call_once(
        once, [] { poppler::set_debug_error_function([](const std::string&, void*) {}, nullptr); });
}

QRectF toQt(const poppler::rectf& r) {
    return QRectF(r.left(), r.top(), r.width(), r.height()).normalized();
}

// A page of one line of text in a standard font, whose drawing sets up
// the library's global state and the font configuration it looks fonts up
// with. It has no table of its objects: the library finds them itself.
constexpr char warmUpDocument[] =
    "%PDF-1.4\n"
    "1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
    "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
    "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 24 16] /Contents 4 0 R "
    "/Resources << /Font << /F1 5 0 R >> >> >> endobj\n"
    "4 0 obj << /Length 30 >> stream\nBT /F1 12 Tf 2 4 Td (Ag) Tj ET\nendstream endobj\n"
    "5 0 obj << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> endobj\n"
    "trailer << /Root 1 0 R >>\n%%EOF\n";

} // namespace

void PopplerPageRenderer::prepare() {
    const QByteArray document = QByteArray::fromRawData(warmUpDocument, sizeof(warmUpDocument) - 1);
    if (const auto page = load(document)) {
        page->render(72, 72, QRect(0, 0, 24, 16), true, true, 0);
    }
}

PopplerPageRenderer::~PopplerPageRenderer() {
    m_page.reset();
    m_document.reset();
}

std::unique_ptr<PdfPageRenderer> PopplerPageRenderer::load(const QByteArray& data) {
    quietOnce();
    std::unique_ptr<PopplerPageRenderer> loaded(new PopplerPageRenderer());
    std::lock_guard lock(loadMutex());
    loaded->m_document.reset(
        poppler::document::load_from_raw_data(data.constData(), int(data.size())));
    if (!loaded->m_document || loaded->m_document->is_locked() || loaded->m_document->pages() < 1) {
        return nullptr;
    }
    loaded->m_page.reset(loaded->m_document->create_page(0));
    if (!loaded->m_page) {
        return nullptr;
    }
    return loaded;
}

QRectF PopplerPageRenderer::cropBox() const {
    return toQt(m_page->page_rect(poppler::crop_box));
}

QRectF PopplerPageRenderer::trimBox() const {
    return toQt(m_page->page_rect(poppler::trim_box));
}

int PopplerPageRenderer::rotation() const {
    switch (m_page->orientation()) {
    case poppler::page::landscape:
        return 90;
    case poppler::page::upside_down:
        return 180;
    case poppler::page::seascape:
        return 270;
    case poppler::page::portrait:
        return 0;
    }
    return 0;
}

QImage PopplerPageRenderer::render(double xResolution, double yResolution, const QRect& pixels,
                                   bool gray, bool smoothed, int quarterTurnsBack) const {
    poppler::page_renderer renderer;
    if (smoothed) {
        renderer.set_render_hints(poppler::page_renderer::antialiasing |
                                  poppler::page_renderer::text_antialiasing);
    }
    const auto format = gray ? poppler::image::format_gray8 : poppler::image::format_argb32;
    renderer.set_image_format(format);
    const poppler::image rendered = renderer.render_page(
        m_page.get(), xResolution, yResolution, pixels.x(), pixels.y(), pixels.width(),
        pixels.height(), static_cast<poppler::rotation_enum>(quarterTurnsBack % 4));
    // Rows are read in the layout that was asked for; anything else would be
    // misread.
    if (!rendered.is_valid() || rendered.format() != format) {
        return {};
    }
    // The image keeps poppler's pixels instead of copying them: at print
    // resolution they can be hundreds of megabytes.
    auto* kept = new poppler::image(rendered);
    return QImage(
        reinterpret_cast<const uchar*>(kept->const_data()), kept->width(), kept->height(),
        kept->bytes_per_row(),
        gray ? QImage::Format_Grayscale8 : QImage::Format_ARGB32_Premultiplied,
        [](void* p) { delete static_cast<poppler::image*>(p); }, kept);
}

} // namespace platform
