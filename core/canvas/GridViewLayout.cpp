#include "core/canvas/GridViewLayout.h"

#include "core/canvas/GridLineList.h"
#include "core/canvas/GridViewTransform.h"
#include "core/canvas/PixelAlignment.h"

#include <cmath>

namespace kestrom {

namespace {

using H = GridViewHandle;
using Hz = ambrel::OffsetBase::HorizontalPosition;
using Vt = ambrel::OffsetBase::VerticalPosition;

struct GuideContext {
    const GridViewLayout::Input& input;
    const QTransform& mmToPt;
    double width;

    GridViewLayout::Line vertical(double mm) const {
        return {true,
                GridLineList::verticalLineRect(PixelAlignment::round(mm), width, input.bounds,
                                               mmToPt, input.scale),
                QColor(Qt::red)};
    }
    GridViewLayout::Line horizontal(double mm) const {
        return {true,
                GridLineList::horizontalLineRect(PixelAlignment::round(mm), width, input.bounds,
                                                 mmToPt, input.scale),
                QColor(Qt::red)};
    }
};

// The guides while a side handle is dragged: the dragged edge when it lies on
// a grid step and, for a middle anchor, the opposite edge.
void placeResizeGuides(const GridViewLayout::Input& input, const QTransform& mmToPt,
                       GridViewLayout::Result& r) {
    if (!input.resizeHandle) {
        return;
    }
    const ambrel::OffsetBase anchor = input.model.imageOffsetBase;
    const bool midX = anchor.horizontalPosition == Hz::middle;
    const bool midY = anchor.verticalPosition == Vt::middle;
    const double stepH = midX ? 25 : 50;
    const double stepV = midY ? 25 : 50;
    const double x = input.model.imageOffset_mm.x;
    const double y = input.model.imageOffset_mm.y;
    const ambrel::Size_mm all = input.model.allImageSize_mm();
    const double W = all.width;
    const double Hh = all.height;
    const GuideContext g{input, mmToPt, input.scale > 1 ? 1.5 : 1.0};

    switch (*input.resizeHandle) {
    case H::middleRight:
    case H::middleLeft: {
        const bool right = *input.resizeHandle == H::middleRight;
        const double edge = midX ? (right ? x + W / 2 : x - W / 2) : x + W;
        if (GridViewLayout::isNear(x, stepH) && GridViewLayout::isNear(edge, stepH)) {
            r.resizingLine = g.vertical(edge);
            if (midX) {
                r.resizingFlippedLine = g.vertical(right ? x - W / 2 : x + W / 2);
            }
        }
        break;
    }
    case H::topMiddle:
    case H::bottomMiddle: {
        // The handle on the far side from a top or bottom anchor moves the
        // edge at offset + height; with a middle anchor both edges move.
        const bool top = *input.resizeHandle == H::topMiddle;
        const double edge = midY ? (top ? y + Hh / 2 : y - Hh / 2) : y + Hh;
        if (GridViewLayout::isNear(y, stepV) && GridViewLayout::isNear(edge, stepV)) {
            r.resizingLine = g.horizontal(edge);
            if (midY) {
                r.resizingFlippedLine = g.horizontal(top ? y - Hh / 2 : y + Hh / 2);
            }
        }
        break;
    }
    default:
        break;
    }
}

void placeOffsetLines(const GridViewLayout::Input& input, const QTransform& mmToPt,
                      GridViewLayout::Result& r) {
    const ambrel::Point_mm offset = input.model.imageOffset_mm;
    const bool onX = std::fmod(offset.x, 5) == 0;
    const bool onY = std::fmod(offset.y, 5) == 0;
    const double wx = onX ? 2.0 : 1.0;
    const double wy = onY ? 2.0 : 1.0;
    r.xOffsetLine = {true,
                     GridLineList::verticalLineRect(PixelAlignment::round(offset.x), wx,
                                                    input.bounds, mmToPt, input.scale),
                     onX ? QColor(Qt::red) : QColor(Qt::blue)};
    r.yOffsetLine = {true,
                     GridLineList::horizontalLineRect(PixelAlignment::round(offset.y), wy,
                                                      input.bounds, mmToPt, input.scale),
                     onY ? QColor(Qt::red) : QColor(Qt::blue)};
    placeResizeGuides(input, mmToPt, r);
}

void placeSequences(const GridViewLayout::Input& input, GridViewLayout::Result& r) {
    const double printableWidth = input.model.printableSize_mm.width;
    const double k = input.bounds.width() / printableWidth;
    if (!(printableWidth > 0) || !std::isfinite(k)) {
        return;
    }
    // Sequence rectangles run leftward from the right edge, as the device
    // prints them.
    QTransform s;
    s.translate(input.bounds.width(), 0);
    s.scale(-k, k);
    QList<QRectF> frames;
    for (const ambrel::Rect_mm& rect : input.model.splittedImageSourceRects_mm) {
        frames.append(PixelAlignment::centerScanRect(
            s.mapRect(rect.toQRectF().normalized()).normalized(), input.scale));
    }
    r.sequenceFrames = frames;
}

} // namespace

bool GridViewLayout::isNear(double value, double step) {
    return std::abs(value - step * PixelAlignment::round(value / step)) < 0.2;
}

GridViewLayout::Result GridViewLayout::compute(const Input& input) {
    Result r;
    const QSizeF& B = input.bounds;
    const GridViewModel& m = input.model;
    const auto mmToPt =
        GridViewTransform::makeMmToPt(B, m.printableSize_mm, m.imageOffsetBase, true);
    const ambrel::Size_mm all = m.allImageSize_mm();
    const bool sizesUsable = std::isfinite(all.width) && std::isfinite(all.height) &&
                             std::isfinite(m.imageOffset_mm.x) && std::isfinite(m.imageOffset_mm.y);

    if (!m.hasPicture) {
        const QSizeF hint = input.dropHintSize;
        r.showsDropHint = true;
        r.dropHintRect = QRectF(PixelAlignment::round((B.width() - hint.width()) * 0.5),
                                PixelAlignment::round((B.height() - hint.height()) * 0.5),
                                hint.width(), hint.height());
    } else if (mmToPt && sizesUsable) {
        const double s_mm = std::abs(mmToPt->m11());
        double x = m.imageOffset_mm.x;
        double y = m.imageOffset_mm.y;
        double allX = x;
        double allY = y;
        const double w = m.imageSizeForDisplay_mm.width;
        const double h = m.imageSizeForDisplay_mm.height;
        if (m.imageOffsetBase.horizontalPosition == Hz::middle) {
            x -= all.width / 2;
            allX -= all.width / 2;
        }
        // Where y runs upward the first copy lies at the top of the area.
        if (m.imageOffsetBase.verticalPosition == Vt::middle) {
            y = y + all.height / 2 - h;
            allY = allY - all.height / 2;
        } else if (m.imageOffsetBase.verticalPosition == Vt::bottom) {
            y = y + all.height - h;
        }
        r.imageRect_pt = mmToPt->mapRect(QRectF(x, y, w, h)).normalized();
        r.allImageRect_pt = mmToPt->mapRect(QRectF(allX, allY, all.width, all.height)).normalized();
        const QRectF strip(0, r.imageRect_pt.top(), B.width(), 9999);
        r.repeatStripRect = PixelAlignment::centerScanRect(strip, input.scale);
        const double f = input.scale > 1 ? input.scale : 1.0;
        const QRectF scanned = PixelAlignment::centerScanRect(
            QRectF(r.imageRect_pt.x(), 0, r.imageRect_pt.width(), r.imageRect_pt.height()),
            input.scale);
        r.imageFrame = QRectF(scanned.x(), 0, std::round(r.imageRect_pt.width() * f) / f,
                              std::round(r.imageRect_pt.height() * f) / f);
        r.selectionRect = PixelAlignment::centerScanRect(r.allImageRect_pt, input.scale);
        r.showsPicture = true;

        double dx = m.imageRepeatXCount >= 2
                        ? r.imageRect_pt.width() + s_mm * m.imageRepeatXMargin_mm
                        : r.imageRect_pt.width() * 0.8;
        if (m.imageOffsetBase.horizontalPosition == Hz::right) {
            dx = -dx;
        }
        const double dy = m.imageRepeatYCount >= 2
                              ? r.imageRect_pt.height() + s_mm * m.imageRepeatYMargin_mm
                              : std::floor(r.imageRect_pt.height() * 0.8);
        r.copyStepX = dx;
        r.copyStepY = dy;
        r.instanceCountX = std::max<qint64>(m.imageRepeatXCount, 2);
        r.instanceCountY = std::max<qint64>(m.imageRepeatYCount, 2);
        r.showsFurtherCopiesX = m.imageRepeatXCount > 1;
        r.showsFurtherCopiesY = m.imageRepeatYCount > 1;
    }

    if (m.hasPicture && m.showsOffsetLines && mmToPt && sizesUsable) {
        placeOffsetLines(input, *mmToPt, r);
    }
    placeSequences(input, r);
    return r;
}

} // namespace kestrom
