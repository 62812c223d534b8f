#include "core/canvas/CanvasShadow.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kestrom {

namespace {

// How far the shadow reaches beyond the canvas moved down by `drop`, and
// the band along each edge, both in points. The band holds the shadow's
// curved corners and reaches under the canvas's rounded corners.
constexpr int blur = 16;
constexpr double drop = 4;
constexpr int reach = blur / 2;
constexpr int band = 24;

// Qt blends a run of 96 rows or more on its thread pool; for the narrow
// side bands waking the threads costs more than the blend.
constexpr int rowsPerPiece = 64;

bool whole(double v) {
    return std::abs(v - std::round(v)) < 1e-6;
}

// The rows [from, to) of the device-pixel image, drawn with their top
// at `top` in points.
void drawRows(QPainter& painter, const QImage& image, double scale, const QPointF& topLeft) {
    for (int row = 0; row < image.height(); row += rowsPerPiece) {
        const int rows = std::min(rowsPerPiece, image.height() - row);
        painter.drawImage(QPointF(topLeft.x(), topLeft.y() + row / scale), image,
                          QRect(0, row, image.width(), rows));
    }
}

} // namespace

void CanvasShadow::drawLayers(QPainter& painter, const QSizeF& size) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    const QRectF canvas = QRectF(QPointF(0, 0), size).translated(0, drop);
    for (int step = blur; step >= 1; step -= 2) {
        const double grow = step - blur / 2.0;
        painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.16f * 2.0f / float(blur)));
        painter.drawRoundedRect(canvas.adjusted(-grow, -grow, grow, grow), 4 + std::max(0.0, grow),
                                4 + std::max(0.0, grow));
    }
    painter.restore();
}

void CanvasShadow::draw(QPainter& painter, const QSizeF& canvas) {
    if (canvas.isEmpty()) {
        return;
    }
    // Whole pixels only: a band repeats pixels, which is exact where the
    // edges fall alike in every pixel along them.
    const QTransform device = painter.deviceTransform();
    const double scale = device.m11();
    const QPointF origin = device.map(QPointF(-reach, drop - reach));
    const bool aligned = device.type() <= QTransform::TxScale && device.m22() == scale &&
                         scale > 0 && whole(scale) && whole(origin.x()) && whole(origin.y()) &&
                         whole(canvas.width()) && whole(canvas.height());
    if (!aligned || !makeBands(canvas, scale)) {
        drawLayers(painter, canvas);
        return;
    }
    const double outerWidth = canvas.width() + 2 * reach;
    const double outerHeight = canvas.height() + 2 * reach;
    const QPointF outer(-reach, drop - reach);
    painter.drawImage(outer, m_top);
    painter.drawImage(outer + QPointF(0, outerHeight - band), m_bottom);
    drawRows(painter, m_left, scale, outer + QPointF(0, band));
    drawRows(painter, m_right, scale, outer + QPointF(outerWidth - band, band));
}

bool CanvasShadow::makeBands(const QSizeF& canvas, double scale) {
    if (canvas == m_canvas && scale == m_scale) {
        return true;
    }
    const int s = int(std::round(scale));
    const int outerWidth = int(std::round(canvas.width())) + 2 * reach;
    const int outerHeight = int(std::round(canvas.height())) + 2 * reach;
    if (outerWidth < 2 * band + 1 || outerHeight < 2 * band + 1) {
        return false;
    }
    // The shadow of the smallest canvas with straight edges between its
    // corners, in device pixels.
    const int patchSide = 2 * band + 1;
    QImage patch(patchSide * s, patchSide * s, QImage::Format_ARGB32_Premultiplied);
    patch.setDevicePixelRatio(scale);
    patch.fill(Qt::transparent);
    {
        QPainter painter(&patch);
        painter.translate(reach, reach - drop);
        drawLayers(painter, QSizeF(patchSide - 2 * reach, patchSide - 2 * reach));
    }
    const int b = band * s;
    const int middle = b;
    const int w = outerWidth * s;
    const int h = outerHeight * s;
    // A row of the outer width from a row of the patch: its corners kept,
    // its middle pixel repeated between them.
    const auto widen = [&](const QImage& from, int fromRow, QImage& to, int toRow) {
        const auto* source = reinterpret_cast<const quint32*>(from.constScanLine(fromRow));
        auto* target = reinterpret_cast<quint32*>(to.scanLine(toRow));
        std::memcpy(target, source, size_t(b) * 4);
        std::fill(target + b, target + w - b, source[middle]);
        std::memcpy(target + w - b, source + patch.width() - b, size_t(b) * 4);
    };
    QImage top(w, b, QImage::Format_ARGB32_Premultiplied);
    QImage bottom(w, b, QImage::Format_ARGB32_Premultiplied);
    for (int row = 0; row < b; ++row) {
        widen(patch, row, top, row);
        widen(patch, patch.height() - b + row, bottom, row);
    }
    // The sides between the bands above and below: the patch's middle row
    // repeated.
    QImage left(b, h - 2 * b, QImage::Format_ARGB32_Premultiplied);
    QImage right(b, h - 2 * b, QImage::Format_ARGB32_Premultiplied);
    const auto* middleRow = reinterpret_cast<const quint32*>(patch.constScanLine(middle));
    for (int row = 0; row < left.height(); ++row) {
        std::memcpy(left.scanLine(row), middleRow, size_t(b) * 4);
        std::memcpy(right.scanLine(row), middleRow + patch.width() - b, size_t(b) * 4);
    }
    for (QImage* image : {&top, &bottom, &left, &right}) {
        image->setDevicePixelRatio(scale);
    }
    m_top = std::move(top);
    m_bottom = std::move(bottom);
    m_left = std::move(left);
    m_right = std::move(right);
    m_canvas = canvas;
    m_scale = scale;
    return true;
}

} // namespace kestrom
