#include "imaging/print/BlackExpansionKernel.h"

#include "platform/Log.h"
#include "platform/compute/BytePass.h"
#include "platform/compute/KernelRegistry.h"
#include "platform/compute/Texture.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace quenta {

using namespace platform::compute;

namespace {

// Wider vectors where the processor has them, chosen once at load time.
#if defined(__x86_64__) && defined(__GNUC__)
#define LUNVIK_EXPANSION_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define LUNVIK_EXPANSION_CLONES
#endif

using Row = std::vector<std::uint8_t>;

std::int32_t requireInt(const KernelArguments& a, std::size_t index) {
    const auto v = a.value<std::int32_t>(index);
    if (!v) {
        platform::Log::fatal(QStringLiteral("kernel expandBlack: parameter %1 missing").arg(index));
    }
    return *v;
}

Texture& requireTexture(const KernelArguments& a, std::size_t index) {
    Texture* t = a.texture(index);
    if (t == nullptr) {
        platform::Log::fatal(QStringLiteral("kernel expandBlack: texture %1 missing").arg(index));
    }
    return *t;
}

// acc |= row & gate, or acc |= row without a gate.
void orInto(std::uint8_t* __restrict acc, const std::uint8_t* __restrict row,
            const std::uint8_t* __restrict gate, std::size_t count) {
    if (gate == nullptr) {
        for (std::size_t x = 0; x < count; ++x) {
            acc[x] |= row[x];
        }
    } else {
        for (std::size_t x = 0; x < count; ++x) {
            acc[x] |= row[x] & gate[x];
        }
    }
}

void flipInto(std::uint8_t* __restrict row, std::uint8_t flip, std::size_t count) {
    for (std::size_t x = 0; x < count; ++x) {
        row[x] ^= flip;
    }
}

// One row for dots of one pixel, in one pass: the 3 x 3 block (col is the
// column-wise OR of the three rows) or the plus sign around each pixel.
LUNVIK_EXPANSION_CLONES void blockRow(const std::uint8_t* __restrict col, std::uint8_t flip,
                                      std::uint8_t* __restrict out, std::size_t w) {
    if (w == 1) {
        out[0] = col[0] ^ flip;
        return;
    }
    out[0] = (col[0] | col[1]) ^ flip;
    for (std::size_t x = 1; x + 1 < w; ++x) {
        out[x] = (col[x - 1] | col[x] | col[x + 1]) ^ flip;
    }
    out[w - 1] = (col[w - 2] | col[w - 1]) ^ flip;
}

LUNVIK_EXPANSION_CLONES void plusRow(const std::uint8_t* __restrict own,
                                     const std::uint8_t* __restrict up,
                                     const std::uint8_t* __restrict down, std::uint8_t flip,
                                     std::uint8_t* __restrict out, std::size_t w) {
    if (w == 1) {
        out[0] = (own[0] | up[0] | down[0]) ^ flip;
        return;
    }
    out[0] = (own[0] | own[1] | up[0] | down[0]) ^ flip;
    for (std::size_t x = 1; x + 1 < w; ++x) {
        out[x] = (own[x - 1] | own[x] | own[x + 1] | up[x] | down[x]) ^ flip;
    }
    out[w - 1] = (own[w - 2] | own[w - 1] | up[w - 1] | down[w - 1]) ^ flip;
}

// Arms up and to the right, each pixel's arms gated: by the pixel's own row
// (rowGate, for the arm to the right) and by the row below (belowGate).
LUNVIK_EXPANSION_CLONES void armsRow(const std::uint8_t* __restrict own,
                                     const std::uint8_t* __restrict below,
                                     const std::uint8_t* __restrict rowGate,
                                     const std::uint8_t* __restrict belowGate, std::uint8_t flip,
                                     std::uint8_t* __restrict out, std::size_t w) {
    out[0] = (own[0] | (below[0] & belowGate[0])) ^ flip;
    for (std::size_t x = 1; x < w; ++x) {
        out[x] = (own[x] | (own[x - 1] & rowGate[x - 1]) | (below[x] & belowGate[x])) ^ flip;
    }
}

LUNVIK_EXPANSION_CLONES void orRows(const std::uint8_t* __restrict a,
                                    const std::uint8_t* __restrict b,
                                    const std::uint8_t* __restrict c, std::uint8_t* __restrict out,
                                    std::size_t w) {
    for (std::size_t x = 0; x < w; ++x) {
        out[x] = a[x] | b[x] | c[x];
    }
}

// What one dispatch shares among its bands.
struct Expansion {
    Texture* source = nullptr;
    Texture* destination = nullptr;
    std::size_t width = 0;
    std::size_t height = 0;
    int level = 0;       // 1 to 5 once painting; the sign is in growsBlack
    std::size_t dot = 1; // pixels per device dot
    bool growsBlack = true;
    // Source byte to 0xFF where the pixel paints, 0 where it does not.
    std::unique_ptr<BytePass> paints;
    // 0xFF at the x of even dots, 0 elsewhere; all 0xFF; all 0.
    Row evenX;
    Row ones;
    Row zeros;
    // Per band: the painting masks of the rows just outside it, as they were
    // before any band ran, the nearest first.
    std::vector<std::vector<Row>> above;
    std::vector<std::vector<Row>> below;

    std::size_t reach() const { return level == 0 ? 0 : dot; }

    void maskOf(std::size_t y, std::uint8_t* out) const { paints->run(source->row(y), out, width); }

    // The gate of a painting row's arms, by the parity of its dot: none
    // (every pixel paints its arms), the even x only, or no arms at all.
    const std::uint8_t* armGate(std::size_t y, bool& noArms) const {
        noArms = false;
        const bool yEven = (y / dot) % 2 == 0;
        switch (level) {
        case 1:
            noArms = !yEven;
            return evenX.data();
        case 2:
            return yEven ? nullptr : evenX.data();
        default:
            return nullptr;
        }
    }

    // Paints row y into acc, the w pixels from x = xs on: at(v) gives the
    // painting mask of row v over the same pixels (zeros off the picture),
    // for v from y - reach() to y + reach(); column is scratch of w bytes. A
    // piece that starts or ends inside the picture comes out wrong within
    // reach() of that end: callers keep those pixels out of what they use.
    template <class At>
    void paintRow(std::size_t y, const At& at, std::size_t xs, std::size_t w, std::uint8_t* acc,
                  std::uint8_t* column) const;

    void band(std::size_t index, const ThreadRect& rect) const;
};

template <class At>
void Expansion::paintRow(std::size_t y, const At& at, std::size_t xs, std::size_t w,
                         std::uint8_t* acc, std::uint8_t* column) const {
    const std::ptrdiff_t iy = std::ptrdiff_t(y);
    const std::size_t r = reach();
    const std::uint8_t* own = at(iy);
    // The gates follow the dots of the whole picture.
    const auto gateAt = [&](std::size_t row, bool& noArms) {
        const std::uint8_t* gate = armGate(row, noArms);
        return gate ? gate + xs : nullptr;
    };
    // The painted pixels as 0xFF, turned into the output by one exclusive or:
    // painting black on white inverts them.
    const std::uint8_t flip = growsBlack ? 0xFF : 0;
    if (dot == 1) {
        // The print's case: every row in one or two passes.
        const std::uint8_t* up = at(iy - 1);
        const std::uint8_t* down = at(iy + 1);
        bool noArms = false;
        switch (level) {
        case 5:
            orRows(up, own, down, column, w);
            blockRow(column, flip, acc, w);
            break;
        case 4:
            plusRow(own, up, down, flip, acc, w);
            break;
        case 1:
        case 2:
        case 3: {
            const std::uint8_t* gate = gateAt(y, noArms);
            const std::uint8_t* rowGate = noArms ? zeros.data() : gate ? gate : ones.data();
            gate = gateAt(y + 1, noArms);
            const std::uint8_t* belowGate = noArms ? zeros.data() : gate ? gate : ones.data();
            armsRow(own, down, rowGate, belowGate, flip, acc, w);
            break;
        }
        default:
            std::memset(acc, flip, w);
            break;
        }
        return;
    }
    std::memcpy(acc, own, w);
    const std::size_t d = std::min(dot, w);
    switch (level) {
    case 5: {
        std::memcpy(column, own, w);
        for (std::size_t k = 1; k <= r; ++k) {
            orInto(column, at(iy - std::ptrdiff_t(k)), nullptr, w);
            orInto(column, at(iy + std::ptrdiff_t(k)), nullptr, w);
        }
        std::memcpy(acc, column, w);
        for (std::size_t k = 1; k <= d; ++k) {
            orInto(acc + k, column, nullptr, w - k);
            orInto(acc, column + k, nullptr, w - k);
        }
        break;
    }
    case 4:
        for (std::size_t k = 1; k <= r; ++k) {
            orInto(acc, at(iy - std::ptrdiff_t(k)), nullptr, w);
            orInto(acc, at(iy + std::ptrdiff_t(k)), nullptr, w);
        }
        for (std::size_t k = 1; k <= d; ++k) {
            orInto(acc + k, own, nullptr, w - k);
            orInto(acc, own + k, nullptr, w - k);
        }
        break;
    case 1:
    case 2:
    case 3: {
        // Arms go up and to the right: a pixel is painted by the ones
        // below it and the ones to its left.
        bool noArms = false;
        for (std::size_t k = 1; k <= r; ++k) {
            const std::uint8_t* gate = gateAt(y + k, noArms);
            if (!noArms) {
                orInto(acc, at(iy + std::ptrdiff_t(k)), gate, w);
            }
        }
        const std::uint8_t* gate = gateAt(y, noArms);
        if (!noArms) {
            for (std::size_t k = 1; k <= d; ++k) {
                orInto(acc + k, own, gate, w - k);
            }
        }
        break;
    }
    default:
        std::memset(acc, 0, w);
        break;
    }
    flipInto(acc, flip, w);
}

void Expansion::band(std::size_t index, const ThreadRect& rect) const {
    const std::size_t y0 = rect.y0;
    const std::size_t y1 = std::min(rect.y1, height);
    if (y0 >= y1 || width == 0) {
        return;
    }
    const std::size_t r = reach();
    // The painting masks of rows y - r ... y + r, row v in slot v mod (2r + 1).
    const std::size_t slotCount = 2 * r + 1;
    std::vector<Row> ring(slotCount, Row(width, 0));
    const auto load = [&](std::ptrdiff_t v) {
        Row& slot = ring[std::size_t(v + std::ptrdiff_t(slotCount) * 4) % slotCount];
        if (v < 0 || v >= std::ptrdiff_t(height)) {
            std::fill(slot.begin(), slot.end(), 0);
        } else if (std::size_t(v) < y0) {
            slot = above[index][y0 - 1 - std::size_t(v)];
        } else if (std::size_t(v) >= y1) {
            slot = below[index][std::size_t(v) - y1];
        } else {
            maskOf(std::size_t(v), slot.data());
        }
    };
    const auto at = [&](std::ptrdiff_t v) -> const Row& {
        return ring[std::size_t(v + std::ptrdiff_t(slotCount) * 4) % slotCount];
    };
    for (std::ptrdiff_t v = std::ptrdiff_t(y0) - std::ptrdiff_t(r);
         v <= std::ptrdiff_t(y0) + std::ptrdiff_t(r); ++v) {
        load(v);
    }
    Row column(width);
    for (std::size_t y = y0; y < y1; ++y) {
        const std::ptrdiff_t iy = std::ptrdiff_t(y);
        // Row y's own mask is in the ring: the painting goes straight into it.
        paintRow(
            y, [&](std::ptrdiff_t v) { return at(v).data(); }, 0, width, destination->row(y),
            column.data());
        // Row y + r + 1 is still as it was: the band writes downwards.
        if (y + 1 < y1) {
            load(iy + std::ptrdiff_t(r) + 1);
        }
    }
}

// The dispatch's parameters and tables, without the rows of any band.
std::shared_ptr<Expansion> expansion(const KernelArguments& a, const ByteMap& sourceMap) {
    auto e = std::make_shared<Expansion>();
    e->source = &requireTexture(a, 0);
    e->destination = &requireTexture(a, 1);
    e->width = std::min(e->source->width(), e->destination->width());
    e->height = std::min(e->source->height(), e->destination->height());
    const std::int32_t level = requireInt(a, 0);
    e->dot = std::size_t(std::max<std::int32_t>(1, requireInt(a, 1)));
    e->growsBlack = level >= 0;
    e->level = std::abs(level) > 5 ? 6 : std::abs(level);

    ByteMap paints{};
    for (int b = 0; b < 256; ++b) {
        const std::uint8_t v = sourceMap[std::size_t(b)];
        if (level == 0) {
            paints[std::size_t(b)] = v;
        } else {
            const bool black = v < 128;
            paints[std::size_t(b)] = black == e->growsBlack ? 0xFF : 0;
        }
    }
    e->paints = std::make_unique<BytePass>(paints);
    if (level == 0) {
        return e;
    }
    e->ones.assign(e->width, 0xFF);
    e->zeros.assign(e->width, 0);
    e->evenX.resize(e->width);
    for (std::size_t x = 0; x < e->width; ++x) {
        e->evenX[x] = (x / e->dot) % 2 == 0 ? 0xFF : 0;
    }
    return e;
}

TileWork expandBlack(const KernelArguments& a, const ByteMap& sourceMap,
                     const std::vector<ThreadRect>& bands) {
    auto e = expansion(a, sourceMap);
    if (e->level == 0) {
        // Nothing spreads: the source through its table.
        return [e](const ThreadRect& rect) {
            for (std::size_t y = rect.y0; y < std::min(rect.y1, e->height); ++y) {
                e->paints->run(e->source->row(y), e->destination->row(y), e->width);
            }
        };
    }
    // Before any band writes: the rows each band reads beyond its own.
    const std::size_t r = e->reach();
    e->above.resize(bands.size());
    e->below.resize(bands.size());
    for (std::size_t i = 0; i < bands.size(); ++i) {
        const std::size_t y0 = std::min(bands[i].y0, e->height);
        const std::size_t y1 = std::min(bands[i].y1, e->height);
        for (std::size_t k = 1; k <= r && k <= y0; ++k) {
            e->above[i].emplace_back(e->width);
            e->maskOf(y0 - k, e->above[i].back().data());
        }
        for (std::size_t v = y1; v < y1 + r && v < e->height; ++v) {
            e->below[i].emplace_back(e->width);
            e->maskOf(v, e->below[i].back().data());
        }
    }
    // Bands are told apart by their first row.
    auto firstRows = std::make_shared<std::vector<std::size_t>>();
    for (const ThreadRect& b : bands) {
        firstRows->push_back(b.y0);
    }
    return [e, firstRows](const ThreadRect& rect) {
        const auto it = std::lower_bound(firstRows->begin(), firstRows->end(), rect.y0);
        if (it == firstRows->end() || *it != rect.y0) {
            platform::Log::fatal(QStringLiteral("kernel expandBlack: a tile that is no band"));
        }
        e->band(std::size_t(it - firstRows->begin()), rect);
    };
}

// A piece of a row painted alone: it reads the masks of the rows and columns
// within reach around it straight from the source, which nothing writes
// meanwhile, so pieces need no order and share nothing.
RowSpanWork expandBlackRowSpans(const KernelArguments& a, const ByteMap& sourceMap) {
    std::shared_ptr<const Expansion> e = expansion(a, sourceMap);
    return [e](std::size_t y, std::size_t x0, std::size_t x1, std::uint8_t* out) {
        x1 = std::min(x1, e->width);
        if (y >= e->height || x0 >= x1) {
            return;
        }
        if (e->level == 0) {
            e->paints->run(e->source->row(y) + x0, out, x1 - x0);
            return;
        }
        const std::size_t r = e->reach();
        const std::size_t xs = x0 >= r ? x0 - r : 0;
        const std::size_t w = std::min(e->width, x1 + r) - xs;
        // Masks of rows y - r to y + r, then the painted row and the scratch.
        thread_local Row scratch;
        const std::size_t rows = 2 * r + 1;
        scratch.resize((rows + 2) * w);
        for (std::size_t k = 0; k < rows; ++k) {
            const std::ptrdiff_t v = std::ptrdiff_t(y + k) - std::ptrdiff_t(r);
            if (v >= 0 && v < std::ptrdiff_t(e->height)) {
                e->paints->run(e->source->row(std::size_t(v)) + xs, scratch.data() + k * w, w);
            }
        }
        const auto at = [&](std::ptrdiff_t v) -> const std::uint8_t* {
            if (v < 0 || v >= std::ptrdiff_t(e->height)) {
                return e->zeros.data();
            }
            return scratch.data() + std::size_t(v - std::ptrdiff_t(y) + std::ptrdiff_t(r)) * w;
        };
        std::uint8_t* painted = scratch.data() + rows * w;
        e->paintRow(y, at, xs, w, painted, painted + w);
        std::memcpy(out, painted + (x0 - xs), x1 - x0);
    };
}

} // namespace

void BlackExpansionKernel::registerIn(const platform::Bundle* bundle) {
    Kernel kernel;
    kernel.prepareInBands = expandBlack;
    kernel.prepareRowSpans = expandBlackRowSpans;
    KernelRegistry::registerKernel(bundle, QStringLiteral("expandBlack"), kernel);
}

} // namespace quenta
