#include "platform/graphics/GrayPageWriter.h"

#include "platform/compute/ThreadPool.h"
#include "platform/graphics/AreaAverageLines.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>

namespace platform {

struct GrayPageWriter::Scratch {
    std::vector<float> sums; // source columns weighed down the picture
    std::vector<Span> spans;
};

namespace {

// The visible part [first, end) of a rectangle from `start` that is `length`
// long, on a page `page` long; computed without overflow for any start.
std::pair<qint64, qint64> visiblePart(qint64 start, qint64 length, int page) {
    const qint64 first = std::clamp<qint64>(start, 0, page);
    const qint64 end = start > qint64(page) - length ? qint64(page) : start + length;
    return {first, std::max(first, std::clamp<qint64>(end, 0, page))};
}

} // namespace

GrayPageWriter::GrayPageWriter(const std::vector<PlacedPicture>& placements, int pageWidth,
                               int pageHeight)
    : m_pageWidth(std::max(0, pageWidth)), m_pageHeight(std::max(0, pageHeight)) {
    // Repeats of a picture share their scaling, all but those the edges cut.
    std::map<std::tuple<int, qint64, qint64, qint64>, std::shared_ptr<const AreaAverageTaps>> made;
    auto taps = [&](int source, qint64 destination, qint64 first, qint64 end) {
        auto& t = made[{source, destination, first, end}];
        if (!t) {
            t = std::make_shared<AreaAverageTaps>(source, destination, first, end);
        }
        return t;
    };
    for (const PlacedPicture& p : placements) {
        if (p.picture.isNull() || p.picture.format() != QImage::Format_Grayscale8 || p.width < 1 ||
            p.height < 1) {
            continue;
        }
        const auto [x0, x1] = visiblePart(p.x, p.width, m_pageWidth);
        const auto [y0, y1] = visiblePart(p.y, p.height, m_pageHeight);
        if (x0 == x1 || y0 == y1) {
            continue;
        }
        Placed placed;
        placed.picture = p.picture;
        placed.visible = QRect(int(x0), int(y0), int(x1 - x0), int(y1 - y0));
        placed.across = taps(p.picture.width(), p.width, x0 - p.x, x1 - p.x);
        placed.down = taps(p.picture.height(), p.height, y0 - p.y, y1 - p.y);
        m_placed.push_back(std::move(placed));
    }
}

void GrayPageWriter::writeSpan(const Span& span, int row, uchar* out, Scratch& scratch) const {
    const Placed& p = m_placed[size_t(span.index)];
    const AreaAverageTaps& across = *p.across;
    const AreaAverageTaps& down = *p.down;
    const int r = row - p.visible.top();
    const int skip = span.first - p.visible.left();
    const int count = span.end - span.first;
    const int taps = down.count(r);
    const uchar* line = p.picture.constScanLine(down.start(r));
    if (taps == 1 && across.isIdentity()) {
        std::memcpy(out, line + across.start(skip), size_t(count));
        return;
    }
    if (taps == 1 && across.isSingleTap()) {
        for (int i = 0; i < count; ++i) {
            out[i] = line[across.start(skip + i)];
        }
        return;
    }
    // Down the picture first, over the source columns the visible part reads.
    const int s0 = across.sourceFirst();
    const int width = across.sourceEnd() - s0;
    scratch.sums.resize(size_t(width + AreaAverageLines::linePadding));
    float* sums = scratch.sums.data();
    AreaAverageLines::sumDown(line + s0, p.picture.bytesPerLine(), down.weights(r), taps, width,
                              sums);
    AreaAverageLines::scaleAcross(sums - s0, across, skip, count, out);
}

void GrayPageWriter::writeRows(uchar* page, qsizetype bytesPerRow, int first, int end) const {
    first = std::max(first, 0);
    end = std::min(end, m_pageHeight);
    // The pictures the rows show, in drawing order.
    std::vector<int> touching;
    for (size_t i = 0; i < m_placed.size(); ++i) {
        const QRect& v = m_placed[i].visible;
        if (v.top() < end && v.top() + v.height() > first) {
            touching.push_back(int(i));
        }
    }
    Scratch scratch;
    auto& spans = scratch.spans;
    for (int y = first; y < end; ++y) {
        uchar* row = page + qsizetype(y) * bytesPerRow;
        spans.clear();
        for (const int i : touching) {
            const QRect& v = m_placed[size_t(i)].visible;
            if (v.top() <= y && y < v.top() + v.height()) {
                spans.push_back(Span{v.left(), v.left() + v.width(), i});
            }
        }
        std::stable_sort(spans.begin(), spans.end(),
                         [](const Span& a, const Span& b) { return a.first < b.first; });
        bool overlap = false;
        for (size_t s = 1; s < spans.size() && !overlap; ++s) {
            overlap = spans[s].first < spans[s - 1].end;
        }
        if (overlap) {
            // Pictures over pictures: white first, then each in drawing order.
            std::memset(row, 255, size_t(m_pageWidth));
            std::sort(spans.begin(), spans.end(),
                      [](const Span& a, const Span& b) { return a.index < b.index; });
            for (const Span& s : spans) {
                writeSpan(s, y, row + s.first, scratch);
            }
            continue;
        }
        int x = 0;
        for (const Span& s : spans) {
            std::memset(row + x, 255, size_t(s.first - x));
            writeSpan(s, y, row + s.first, scratch);
            x = s.end;
        }
        std::memset(row + x, 255, size_t(m_pageWidth - x));
    }
}

void GrayPageWriter::write(uchar* page, qsizetype bytesPerRow, compute::ThreadPool* pool,
                           int bands) const {
    const int rows = m_pageHeight;
    if (rows == 0 || m_pageWidth == 0) {
        return;
    }
    if (bands <= 0) {
        bands = pool ? int(pool->concurrency()) * 2 : 1;
    }
    bands = pool ? std::clamp(bands, 1, rows) : 1;
    auto band = [&](std::size_t b) {
        writeRows(page, bytesPerRow, int(qint64(rows) * qint64(b) / bands),
                  int(qint64(rows) * qint64(b + 1) / bands));
    };
    if (bands == 1) {
        band(0);
    } else {
        pool->parallelFor(std::size_t(bands), band);
    }
}

} // namespace platform
