#include "platform/graphics/GraphicsContext.h"

#include "platform/graphics/ImageLimits.h"
#include "platform/graphics/OrientedImageCache.h"
#include "platform/graphics/PageRenderings.h"
#include "platform/graphics/PlacementRecorder.h"
#include "platform/graphics/TurnedPictureStrips.h"

#include <QtMath>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace platform {

namespace {

QImage::Format qtFormat(GraphicsContext::PixelFormat format) {
    switch (format) {
    case GraphicsContext::PixelFormat::gray8:
        return QImage::Format_Grayscale8;
    case GraphicsContext::PixelFormat::rgba8888Premultiplied:
        return QImage::Format_RGBA8888_Premultiplied;
    case GraphicsContext::PixelFormat::rgbx8888:
        return QImage::Format_RGBX8888;
    }
    return QImage::Format_Invalid;
}

int bytesPerPixel(GraphicsContext::PixelFormat format) {
    return format == GraphicsContext::PixelFormat::gray8 ? 1 : 4;
}

// Turns the device's y-down coordinates into the context's y-up user space.
QTransform yUp(double height) {
    return QTransform(1, 0, 0, -1, 0, height);
}

} // namespace

std::unique_ptr<GraphicsContext> GraphicsContext::makeBitmap(PixelFormat format, int width,
                                                             int height, uchar* data) {
    if (!ImageLimits::admits(width, height)) {
        return nullptr;
    }
    const qsizetype rowBytes = qsizetype(width) * bytesPerPixel(format);
    QImage bitmap;
    if (data) {
        bitmap = QImage(data, width, height, rowBytes, qtFormat(format));
    } else {
        // Memory of our own rather than QImage's: Qt pads rows to 4 bytes,
        // the system's bitmaps have no padding.
        auto* memory = static_cast<uchar*>(calloc(size_t(rowBytes), size_t(height)));
        if (!memory) {
            return nullptr;
        }
        bitmap = QImage(memory, width, height, rowBytes, qtFormat(format), free, memory);
    }
    if (bitmap.isNull()) {
        return nullptr;
    }
    return std::unique_ptr<GraphicsContext>(new GraphicsContext(std::move(bitmap), format));
}

GraphicsContext::GraphicsContext(QImage bitmap, PixelFormat format)
    : m_bitmap(std::move(bitmap)), m_format(format),
      m_ownedPainter(std::make_unique<QPainter>(&m_bitmap)), m_painter(m_ownedPainter.get()),
      m_deviceSize(m_bitmap.width(), m_bitmap.height()) {
    m_painter->setWorldTransform(yUp(m_deviceSize.height()));
    m_painter->setPen(Qt::NoPen);
    applyHints();
}

GraphicsContext::GraphicsContext(QPainter& painter, const QSizeF& deviceSize)
    : m_painter(&painter), m_deviceSize(deviceSize) {
    m_painter->save();
    m_painter->setWorldTransform(yUp(deviceSize.height()) * m_painter->worldTransform());
    m_painter->setPen(Qt::NoPen);
    applyHints();
}

GraphicsContext::~GraphicsContext() {
    if (m_ownedPainter) {
        m_ownedPainter->end();
    } else {
        // Unbalanced saves of the user must not leak into the caller's painter.
        for (size_t i = 0; i < m_savedStates.size(); ++i) {
            m_painter->restore();
        }
        m_painter->restore();
    }
}

void GraphicsContext::saveGState() {
    m_painter->save();
    m_savedStates.push_back(m_state);
}

void GraphicsContext::restoreGState() {
    if (m_savedStates.empty()) {
        return;
    }
    m_painter->restore();
    m_state = m_savedStates.back();
    m_savedStates.pop_back();
    applyHints();
}

void GraphicsContext::translateBy(double tx, double ty) {
    m_painter->translate(tx, ty);
}

void GraphicsContext::scaleBy(double sx, double sy) {
    m_painter->scale(sx, sy);
}

void GraphicsContext::rotateBy(double radians) {
    m_painter->rotate(qRadiansToDegrees(radians));
}

void GraphicsContext::concatenate(const QTransform& transform) {
    m_painter->setWorldTransform(transform * m_painter->worldTransform());
}

QTransform GraphicsContext::userToDevice() const {
    return m_painter->worldTransform();
}

void GraphicsContext::setShouldAntialias(bool on) {
    m_state.shouldAntialias = on;
    applyHints();
}

void GraphicsContext::setAllowsAntialiasing(bool allowed) {
    m_allowsAntialiasing = allowed;
    applyHints();
}

void GraphicsContext::setInterpolationQuality(InterpolationQuality quality) {
    m_state.interpolation = quality;
    applyHints();
}

void GraphicsContext::setBlendMode(BlendMode mode) {
    m_painter->setCompositionMode(mode == BlendMode::copy ? QPainter::CompositionMode_Source
                                                          : QPainter::CompositionMode_SourceOver);
}

void GraphicsContext::setFillColor(const QColor& color) {
    m_state.fillColor = color;
}

void GraphicsContext::setGrayFillColor(double gray, double alpha) {
    QColor color;
    color.setRgbF(float(gray), float(gray), float(gray), float(alpha));
    m_state.fillColor = color;
}

void GraphicsContext::fill(const QRectF& rect) {
    if (m_recorder) {
        m_recorder->refuse();
        return;
    }
    m_painter->fillRect(rect, m_state.fillColor);
}

void GraphicsContext::clipTo(const QRectF& rect) {
    if (m_recorder) {
        m_recorder->refuse();
        return;
    }
    m_painter->setClipRect(rect, Qt::IntersectClip);
}

QRectF GraphicsContext::deviceClipBounds() const {
    const QRectF device(QPointF(0, 0), m_deviceSize);
    if (!m_painter->hasClipping()) {
        return device;
    }
    return m_painter->worldTransform().mapRect(m_painter->clipBoundingRect()).intersected(device);
}

void GraphicsContext::drawImage(const QRectF& rect, const QImage& image) {
    if (image.isNull() || rect.isEmpty()) {
        return;
    }
    m_painter->save();
    m_painter->translate(rect.x(), rect.y() + rect.height());
    m_painter->scale(1, -1);
    const QRectF target(0, 0, rect.width(), rect.height());
    const QRectF source(0, 0, image.width(), image.height());
    // Qt's smooth sampling is off by one pixel when the drawing is mirrored
    // or turned a half (rows and columns are doubled and lost). A drawing
    // whose axes stay on the device's axes is therefore made as an unturned,
    // unmirrored drawing of the picture turned and mirrored pixel by pixel.
    const QTransform toDevice = imageToDevice(target, source, m_painter->worldTransform());
    if (const auto oriented = axisAlignedOrientation(toDevice)) {
        const QRectF deviceRect = toDevice.mapRect(source);
        const QImage turned = m_orientedImages
                                  ? m_orientedImages->oriented(image, *oriented, isGray())
                                  : OrientedImageCache::orientedOnce(image, *oriented);
        if (turned.isNull()) {
            // Left to be drawn from the parts of its turned copy it shows.
            if (m_recorder) {
                m_recorder->refuse();
            } else {
                m_painter->setWorldTransform(QTransform());
                if (!TurnedPictureStrips::draw(*m_painter, deviceRect, image, *oriented)) {
                    m_painter->drawImage(deviceRect,
                                         image.transformed(*oriented, Qt::FastTransformation));
                }
            }
        } else if (m_recorder) {
            record(deviceRect, turned);
        } else {
            m_painter->setWorldTransform(QTransform());
            m_painter->drawImage(deviceRect, turned);
        }
    } else if (m_recorder) {
        m_recorder->refuse();
    } else {
        m_painter->drawImage(target, image, source);
    }
    m_painter->restore();
}

void GraphicsContext::drawDeviceImage(const QPoint& topLeft, const QImage& image,
                                      const QRect& within) {
    if (image.isNull() || within.isEmpty()) {
        return;
    }
    if (m_recorder) {
        m_recorder->refuse();
        return;
    }
    m_painter->save();
    // The clip stays where it lies on the device.
    m_painter->setWorldTransform(QTransform());
    m_painter->setClipRect(within, Qt::IntersectClip);
    m_painter->drawImage(topLeft, image);
    m_painter->restore();
}

QTransform GraphicsContext::imageToDevice(const QRectF& target, const QRectF& source,
                                          const QTransform& world) {
    return QTransform::fromScale(target.width() / source.width(),
                                 target.height() / source.height()) *
           world;
}

std::optional<QTransform> GraphicsContext::imageOrientation(const QRectF& rect,
                                                            const QSize& size) const {
    if (size.isEmpty() || rect.isEmpty()) {
        return std::nullopt;
    }
    // The steps drawImage takes on the painter's transform.
    QTransform world = m_painter->worldTransform();
    world.translate(rect.x(), rect.y() + rect.height());
    world.scale(1, -1);
    return axisAlignedOrientation(imageToDevice(QRectF(0, 0, rect.width(), rect.height()),
                                                QRectF(0, 0, size.width(), size.height()), world));
}

void GraphicsContext::record(const QRectF& deviceRect, const QImage& turned) {
    // Edges a rounding away from whole pixels are on them, as the painter
    // fills them; edges between pixels are the painter's to draw.
    auto whole = [](double v, qint64& out) {
        const double r = std::round(v);
        if (!(std::abs(v - r) <= 1e-6) || !(std::abs(r) < 9e15)) {
            return false;
        }
        out = qint64(r);
        return true;
    };
    qint64 left = 0, top = 0, right = 0, bottom = 0;
    const bool placeable = isGray() && turned.format() == QImage::Format_Grayscale8 &&
                           whole(deviceRect.left(), left) && whole(deviceRect.top(), top) &&
                           whole(deviceRect.right(), right) && whole(deviceRect.bottom(), bottom);
    const qint64 width = right - left;
    const qint64 height = bottom - top;
    // Unsmoothed scaling picks pixels, which the area average does not.
    const bool scaled = width != turned.width() || height != turned.height();
    if (!placeable || width < 1 || height < 1 ||
        (scaled && m_state.interpolation == InterpolationQuality::none)) {
        m_recorder->refuse();
        return;
    }
    m_recorder->add(PlacedPicture{turned, left, top, width, height});
}

std::optional<QTransform> GraphicsContext::axisAlignedOrientation(const QTransform& transform) {
    const double scale = std::max({std::abs(transform.m11()), std::abs(transform.m12()),
                                   std::abs(transform.m21()), std::abs(transform.m22())});
    if (!transform.isAffine() || !(scale > 0)) {
        return std::nullopt;
    }
    const double tiny = scale * 1e-9;
    auto sign = [](double v) { return v < 0 ? -1.0 : 1.0; };
    if (std::abs(transform.m12()) < tiny && std::abs(transform.m21()) < tiny) {
        return QTransform(sign(transform.m11()), 0, 0, sign(transform.m22()), 0, 0);
    }
    if (std::abs(transform.m11()) < tiny && std::abs(transform.m22()) < tiny) {
        return QTransform(0, sign(transform.m12()), sign(transform.m21()), 0, 0, 0);
    }
    return std::nullopt;
}

void GraphicsContext::applyHints() {
    m_painter->setRenderHint(QPainter::Antialiasing,
                             m_allowsAntialiasing && m_state.shouldAntialias);
    m_painter->setRenderHint(QPainter::SmoothPixmapTransform,
                             m_state.interpolation != InterpolationQuality::none);
}

} // namespace platform
