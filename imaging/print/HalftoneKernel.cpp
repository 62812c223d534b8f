#include "imaging/print/HalftoneKernel.h"

#include "platform/Log.h"
#include "platform/compute/BytePass.h"
#include "platform/compute/Device.h"
#include "platform/compute/KernelRegistry.h"
#include "platform/compute/Texture.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <deque>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace quenta {

using namespace platform::compute;

namespace {

// Wider vectors where the processor has them, chosen once at load time.
#if defined(__x86_64__) && defined(__GNUC__)
#define LUNVIK_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define LUNVIK_VECTOR_CLONES
#endif

struct Float2 {
    float x;
    float y;
};

template <class T> T require(const KernelArguments& a, std::size_t index) {
    const auto v = a.value<T>(index);
    if (!v) {
        platform::Log::fatal(QStringLiteral("kernel halftone: parameter %1 missing").arg(index));
    }
    return *v;
}

Texture& requireTexture(const KernelArguments& a, std::size_t index) {
    Texture* t = a.texture(index);
    if (t == nullptr) {
        platform::Log::fatal(QStringLiteral("kernel halftone: texture %1 missing").arg(index));
    }
    return *t;
}

// Along a row the screen's two phases grow linearly with x, so
// cos(w x + phase) = cos(w x) cos(phase) - sin(w x) sin(phase) needs only one
// table of cos(w x) and sin(w x) for the whole picture and two angles per row.
constexpr std::size_t tableChunk = 1024;

struct Tables {
    double stepX, stepY;
    std::size_t width;
    std::vector<double> cosX, sinX, cosY, sinY;
    // The same as floats, for a first coarse comparison.
    std::vector<float> cosXf, sinXf, cosYf, sinYf;
};

// Runs fill(c) for every chunk c, on the compute workers when there are several.
void inChunks(std::size_t chunks, const std::function<void(std::size_t)>& fill) {
    const auto device = chunks > 1 ? Device::systemDefault() : nullptr;
    if (device) {
        device->threadPool().parallelFor(chunks, fill);
    } else {
        for (std::size_t c = 0; c < chunks; ++c) {
            fill(c);
        }
    }
}

// The tables of the last few screens are kept for the next dispatch: every
// page of a print is screened alike, and the canvas's preview, screened at its
// own scale, does not push out the print's.
std::shared_ptr<const Tables> tablesFor(double stepX, double stepY, std::size_t width) {
    constexpr std::size_t keptCount = 4;
    static std::mutex mutex;
    static std::deque<std::shared_ptr<const Tables>> kept;
    const auto same = [&](const std::shared_ptr<const Tables>& t) {
        return std::bit_cast<std::uint64_t>(t->stepX) == std::bit_cast<std::uint64_t>(stepX) &&
               std::bit_cast<std::uint64_t>(t->stepY) == std::bit_cast<std::uint64_t>(stepY) &&
               t->width == width;
    };
    {
        std::lock_guard lock(mutex);
        if (const auto it = std::find_if(kept.begin(), kept.end(), same); it != kept.end()) {
            return *it;
        }
    }
    auto t = std::make_shared<Tables>();
    t->stepX = stepX;
    t->stepY = stepY;
    t->width = width;
    for (auto* table : {&t->cosX, &t->sinX, &t->cosY, &t->sinY}) {
        table->resize(width);
    }
    for (auto* table : {&t->cosXf, &t->sinXf, &t->cosYf, &t->sinYf}) {
        table->resize(width);
    }
    // A page is thousands of sines and cosines: milliseconds on one thread.
    const auto fill = [&t, stepX, stepY, width](std::size_t chunk) {
        const std::size_t end = std::min(width, (chunk + 1) * tableChunk);
        for (std::size_t x = chunk * tableChunk; x < end; ++x) {
            t->cosX[x] = std::cos(stepX * double(x));
            t->sinX[x] = std::sin(stepX * double(x));
            t->cosY[x] = std::cos(stepY * double(x));
            t->sinY[x] = std::sin(stepY * double(x));
            t->cosXf[x] = float(t->cosX[x]);
            t->sinXf[x] = float(t->sinX[x]);
            t->cosYf[x] = float(t->cosY[x]);
            t->sinYf[x] = float(t->sinY[x]);
        }
    };
    const std::size_t chunks = (width + tableChunk - 1) / tableChunk;
    inChunks(chunks, fill);
    std::lock_guard lock(mutex);
    kept.push_front(t);
    if (kept.size() > keptCount) {
        kept.pop_back();
    }
    return t;
}

// Per dispatch.
struct Screen {
    double cosAngle, sinAngle;
    double piOverScaleX, piOverScaleY;
    double offsetX, offsetY;
    std::shared_ptr<const Tables> tables;
    const double *cosX, *sinX, *cosY, *sinY;
    const float *cosXf, *sinXf, *cosYf, *sinYf;
    float grayf[256];
    // The source table itself.
    alignas(64) std::uint8_t map[256];
    // The gray of each source byte after the source table, as a fraction;
    // bytes that become pure black compare as minus infinity.
    double gray[256];
};

// The screen's phase at the start of row y: cos and sin of its x phase, then
// of its y phase. Every path of a row starts from these same numbers.
using Phase = std::array<double, 4>;

Phase rowPhase(const Screen& s, double y) {
    const double py = y + 0.5 - s.offsetY;
    const double px0 = 0.5 - s.offsetX;
    const double phaseX = s.piOverScaleX * (s.cosAngle * px0 - s.sinAngle * py);
    const double phaseY = s.piOverScaleY * (s.sinAngle * px0 + s.cosAngle * py);
    return {std::cos(phaseX), std::sin(phaseX), std::cos(phaseY), std::sin(phaseY)};
}

LUNVIK_VECTOR_CLONES void spotRow(const Screen& s, const Phase& phase, std::size_t x0,
                                  std::size_t x1, double* spot) {
    const auto [cpx, spx, cpy, spy] = phase;
    const double* __restrict cx = s.cosX;
    const double* __restrict sx = s.sinX;
    const double* __restrict cy = s.cosY;
    const double* __restrict sy = s.sinY;
    for (std::size_t x = x0; x < x1; ++x) {
        const double c = (cx[x] * cpx - sx[x] * spx) + (cy[x] * cpy - sy[x] * spy);
        spot[x - x0] = 0.5 + 0.25 * c;
    }
}

LUNVIK_VECTOR_CLONES void screenRow(const Screen& s, const std::uint8_t* __restrict in,
                                    const double* __restrict spot, std::uint8_t* __restrict out,
                                    std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = s.gray[in[i]] < spot[i] ? 0 : 255;
    }
}

LUNVIK_VECTOR_CLONES void screenRowInPlace(const Screen& s, std::uint8_t* row,
                                           const double* __restrict spot, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        row[i] = s.gray[row[i]] < spot[i] ? 0 : 255;
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
// Spot and comparison in one pass, four pixels at a time, with the very
// operations of spotRow and screenRow in the same order (no fused
// multiply-add), so every pixel comes out as theirs. In and out may be the
// same row. Gives the pixels done, a multiple of four.
__attribute__((target("avx2"))) std::size_t screenSpanAvx2(const Screen& s, const Phase& phase,
                                                           const std::uint8_t* in,
                                                           std::uint8_t* out, std::size_t x0,
                                                           std::size_t x1) {
    const __m256d cpx = _mm256_set1_pd(phase[0]), spx = _mm256_set1_pd(phase[1]);
    const __m256d cpy = _mm256_set1_pd(phase[2]), spy = _mm256_set1_pd(phase[3]);
    const __m256d half = _mm256_set1_pd(0.5), quarter = _mm256_set1_pd(0.25);
    // Four comparison bits to four bytes: a set bit (gray below the spot) is black.
    static constexpr std::uint32_t bytesOfBits[16] = {
        0xFFFFFFFF, 0xFFFFFF00, 0xFFFF00FF, 0xFFFF0000, 0xFF00FFFF, 0xFF00FF00,
        0xFF0000FF, 0xFF000000, 0x00FFFFFF, 0x00FFFF00, 0x00FF00FF, 0x00FF0000,
        0x0000FFFF, 0x0000FF00, 0x000000FF, 0x00000000};
    std::size_t x = x0;
    for (; x + 4 <= x1; x += 4) {
        const __m256d c =
            _mm256_add_pd(_mm256_sub_pd(_mm256_mul_pd(_mm256_loadu_pd(&s.cosX[x]), cpx),
                                        _mm256_mul_pd(_mm256_loadu_pd(&s.sinX[x]), spx)),
                          _mm256_sub_pd(_mm256_mul_pd(_mm256_loadu_pd(&s.cosY[x]), cpy),
                                        _mm256_mul_pd(_mm256_loadu_pd(&s.sinY[x]), spy)));
        const __m256d spot = _mm256_add_pd(half, _mm256_mul_pd(quarter, c));
        std::uint32_t four;
        std::memcpy(&four, in + (x - x0), 4);
        const __m256d gray =
            _mm256_i32gather_pd(s.gray, _mm_cvtepu8_epi32(_mm_cvtsi32_si128(int(four))), 8);
        const int black = _mm256_movemask_pd(_mm256_cmp_pd(gray, spot, _CMP_LT_OQ));
        std::memcpy(out + (x - x0), &bytesOfBits[black], 4);
    }
    return x - x0;
}

// The exact comparison of spotRow and screenRow for the pixels x + i whose
// bit i is set in lanes, kept out of the vector code's target so that nothing
// is fused into a multiply-add.
__attribute__((noinline)) unsigned exactBlackLanes(const Screen& s, const double phase[4],
                                                   const std::uint8_t* in, std::size_t x,
                                                   unsigned lanes, unsigned black) {
    for (; lanes != 0; lanes &= lanes - 1) {
        const unsigned lane = unsigned(__builtin_ctz(lanes));
        const std::size_t i = x + lane;
        const double c = (s.cosX[i] * phase[0] - s.sinX[i] * phase[1]) +
                         (s.cosY[i] * phase[2] - s.sinY[i] * phase[3]);
        const bool isBlack = s.gray[in[lane]] < 0.5 + 0.25 * c;
        black = isBlack ? (black | (1u << lane)) : (black & ~(1u << lane));
    }
    return black;
}

// Eight comparison bits to eight bytes: a set bit (gray below the spot) is black.
constexpr std::array<std::uint64_t, 256> bytesOfEightBits() {
    std::array<std::uint64_t, 256> table{};
    for (unsigned bits = 0; bits < 256; ++bits) {
        for (unsigned lane = 0; lane < 8; ++lane) {
            if ((bits & (1u << lane)) == 0) {
                table[bits] |= std::uint64_t(0xFF) << (8 * lane);
            }
        }
    }
    return table;
}

// Farther apart than this, the float spot and gray order a pixel as the
// double ones do: the floats differ from the doubles by less than 1e-6.
constexpr float sureMargin = 4e-6f;

// The same pixels as screenSpanAvx2, eight at a time in floats: where the
// float gray and spot lie closer than sureMargin, those pixels are compared
// again with the doubles, exactly as spotRow and screenRow do. In and out may
// be the same row. Gives the pixels done, a multiple of eight.
__attribute__((target("avx2,fma"))) std::size_t screenSpanWide(const Screen& s, const Phase& phase,
                                                               const std::uint8_t* in,
                                                               std::uint8_t* out, std::size_t x0,
                                                               std::size_t x1) {
    static constexpr std::array<std::uint64_t, 256> bytes = bytesOfEightBits();
    const __m256 cpx = _mm256_set1_ps(float(phase[0])), spx = _mm256_set1_ps(float(phase[1]));
    const __m256 cpy = _mm256_set1_ps(float(phase[2])), spy = _mm256_set1_ps(float(phase[3]));
    const __m256 half = _mm256_set1_ps(0.5f), quarter = _mm256_set1_ps(0.25f);
    const __m256 margin = _mm256_set1_ps(sureMargin);
    const __m256 magnitude = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF));
    const float* __restrict cx = s.cosXf;
    const float* __restrict sx = s.sinXf;
    const float* __restrict cy = s.cosYf;
    const float* __restrict sy = s.sinYf;
    const float* __restrict grays = s.grayf;
    std::size_t x = x0;
    for (; x + 8 <= x1; x += 8) {
        __m256 c = _mm256_mul_ps(_mm256_loadu_ps(sy + x), spy);
        c = _mm256_fmsub_ps(_mm256_loadu_ps(cy + x), cpy, c);
        c = _mm256_fnmadd_ps(_mm256_loadu_ps(sx + x), spx, c);
        c = _mm256_fmadd_ps(_mm256_loadu_ps(cx + x), cpx, c);
        const __m256 spot = _mm256_fmadd_ps(quarter, c, half);
        const std::uint8_t* from = in + (x - x0);
        const __m256 gray = _mm256_mask_i32gather_ps(
            _mm256_setzero_ps(), grays,
            _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(from))),
            _mm256_castsi256_ps(_mm256_set1_epi32(-1)), 4);
        const __m256 difference = _mm256_sub_ps(gray, spot);
        unsigned black = unsigned(_mm256_movemask_ps(difference));
        // Also catches a difference that is not a number.
        const unsigned unsure = ~unsigned(_mm256_movemask_ps(_mm256_cmp_ps(
                                    _mm256_and_ps(difference, magnitude), margin, _CMP_GT_OQ))) &
                                0xFFu;
        if (unsure != 0) {
            black = exactBlackLanes(s, phase.data(), from, x, unsure, black);
        }
        std::memcpy(out + (x - x0), &bytes[black], 8);
    }
    return x - x0;
}

// screenSpanWide sixteen pixels at a time.
__attribute__((target("avx512f,avx512bw,avx512vl,fma"))) std::size_t
screenSpanWider(const Screen& s, const Phase& phase, const std::uint8_t* in, std::uint8_t* out,
                std::size_t x0, std::size_t x1) {
    const __m512 cpx = _mm512_set1_ps(float(phase[0])), spx = _mm512_set1_ps(float(phase[1]));
    const __m512 cpy = _mm512_set1_ps(float(phase[2])), spy = _mm512_set1_ps(float(phase[3]));
    const __m512 half = _mm512_set1_ps(0.5f), quarter = _mm512_set1_ps(0.25f);
    const __m512 margin = _mm512_set1_ps(sureMargin);
    const float* __restrict cx = s.cosXf;
    const float* __restrict sx = s.sinXf;
    const float* __restrict cy = s.cosYf;
    const float* __restrict sy = s.sinYf;
    const float* __restrict grays = s.grayf;
    std::size_t x = x0;
    for (; x + 16 <= x1; x += 16) {
        __m512 c = _mm512_mul_ps(_mm512_loadu_ps(sy + x), spy);
        c = _mm512_fmsub_ps(_mm512_loadu_ps(cy + x), cpy, c);
        c = _mm512_fnmadd_ps(_mm512_loadu_ps(sx + x), spx, c);
        c = _mm512_fmadd_ps(_mm512_loadu_ps(cx + x), cpx, c);
        const __m512 spot = _mm512_fmadd_ps(quarter, c, half);
        const std::uint8_t* from = in + (x - x0);
        const __m512 gray = _mm512_i32gather_ps(
            _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from))), grays,
            4);
        const __m512 difference = _mm512_sub_ps(gray, spot);
        unsigned black = _mm512_cmp_ps_mask(difference, _mm512_setzero_ps(), _CMP_LT_OQ);
        // Also catches a difference that is not a number.
        const unsigned unsure =
            unsigned(_mm512_cmp_ps_mask(_mm512_abs_ps(difference), margin, _CMP_NGT_UQ));
        if (unsure != 0) {
            black = exactBlackLanes(s, phase.data(), from, x, unsure, black);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + (x - x0)),
                         _mm_movm_epi8(__mmask16(~black)));
    }
    return x - x0;
}

// screenSpanWider without looking the grays up one by one: 64 source bytes
// go through the source table with byte permutes, and the gray is the
// table's byte over 255 in floats. It strays from the double gray by far less
// than sureMargin; a byte whose table value is 0 (minus infinity in the
// doubles) comes out as 0 here, which orders it as black unless the spot is
// within the margin of 0, and then the doubles decide.
__attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi,fma"))) std::size_t
screenSpanWidest(const Screen& s, const Phase& phase, const std::uint8_t* in, std::uint8_t* out,
                 std::size_t x0, std::size_t x1) {
    const __m512 cpx = _mm512_set1_ps(float(phase[0])), spx = _mm512_set1_ps(float(phase[1]));
    const __m512 cpy = _mm512_set1_ps(float(phase[2])), spy = _mm512_set1_ps(float(phase[3]));
    const __m512 half = _mm512_set1_ps(0.5f), quarter = _mm512_set1_ps(0.25f);
    const __m512 margin = _mm512_set1_ps(sureMargin);
    const __m512 perByte = _mm512_set1_ps(1.0f / 255.0f);
    const __m512i map0 = _mm512_load_si512(s.map), map1 = _mm512_load_si512(s.map + 64);
    const __m512i map2 = _mm512_load_si512(s.map + 128), map3 = _mm512_load_si512(s.map + 192);
    const float* __restrict cx = s.cosXf;
    const float* __restrict sx = s.sinXf;
    const float* __restrict cy = s.cosYf;
    const float* __restrict sy = s.sinYf;
    std::size_t x = x0;
    for (; x + 64 <= x1; x += 64) {
        const std::uint8_t* from = in + (x - x0);
        const __m512i bytes = _mm512_loadu_si512(from);
        const __m512i mapped = _mm512_mask_blend_epi8(_mm512_movepi8_mask(bytes),
                                                      _mm512_permutex2var_epi8(map0, bytes, map1),
                                                      _mm512_permutex2var_epi8(map2, bytes, map3));
        const __m128i parts[4] = {
            _mm512_extracti32x4_epi32(mapped, 0), _mm512_extracti32x4_epi32(mapped, 1),
            _mm512_extracti32x4_epi32(mapped, 2), _mm512_extracti32x4_epi32(mapped, 3)};
        std::uint64_t black = 0;
        for (int part = 0; part < 4; ++part) {
            const std::size_t at = x + std::size_t(16 * part);
            __m512 c = _mm512_mul_ps(_mm512_loadu_ps(sy + at), spy);
            c = _mm512_fmsub_ps(_mm512_loadu_ps(cy + at), cpy, c);
            c = _mm512_fnmadd_ps(_mm512_loadu_ps(sx + at), spx, c);
            c = _mm512_fmadd_ps(_mm512_loadu_ps(cx + at), cpx, c);
            const __m512 spot = _mm512_fmadd_ps(quarter, c, half);
            const __m512 gray =
                _mm512_mul_ps(_mm512_cvtepi32_ps(_mm512_cvtepu8_epi32(parts[part])), perByte);
            const __m512 difference = _mm512_sub_ps(gray, spot);
            unsigned lanes = _mm512_cmp_ps_mask(difference, _mm512_setzero_ps(), _CMP_LT_OQ);
            // Also catches a difference that is not a number.
            const unsigned unsure =
                unsigned(_mm512_cmp_ps_mask(_mm512_abs_ps(difference), margin, _CMP_NGT_UQ));
            if (unsure != 0) {
                lanes = exactBlackLanes(s, phase.data(), from + 16 * part, at, unsure, lanes);
            }
            black |= std::uint64_t(lanes & 0xFFFFu) << (16 * part);
        }
        _mm512_storeu_si512(out + (x - x0), _mm512_movm_epi8(~black));
    }
    return x - x0;
}

bool hasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

std::atomic<bool> wideScreenAllowed{true};

bool hasWiderScreen() {
    static const bool has = __builtin_cpu_supports("avx512f") &&
                            __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("fma");
    return has && wideScreenAllowed.load(std::memory_order_relaxed);
}

bool hasWidestScreen() {
    static const bool has = __builtin_cpu_supports("avx512vbmi");
    return has && hasWiderScreen();
}

bool hasWideScreen() {
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return has && wideScreenAllowed.load(std::memory_order_relaxed);
}
#endif

// What one dispatch shares: the screen, or the threshold that stands in for
// a screen that cannot be formed.
struct Screening {
    std::shared_ptr<Screen> screen;
    std::optional<BytePass> fallback;
    std::size_t width = 0;
    std::size_t height = 0;
    bool wide = false;
    bool wider = false;
    bool widest = false;

    // Pixels [x0, x1) of row y: in and out point at pixel x0 and may be the
    // same row. The phase is rowPhase of the row.
    void span(const Phase& phase, const std::uint8_t* in, std::uint8_t* out, std::size_t x0,
              std::size_t x1) const {
        if (fallback) {
            fallback->run(in, out, x1 - x0);
            return;
        }
        const Screen& s = *screen;
#if defined(__x86_64__) && defined(__GNUC__)
        if (hasAvx2()) {
            std::size_t done = 0;
            if (widest) {
                done += screenSpanWidest(s, phase, in, out, x0, x1);
            }
            if (wider) {
                done += screenSpanWider(s, phase, in + done, out + done, x0 + done, x1);
            }
            if (wide) {
                done += screenSpanWide(s, phase, in + done, out + done, x0 + done, x1);
            }
            done += screenSpanAvx2(s, phase, in + done, out + done, x0 + done, x1);
            in += done;
            out += done;
            x0 += done;
        }
#endif
        constexpr std::size_t chunk = 256;
        double spot[chunk];
        while (x0 < x1) {
            const std::size_t n = std::min(chunk, x1 - x0);
            spotRow(s, phase, x0, x0 + n, spot);
            if (in == out) {
                screenRowInPlace(s, out, spot, n);
            } else {
                screenRow(s, in, spot, out, n);
            }
            in += n;
            out += n;
            x0 += n;
        }
    }
};

Screening screening(const KernelArguments& a, const ByteMap& sourceMap) {
    const Texture* source = &requireTexture(a, 0);
    const Texture* destination = &requireTexture(a, 1);
    const double angle = require<float>(a, 0);
    const Float2 offset = require<Float2>(a, 1);
    const Float2 scale = require<Float2>(a, 2);
    Screening screening;
    screening.width = std::min(source->width(), destination->width());
    screening.height = std::min(source->height(), destination->height());

    const bool formed = std::isfinite(angle) && std::isfinite(offset.x) &&
                        std::isfinite(offset.y) && std::isfinite(scale.x) &&
                        std::isfinite(scale.y) && scale.x > 0 && scale.y > 0;
    if (!formed) {
        ByteMap threshold;
        for (int b = 0; b < 256; ++b) {
            threshold[b] = sourceMap[b] / 255.0 > 0.5 ? 255 : 0;
        }
        screening.fallback.emplace(threshold);
        return screening;
    }

    screening.screen = std::make_shared<Screen>();
    Screen& s = *screening.screen;
    s.cosAngle = std::cos(angle);
    s.sinAngle = std::sin(angle);
    s.piOverScaleX = M_PI / double(scale.x);
    s.piOverScaleY = M_PI / double(scale.y);
    s.offsetX = offset.x;
    s.offsetY = offset.y;
    const double stepX = s.piOverScaleX * s.cosAngle;
    const double stepY = s.piOverScaleY * s.sinAngle;
    s.tables = tablesFor(stepX, stepY, screening.width);
    s.cosX = s.tables->cosX.data();
    s.sinX = s.tables->sinX.data();
    s.cosY = s.tables->cosY.data();
    s.sinY = s.tables->sinY.data();
    s.cosXf = s.tables->cosXf.data();
    s.sinXf = s.tables->sinXf.data();
    s.cosYf = s.tables->cosYf.data();
    s.sinYf = s.tables->sinYf.data();
    for (int b = 0; b < 256; ++b) {
        s.gray[b] =
            sourceMap[b] == 0 ? -std::numeric_limits<double>::infinity() : sourceMap[b] / 255.0;
        s.grayf[b] = float(s.gray[b]);
        s.map[b] = sourceMap[b];
    }
#if defined(__x86_64__) && defined(__GNUC__)
    screening.wide = hasWideScreen();
    screening.wider = screening.wide && hasWiderScreen();
    screening.widest = screening.wider && hasWidestScreen();
#endif
    return screening;
}

Phase phaseOf(const Screening& screening, std::size_t y) {
    return screening.screen ? rowPhase(*screening.screen, double(y)) : Phase{};
}

TileWork halftone(const KernelArguments& a, const ByteMap& sourceMap) {
    const Texture* source = &requireTexture(a, 0);
    Texture* destination = &requireTexture(a, 1);
    return [screening = screening(a, sourceMap), source, destination](const ThreadRect& r) {
        const std::size_t x1 = std::min(r.x1, screening.width);
        const std::size_t y1 = std::min(r.y1, screening.height);
        for (std::size_t y = r.y0; y < y1 && r.x0 < x1; ++y) {
            screening.span(phaseOf(screening, y), source->row(y) + r.x0, destination->row(y) + r.x0,
                           r.x0, x1);
        }
    };
}

RowSpanWork halftoneRowSpans(const KernelArguments& a, const ByteMap& sourceMap) {
    const Texture* source = &requireTexture(a, 0);
    auto shared = std::make_shared<const Screening>(screening(a, sourceMap));
    // A row is asked for in many pieces: its phase is worked out once.
    auto phases = std::make_shared<std::vector<Phase>>(shared->screen ? shared->height : 0);
    const std::size_t chunks = (phases->size() + tableChunk - 1) / tableChunk;
    const auto fill = [&](std::size_t chunk) {
        const std::size_t end = std::min(phases->size(), (chunk + 1) * tableChunk);
        for (std::size_t y = chunk * tableChunk; y < end; ++y) {
            (*phases)[y] = phaseOf(*shared, y);
        }
    };
    inChunks(chunks, fill);
    return [shared, phases, source](std::size_t y, std::size_t x0, std::size_t x1,
                                    std::uint8_t* out) {
        x1 = std::min(x1, shared->width);
        if (y >= shared->height || x0 >= x1) {
            return;
        }
        shared->span(phases->empty() ? Phase{} : (*phases)[y], source->row(y) + x0, out, x0, x1);
    };
}

} // namespace

void HalftoneKernel::allowWideScreen(bool allowed) {
#if defined(__x86_64__) && defined(__GNUC__)
    wideScreenAllowed.store(allowed, std::memory_order_relaxed);
#else
    (void)allowed;
#endif
}

void HalftoneKernel::registerIn(const platform::Bundle* bundle) {
    Kernel kernel;
    kernel.prepareWithSourceMap = halftone;
    kernel.prepare = [](const KernelArguments& a) { return halftone(a, BytePass::identity()); };
    kernel.prepareRowSpans = halftoneRowSpans;
    KernelRegistry::registerKernel(bundle, QStringLiteral("halftone"), kernel);
}

} // namespace quenta
