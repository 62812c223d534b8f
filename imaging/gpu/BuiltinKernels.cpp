#include "imaging/gpu/BuiltinKernels.h"

#include "imaging/gpu/KernelMath.h"
#include "platform/Log.h"
#include "platform/compute/KernelRegistry.h"
#include "platform/compute/Texture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace sildor {

using namespace platform::compute;

namespace {

// Kernels are only ever dispatched by this library's own filters, which
// always bind what they need; anything missing is a programming error.
float requireFloat(const KernelArguments& a, std::size_t index, const char* kernel) {
    const auto v = a.value<float>(index);
    if (!v) {
        platform::Log::fatal(
            QStringLiteral("kernel %1: parameter %2 missing").arg(kernel).arg(index));
    }
    return *v;
}

std::int32_t requireInt(const KernelArguments& a, std::size_t index, const char* kernel) {
    const auto v = a.value<std::int32_t>(index);
    if (!v) {
        platform::Log::fatal(
            QStringLiteral("kernel %1: parameter %2 missing").arg(kernel).arg(index));
    }
    return *v;
}

Texture& requireTexture(const KernelArguments& a, std::size_t index, const char* kernel) {
    Texture* t = a.texture(index);
    if (t == nullptr) {
        platform::Log::fatal(
            QStringLiteral("kernel %1: texture %2 missing").arg(kernel).arg(index));
    }
    return *t;
}

template <class F> ByteMap tableOf(F&& f) {
    ByteMap map;
    for (int b = 0; b < 256; ++b) {
        map[b] = KernelMath::byte(f(KernelMath::fraction(std::uint8_t(b))));
    }
    return map;
}

ByteMap levelMap(const KernelArguments& a) {
    const double black = requireFloat(a, 0, "level");
    const double white = requireFloat(a, 1, "level");
    return tableOf([=](double s) {
        if (white <= black) {
            return s > black ? 1.0 : 0.0;
        }
        return (s - black) / (white - black);
    });
}

ByteMap gammaMap(const KernelArguments& a) {
    const double g = requireFloat(a, 0, "gamma");
    const bool usable = std::isfinite(g) && g > 0;
    return tableOf([=](double s) { return usable ? std::pow(s, g) : s; });
}

ByteMap thresholdMap(const KernelArguments& a) {
    const double t = requireFloat(a, 0, "threshold");
    return tableOf([=](double s) { return s > t ? 1.0 : 0.0; });
}

// The rows and columns of a tile that lie inside both textures.
struct Span {
    std::size_t x0, x1, y0, y1;
    bool empty() const { return x0 >= x1 || y0 >= y1; }
};

Span clipped(const ThreadRect& r, std::size_t width, std::size_t height) {
    return Span{r.x0, std::min(r.x1, width), r.y0, std::min(r.y1, height)};
}

void copyTile(const Texture& source, Texture& destination, const ThreadRect& r) {
    const Span s = clipped(r, std::min(source.width(), destination.width()),
                           std::min(source.height(), destination.height()));
    if (s.empty()) {
        return;
    }
    for (std::size_t y = s.y0; y < s.y1; ++y) {
        std::memcpy(destination.row(y) + s.x0, source.row(y) + s.x0, s.x1 - s.x0);
    }
}

TileWork solidColor(const KernelArguments& a) {
    Texture* target = &requireTexture(a, 0, "solidColor");
    const std::uint8_t value = KernelMath::byte(requireFloat(a, 0, "solidColor"));
    return [target, value](const ThreadRect& r) {
        const Span s = clipped(r, target->width(), target->height());
        if (s.empty()) {
            return;
        }
        for (std::size_t y = s.y0; y < s.y1; ++y) {
            std::memset(target->row(y) + s.x0, value, s.x1 - s.x0);
        }
    };
}

// Quarter turns clockwise, row 0 at the top. Each thread moves the source
// pixel at its position; places outside the destination are skipped.
TileWork rotate90(const KernelArguments& a) {
    const Texture* source = &requireTexture(a, 0, "rotate90");
    Texture* destination = &requireTexture(a, 1, "rotate90");
    const int turns = ((requireInt(a, 0, "rotate90") % 4) + 4) % 4;
    return [source, destination, turns](const ThreadRect& r) {
        const std::size_t w = source->width();
        const std::size_t h = source->height();
        const std::size_t dw = destination->width();
        const std::size_t dh = destination->height();
        const Span s = clipped(r, w, h);
        if (s.empty()) {
            return;
        }
        if (turns == 0) {
            copyTile(*source, *destination, r);
            return;
        }
        if (turns == 2) {
            for (std::size_t y = s.y0; y < s.y1; ++y) {
                const std::size_t ty = h - 1 - y;
                if (ty >= dh) {
                    continue;
                }
                const std::uint8_t* in = source->row(y);
                std::uint8_t* out = destination->row(ty);
                for (std::size_t x = s.x0; x < s.x1; ++x) {
                    const std::size_t tx = w - 1 - x;
                    if (tx < dw) {
                        out[tx] = in[x];
                    }
                }
            }
            return;
        }
        // A quarter turn writes columns; blocks of columns keep the rows it
        // touches few at a time.
        constexpr std::size_t block = 64;
        for (std::size_t bx = s.x0; bx < s.x1; bx += block) {
            const std::size_t bx1 = std::min(s.x1, bx + block);
            for (std::size_t y = s.y0; y < s.y1; ++y) {
                const std::uint8_t* in = source->row(y);
                for (std::size_t x = bx; x < bx1; ++x) {
                    // One turn: (x, y) -> (h-1-y, x); three: (x, y) -> (y, w-1-x).
                    const std::size_t tx = turns == 1 ? h - 1 - y : y;
                    const std::size_t ty = turns == 1 ? x : w - 1 - x;
                    if (tx < dw && ty < dh) {
                        destination->row(ty)[tx] = in[x];
                    }
                }
            }
        }
    };
}

// The weights of a Gaussian with the given sigma over the taps -reach...reach,
// for a line of `length` samples read with clamping at the edges. Taps that
// lie a whole line or more beyond the centre always read an edge sample, so
// their weight is gathered on the tap at +-length.
std::vector<double> gaussianWeights(double sigma, std::size_t length, std::size_t& reach) {
    const double fullReach = std::ceil(3.0 * sigma);
    const std::size_t full = std::size_t(fullReach);
    reach = std::min(full, length);
    std::vector<double> weights(2 * reach + 1, 0.0);
    const double twoSigmaSquared = 2.0 * sigma * sigma;
    double sum = 0.0;
    for (std::size_t i = 0; i <= full; ++i) {
        const double w = std::exp(-double(i) * double(i) / twoSigmaSquared);
        const std::size_t tap = std::min(i, reach);
        weights[reach + tap] += w;
        if (i != 0) {
            weights[reach - tap] += w;
        }
        sum += i == 0 ? w : 2.0 * w;
    }
    for (double& w : weights) {
        w /= sum;
    }
    return weights;
}

TileWork gaussianBlur(const KernelArguments& a) {
    const Texture* source = &requireTexture(a, 0, "gaussianBlur");
    Texture* destination = &requireTexture(a, 1, "gaussianBlur");
    const std::int32_t axis = requireInt(a, 0, "gaussianBlur");
    const double radius = requireFloat(a, 1, "gaussianBlur");
    if (!(radius > 0) || !std::isfinite(radius) || (axis != 0 && axis != 1)) {
        return [source, destination](const ThreadRect& r) { copyTile(*source, *destination, r); };
    }
    // Beyond this the blur is flat across any picture; it keeps the tap count finite.
    const double sigma = std::min(radius, 1.0e6);
    const bool alongX = axis == 0;
    const std::size_t length = alongX ? source->width() : source->height();
    std::size_t reach = 0;
    auto weights =
        std::make_shared<const std::vector<double>>(gaussianWeights(sigma, length, reach));

    return [source, destination, alongX, reach, weights](const ThreadRect& r) {
        const std::size_t w = source->width();
        const std::size_t h = source->height();
        const Span s =
            clipped(r, std::min(w, destination->width()), std::min(h, destination->height()));
        if (s.empty()) {
            return;
        }
        const double* k = weights->data();
        const std::size_t taps = weights->size();
        const std::size_t n = s.x1 - s.x0;
        std::vector<double> sum(n);
        if (alongX) {
            // Each row, padded at both ends with copies of its edge samples.
            std::vector<double> padded(w + 2 * reach);
            for (std::size_t y = s.y0; y < s.y1; ++y) {
                const std::uint8_t* in = source->row(y);
                for (std::size_t i = 0; i < padded.size(); ++i) {
                    const std::size_t x = i < reach ? 0 : std::min(i - reach, w - 1);
                    padded[i] = KernelMath::fraction(in[x]);
                }
                std::fill(sum.begin(), sum.end(), 0.0);
                for (std::size_t t = 0; t < taps; ++t) {
                    const double wt = k[t];
                    const double* p = padded.data() + s.x0 + t;
                    for (std::size_t x = 0; x < n; ++x) {
                        sum[x] += wt * p[x];
                    }
                }
                std::uint8_t* out = destination->row(y) + s.x0;
                for (std::size_t x = 0; x < n; ++x) {
                    out[x] = KernelMath::byte(sum[x]);
                }
            }
            return;
        }
        for (std::size_t y = s.y0; y < s.y1; ++y) {
            std::fill(sum.begin(), sum.end(), 0.0);
            for (std::size_t t = 0; t < taps; ++t) {
                const std::ptrdiff_t at =
                    std::ptrdiff_t(y) + std::ptrdiff_t(t) - std::ptrdiff_t(reach);
                const std::size_t sy =
                    std::size_t(std::clamp<std::ptrdiff_t>(at, 0, std::ptrdiff_t(h) - 1));
                const std::uint8_t* in = source->row(sy) + s.x0;
                const double wt = k[t];
                for (std::size_t x = 0; x < n; ++x) {
                    sum[x] += wt * KernelMath::fraction(in[x]);
                }
            }
            std::uint8_t* out = destination->row(y) + s.x0;
            for (std::size_t x = 0; x < n; ++x) {
                out[x] = KernelMath::byte(sum[x]);
            }
        }
    };
}

} // namespace

void BuiltinKernels::registerAll(const platform::Bundle* bundle) {
    Kernel level;
    level.byteMap = levelMap;
    KernelRegistry::registerKernel(bundle, QStringLiteral("level"), level);

    Kernel gamma;
    gamma.byteMap = gammaMap;
    KernelRegistry::registerKernel(bundle, QStringLiteral("gamma"), gamma);

    Kernel threshold;
    threshold.byteMap = thresholdMap;
    KernelRegistry::registerKernel(bundle, QStringLiteral("threshold"), threshold);

    Kernel blur;
    blur.prepare = gaussianBlur;
    KernelRegistry::registerKernel(bundle, QStringLiteral("gaussianBlur"), blur);

    Kernel rotate;
    rotate.prepare = rotate90;
    KernelRegistry::registerKernel(bundle, QStringLiteral("rotate90"), rotate);

    Kernel solid;
    solid.prepare = solidColor;
    KernelRegistry::registerKernel(bundle, QStringLiteral("solidColor"), solid);
}

} // namespace sildor
