#include "platform/graphics/PdfCover.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// Nothing of something past every bound is nothing, not an undefined sum.
double times(double x, double y) {
    return x == 0 || y == 0 ? 0 : PdfCover::capped(x * y);
}

double plus(double x, double y) {
    return PdfCover::capped(x + y);
}

} // namespace

void PdfCover::Map::add(const PdfTransform& transform, double drawings) {
    const double p = std::abs(transform.a);
    const double q = std::abs(transform.c);
    const double r = std::abs(transform.b);
    const double s = std::abs(transform.d);
    const std::array<double, 4> one{p, q, r, s};
    const std::array<double, 9> two{
        times(p, p), times(2 * p, q), times(q, q),     times(p, r), plus(times(p, s), times(q, r)),
        times(q, s), times(r, r),     times(2 * r, s), times(s, s)};
    count = plus(count, drawings);
    for (std::size_t i = 0; i < first.size(); ++i) {
        first[i] = plus(first[i], times(drawings, one[i]));
    }
    for (std::size_t i = 0; i < second.size(); ++i) {
        second[i] = plus(second[i], times(drawings, two[i]));
    }
}

PdfCover PdfCover::Map::operator()(const PdfCover& cover) const {
    const auto row = [&](std::size_t at) {
        return plus(plus(times(second[at], cover.ww), times(second[at + 1], cover.wh)),
                    times(second[at + 2], cover.hh));
    };
    return {times(count, cover.count),
            plus(times(first[0], cover.w), times(first[1], cover.h)),
            plus(times(first[2], cover.w), times(first[3], cover.h)),
            row(0),
            row(3),
            row(6)};
}

PdfCover& PdfCover::operator+=(const PdfCover& other) {
    count = plus(count, other.count);
    w = plus(w, other.w);
    h = plus(h, other.h);
    ww = plus(ww, other.ww);
    wh = plus(wh, other.wh);
    hh = plus(hh, other.hh);
    return *this;
}

PdfCover PdfCover::under(const PdfTransform& transform) const {
    Map map;
    map.add(transform);
    return map(*this);
}

PdfCover PdfCover::larger(const PdfCover& one, const PdfCover& other) {
    return {std::max(one.count, other.count), std::max(one.w, other.w),
            std::max(one.h, other.h),         std::max(one.ww, other.ww),
            std::max(one.wh, other.wh),       std::max(one.hh, other.hh)};
}

double PdfCover::area(double thinnest) const {
    // max(w, t) max(h, t) <= wh + t (w + h) + t^2 for each box.
    return plus(plus(wh, times(thinnest, plus(w, h))), times(count, thinnest * thinnest));
}

double PdfCover::reach(double thinnest) const {
    // (max(w, h) + t)^2 <= w^2 + h^2 + 2 t (w + h) + t^2 for each box.
    return plus(plus(plus(ww, hh), times(2 * thinnest, plus(w, h))),
                times(count, thinnest * thinnest));
}

} // namespace platform
