#include "PreviewAgainstJob.h"

#include <algorithm>
#include <cmath>

std::string PreviewAgainstJob::compare(const QImage& view, const Job& job,
                                       const kestrom::PreviewGeometry& geometry,
                                       const QSizeF& viewSize, double scale) {
    const auto& p = geometry.placement;
    const double pixelsPerDotX = viewSize.width() * scale / double(p.width);
    const double pixelsPerDotY = viewSize.height() * scale / double(p.height);
    std::string faults;
    int lost = 0;
    qint64 printedBlack = 0;
    for (qint64 v = std::max<qint64>(0, p.y); v < std::min(job.H, p.y + p.height); ++v) {
        for (qint64 u = std::max<qint64>(0, p.x); u < std::min(job.W, p.x + p.width); ++u) {
            if (!job.black(u, v)) {
                continue;
            }
            ++printedBlack;
            const int px = int((double(u - p.x) + 0.5) * pixelsPerDotX);
            const int py = int((double(v - p.y) + 0.5) * pixelsPerDotY);
            if (view.constScanLine(py)[px] == 255 && ++lost <= 3) {
                faults += "black dot " + std::to_string(u) + "," + std::to_string(v) +
                          " shows white at " + std::to_string(px) + "," + std::to_string(py) + "; ";
            }
        }
    }
    if (lost > 0) {
        faults += std::to_string(lost) + " of " + std::to_string(printedBlack) + " lost; ";
    }
    // Blocks of 8 x 8 pixels wholly on the picture and on the canvas.
    int off = 0;
    for (int by = 0; by + 8 <= int(viewSize.height() * scale); by += 8) {
        for (int bx = 0; bx + 8 <= int(viewSize.width() * scale); bx += 8) {
            const double u0 = double(p.x) + bx / pixelsPerDotX;
            const double u1 = double(p.x) + (bx + 8) / pixelsPerDotX;
            const double v0 = double(p.y) + by / pixelsPerDotY;
            const double v1 = double(p.y) + (by + 8) / pixelsPerDotY;
            if (u0 < 0 || v0 < 0 || u1 > double(job.W) || v1 > double(job.H)) {
                continue;
            }
            double white = 0;
            for (qint64 v = qint64(std::floor(v0)); v < qint64(std::ceil(v1)); ++v) {
                const double hv = std::min(v1, double(v + 1)) - std::max(v0, double(v));
                for (qint64 u = qint64(std::floor(u0)); u < qint64(std::ceil(u1)); ++u) {
                    const double wu = std::min(u1, double(u + 1)) - std::max(u0, double(u));
                    white += job.black(u, v) ? 0 : wu * hv;
                }
            }
            const double printed = white / ((u1 - u0) * (v1 - v0));
            double shown = 0;
            for (int y = by; y < by + 8; ++y) {
                for (int x = bx; x < bx + 8; ++x) {
                    shown += view.constScanLine(y)[x];
                }
            }
            shown /= 64.0 * 255.0;
            if (std::abs(shown - printed) > 0.03 && ++off <= 3) {
                faults += "block " + std::to_string(bx) + "," + std::to_string(by) + " shows " +
                          std::to_string(shown) + " for " + std::to_string(printed) + "; ";
            }
        }
    }
    if (off > 0) {
        faults += std::to_string(off) + " blocks off; ";
    }
    return faults;
}
