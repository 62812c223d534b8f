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

    void band(std::size_t index, const ThreadRect& rect) const;
};

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
    // The painted pixels as 0xFF, turned into the output by one exclusive or:
    // painting black on white inverts them.
    const std::uint8_t flip = growsBlack ? 0xFF : 0;
    for (std::size_t y = y0; y < y1; ++y) {
        const std::ptrdiff_t iy = std::ptrdiff_t(y);
        const std::uint8_t* own = at(iy).data();
        // Row y's own mask is in the ring: the painting goes straight into it.
        std::uint8_t* acc = destination->row(y);
        if (dot == 1) {
            // The print's case: every row in one or two passes.
            const std::uint8_t* up = at(iy - 1).data();
            const std::uint8_t* down = at(iy + 1).data();
            bool noArms = false;
            switch (level) {
            case 5:
                orRows(up, own, down, column.data(), width);
                blockRow(column.data(), flip, acc, width);
                break;
            case 4:
                plusRow(own, up, down, flip, acc, width);
                break;
            case 1:
            case 2:
            case 3: {
                const std::uint8_t* gate = armGate(y, noArms);
                const std::uint8_t* rowGate = noArms ? zeros.data() : gate ? gate : ones.data();
                gate = armGate(y + 1, noArms);
                const std::uint8_t* belowGate = noArms ? zeros.data() : gate ? gate : ones.data();
                armsRow(own, down, rowGate, belowGate, flip, acc, width);
                break;
            }
            default:
                std::memset(acc, flip, width);
                break;
            }
            if (y + 1 < y1) {
                load(iy + 2);
            }
            continue;
        }
        std::memcpy(acc, own, width);
        const std::size_t d = std::min(dot, width);
        switch (level) {
        case 5: {
            std::memcpy(column.data(), own, width);
            for (std::size_t k = 1; k <= r; ++k) {
                orInto(column.data(), at(iy - std::ptrdiff_t(k)).data(), nullptr, width);
                orInto(column.data(), at(iy + std::ptrdiff_t(k)).data(), nullptr, width);
            }
            std::memcpy(acc, column.data(), width);
            for (std::size_t k = 1; k <= d; ++k) {
                orInto(acc + k, column.data(), nullptr, width - k);
                orInto(acc, column.data() + k, nullptr, width - k);
            }
            break;
        }
        case 4:
            for (std::size_t k = 1; k <= r; ++k) {
                orInto(acc, at(iy - std::ptrdiff_t(k)).data(), nullptr, width);
                orInto(acc, at(iy + std::ptrdiff_t(k)).data(), nullptr, width);
            }
            for (std::size_t k = 1; k <= d; ++k) {
                orInto(acc + k, own, nullptr, width - k);
                orInto(acc, own + k, nullptr, width - k);
            }
            break;
        case 1:
        case 2:
        case 3: {
            // Arms go up and to the right: a pixel is painted by the ones
            // below it and the ones to its left.
            bool noArms = false;
            for (std::size_t k = 1; k <= r; ++k) {
                const std::uint8_t* gate = armGate(y + k, noArms);
                if (!noArms) {
                    orInto(acc, at(iy + std::ptrdiff_t(k)).data(), gate, width);
                }
            }
            const std::uint8_t* gate = armGate(y, noArms);
            if (!noArms) {
                for (std::size_t k = 1; k <= d; ++k) {
                    orInto(acc + k, own, gate, width - k);
                }
            }
            break;
        }
        default:
            std::memset(acc, 0, width);
            break;
        }
        flipInto(acc, flip, width);
        // Row y + r + 1 is still as it was: the band writes downwards.
        if (y + 1 < y1) {
            load(iy + std::ptrdiff_t(r) + 1);
        }
    }
}

TileWork expandBlack(const KernelArguments& a, const ByteMap& sourceMap,
                     const std::vector<ThreadRect>& bands) {
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
        // Nothing spreads: the source through its table.
        return [e](const ThreadRect& rect) {
            for (std::size_t y = rect.y0; y < std::min(rect.y1, e->height); ++y) {
                e->paints->run(e->source->row(y), e->destination->row(y), e->width);
            }
        };
    }
    e->ones.assign(e->width, 0xFF);
    e->zeros.assign(e->width, 0);
    e->evenX.resize(e->width);
    for (std::size_t x = 0; x < e->width; ++x) {
        e->evenX[x] = (x / e->dot) % 2 == 0 ? 0xFF : 0;
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

} // namespace

void BlackExpansionKernel::registerIn(const platform::Bundle* bundle) {
    Kernel kernel;
    kernel.prepareInBands = expandBlack;
    KernelRegistry::registerKernel(bundle, QStringLiteral("expandBlack"), kernel);
}

} // namespace quenta
