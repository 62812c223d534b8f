#include "platform/graphics/AreaAverageLines.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define LUNVIK_WIDE_LINES 1
#define LUNVIK_WIDE_TARGET __attribute__((target("avx512f")))
#endif

namespace platform {

namespace {

std::atomic<bool> wideAllowed{true};

uchar rounded(float value) {
    return uchar(std::min(255.0f, value + 0.5f));
}

void sumDownPlain(const uchar* first, qsizetype stride, const float* weights, int taps, int width,
                  float* sums) {
    const uchar* in0 = first;
    const float w0 = weights[0];
    if (taps == 1) {
        for (int k = 0; k < width; ++k) {
            sums[k] = 0.0f + w0 * float(in0[k]);
        }
        return;
    }
    // The first two taps at once: most rows have no more.
    const uchar* in1 = first + stride;
    const float w1 = weights[1];
    for (int k = 0; k < width; ++k) {
        sums[k] = (0.0f + w0 * float(in0[k])) + w1 * float(in1[k]);
    }
    for (int t = 2; t < taps; ++t) {
        const uchar* in = first + qsizetype(t) * stride;
        const float weight = weights[t];
        for (int k = 0; k < width; ++k) {
            sums[k] += weight * float(in[k]);
        }
    }
}

// The windows of a fixed length, for which the compiler unrolls the taps.
template <int length>
void scaleAcrossWindows(const float* in, const AreaAverageTaps& taps, int skip, int count,
                        uchar* out) {
    const float* w = taps.windowWeights(skip);
    for (int i = 0; i < count; ++i, w += length) {
        const float* from = in + taps.windowStart(skip + i);
        float sum = 0;
        for (int k = 0; k < length; ++k) {
            sum += w[k] * from[k];
        }
        out[i] = rounded(sum);
    }
}

void scaleAcrossPlain(const float* in, const AreaAverageTaps& taps, int skip, int count,
                      uchar* out) {
    if (taps.isSingleTap()) {
        for (int i = 0; i < count; ++i) {
            out[i] = rounded(in[taps.start(skip + i)]);
        }
        return;
    }
    switch (taps.windowLength()) {
    case 2:
        return scaleAcrossWindows<2>(in, taps, skip, count, out);
    case 3:
        return scaleAcrossWindows<3>(in, taps, skip, count, out);
    case 4:
        return scaleAcrossWindows<4>(in, taps, skip, count, out);
    default:
        break;
    }
    for (int i = 0; i < count; ++i) {
        const float* from = in + taps.start(skip + i);
        const float* w = taps.weights(skip + i);
        const int n = taps.count(skip + i);
        float sum = 0;
        for (int k = 0; k < n; ++k) {
            sum += w[k] * from[k];
        }
        out[i] = rounded(sum);
    }
}

#ifdef LUNVIK_WIDE_LINES

// GCC 12 takes the intrinsics' deliberately undefined start values for
// uninitialized reads.
#ifndef __clang__
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

bool hasWide() {
    static const bool has = __builtin_cpu_supports("avx512f");
    return has && wideAllowed.load(std::memory_order_relaxed);
}

// Sixteen sums at a time, every tap added in the plain loop's order. Mul
// and add stay separate instructions: a fused one rounds once, not twice.
LUNVIK_WIDE_TARGET void sumDownWide(const uchar* first, qsizetype stride, const float* weights,
                                    int taps, int width, float* sums) {
    int k = 0;
    for (; k + 16 <= width; k += 16) {
        __m512 sum = _mm512_setzero_ps();
        for (int t = 0; t < taps; ++t) {
            const __m128i bytes = _mm_loadu_si128(
                reinterpret_cast<const __m128i*>(first + qsizetype(t) * stride + k));
            const __m512 pixels = _mm512_cvtepi32_ps(_mm512_cvtepu8_epi32(bytes));
            sum = _mm512_add_ps(sum, _mm512_mul_ps(_mm512_set1_ps(weights[t]), pixels));
        }
        _mm512_storeu_ps(sums + k, sum);
    }
    if (k < width) {
        const __mmask16 mask = __mmask16((1u << (width - k)) - 1);
        __m512 sum = _mm512_setzero_ps();
        for (int t = 0; t < taps; ++t) {
            alignas(16) uchar tail[16] = {};
            std::memcpy(tail, first + qsizetype(t) * stride + k, size_t(width - k));
            const __m128i bytes = _mm_load_si128(reinterpret_cast<const __m128i*>(tail));
            const __m512 pixels = _mm512_cvtepi32_ps(_mm512_cvtepu8_epi32(bytes));
            sum = _mm512_add_ps(sum, _mm512_mul_ps(_mm512_set1_ps(weights[t]), pixels));
        }
        _mm512_mask_storeu_ps(sums + k, mask, sum);
    }
}

// Sixteen pixels at a time. Their windows usually lie within 32 source
// pixels, taken by two loads and picked out by permutes; wider ones are
// gathered.
LUNVIK_WIDE_TARGET void scaleAcrossWide(const float* in, const AreaAverageTaps& taps, int skip,
                                        int count, uchar* out) {
    const int length = taps.windowLength();
    const __m512 half = _mm512_set1_ps(0.5f);
    const __m512 white = _mm512_set1_ps(255.0f);
    int i = 0;
    for (; i < count; i += 16) {
        const int n = std::min(16, count - i);
        const __mmask16 mask = __mmask16((1u << n) - 1);
        const int* starts = taps.windowStarts() + skip + i;
        const int base = starts[0];
        const __m512i offsets =
            _mm512_sub_epi32(_mm512_maskz_loadu_epi32(mask, starts), _mm512_set1_epi32(base));
        __m512 sum = _mm512_setzero_ps();
        if (starts[n - 1] - base + length <= 32) {
            const __m512 low = _mm512_loadu_ps(in + base);
            const __m512 high = _mm512_loadu_ps(in + base + 16);
            for (int k = 0; k < length; ++k) {
                const __m512i at = _mm512_add_epi32(offsets, _mm512_set1_epi32(k));
                const __m512 pixels = _mm512_permutex2var_ps(low, at, high);
                const __m512 w = _mm512_maskz_loadu_ps(mask, taps.tapWeights(k) + skip + i);
                sum = _mm512_add_ps(sum, _mm512_mul_ps(w, pixels));
            }
        } else {
            for (int k = 0; k < length; ++k) {
                const __m512i at = _mm512_add_epi32(offsets, _mm512_set1_epi32(k));
                const __m512 pixels =
                    _mm512_mask_i32gather_ps(_mm512_setzero_ps(), mask, at, in + base, 4);
                const __m512 w = _mm512_maskz_loadu_ps(mask, taps.tapWeights(k) + skip + i);
                sum = _mm512_add_ps(sum, _mm512_mul_ps(w, pixels));
            }
        }
        const __m512 value = _mm512_min_ps(_mm512_add_ps(sum, half), white);
        _mm512_mask_cvtepi32_storeu_epi8(out + i, mask, _mm512_cvttps_epi32(value));
    }
}

#ifndef __clang__
#pragma GCC diagnostic pop
#endif

#endif

} // namespace

void AreaAverageLines::sumDown(const uchar* first, qsizetype stride, const float* weights, int taps,
                               int width, float* sums) {
#ifdef LUNVIK_WIDE_LINES
    if (hasWide()) {
        return sumDownWide(first, stride, weights, taps, width, sums);
    }
#endif
    sumDownPlain(first, stride, weights, taps, width, sums);
}

void AreaAverageLines::scaleAcross(const float* in, const AreaAverageTaps& taps, int skip,
                                   int count, uchar* out) {
#ifdef LUNVIK_WIDE_LINES
    if (hasWide() && !taps.isSingleTap() && taps.windowLength() > 0) {
        return scaleAcrossWide(in, taps, skip, count, out);
    }
#endif
    scaleAcrossPlain(in, taps, skip, count, out);
}

void AreaAverageLines::allowWideVectors(bool allowed) {
    wideAllowed.store(allowed, std::memory_order_relaxed);
}

} // namespace platform
