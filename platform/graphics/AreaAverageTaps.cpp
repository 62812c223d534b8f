#include "platform/graphics/AreaAverageTaps.h"

#include <algorithm>
#include <cmath>

namespace platform {

AreaAverageTaps::AreaAverageTaps(int source, qint64 destination, qint64 first, qint64 end)
    : m_identity(qint64(source) == destination) {
    const size_t n = size_t(std::max<qint64>(0, end - first));
    m_start.resize(n);
    m_offset.resize(n + 1);
    m_sourceFirst = source;
    m_sourceEnd = 0;
    // Source pixels per pixel; a pixel i covers [i, i + 1) * step of the source.
    const double step = double(source) / double(destination);
    // Overlaps this much smaller than a pixel are the rounding of the bounds.
    const double negligible = 1e-9 * std::min(step, 1.0);
    for (size_t i = 0; i < n; ++i) {
        const qint64 d = first + qint64(i);
        m_offset[i] = int(m_weights.size());
        if (m_identity) {
            m_start[i] = int(d);
            m_weights.push_back(1.0f);
        } else {
            const double a = double(d) * double(source) / double(destination);
            const double b = double(d + 1) * double(source) / double(destination);
            const int k0 = std::clamp(int(std::floor(a)), 0, source - 1);
            const int k1 = std::clamp(int(std::ceil(b)), k0 + 1, source);
            int firstTap = -1;
            const size_t begin = m_weights.size();
            double total = 0;
            for (int k = k0; k < k1; ++k) {
                const double overlap = std::min(b, double(k + 1)) - std::max(a, double(k));
                if (overlap <= negligible) {
                    if (firstTap < 0) {
                        continue; // leading sliver: not read at all
                    }
                    break;
                }
                if (firstTap < 0) {
                    firstTap = k;
                }
                m_weights.push_back(float(overlap));
                total += overlap;
            }
            if (firstTap < 0) {
                // Cannot happen for a positive step; read the nearest pixel.
                firstTap = k0;
                m_weights.push_back(1.0f);
                total = 1;
            }
            for (size_t w = begin; w < m_weights.size(); ++w) {
                m_weights[w] = float(double(m_weights[w]) / total);
            }
            m_start[i] = firstTap;
        }
        const int taps = int(m_weights.size()) - m_offset[i];
        m_singleTap = m_singleTap && taps == 1;
        m_sourceFirst = std::min(m_sourceFirst, m_start[i]);
        m_sourceEnd = std::max(m_sourceEnd, m_start[i] + taps);
    }
    m_offset[n] = int(m_weights.size());
    if (n == 0) {
        m_sourceFirst = 0;
        return;
    }
    int longest = 0;
    for (size_t i = 0; i < n; ++i) {
        longest = std::max(longest, m_offset[i + 1] - m_offset[i]);
    }
    if (longest > source) {
        return;
    }
    // Windows that would run past the source's end start earlier, with
    // zero weights in front.
    m_windowLength = longest;
    m_windowStart.resize(n);
    m_windowWeights.assign(n * size_t(longest), 0.0f);
    for (size_t i = 0; i < n; ++i) {
        const int begin = std::min(m_start[i], source - longest);
        m_windowStart[i] = begin;
        std::copy(m_weights.begin() + m_offset[i], m_weights.begin() + m_offset[i + 1],
                  m_windowWeights.begin() + qsizetype(i * size_t(longest)) + (m_start[i] - begin));
        m_sourceFirst = std::min(m_sourceFirst, begin);
        m_sourceEnd = std::max(m_sourceEnd, begin + longest);
    }
    m_tapWeights.resize(n * size_t(longest));
    for (size_t i = 0; i < n; ++i) {
        for (int k = 0; k < longest; ++k) {
            m_tapWeights[size_t(k) * n + i] = m_windowWeights[i * size_t(longest) + size_t(k)];
        }
    }
}

} // namespace platform
