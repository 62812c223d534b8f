#pragma once

#include <QtGlobal>

#include <vector>

namespace platform {

// How the pixels of a line scaled from one length to another are made: each
// is the average of the source over the pixel's extent, every source pixel
// weighed by how much of it lies there. Only a part of the scaled line is
// described, the part a page shows.
class AreaAverageTaps {
public:
    // Pixels [first, end) of a line of `destination` pixels made from one of
    // `source` pixels; both lengths at least 1, 0 <= first <= end <= destination.
    AreaAverageTaps(int source, qint64 destination, qint64 first, qint64 end);

    // The lengths are equal: pixel i is source pixel i.
    bool isIdentity() const { return m_identity; }
    // Every pixel is one whole source pixel (no blending).
    bool isSingleTap() const { return m_singleTap; }
    // The source pixels [sourceFirst, sourceEnd) that the part reads.
    int sourceFirst() const { return m_sourceFirst; }
    int sourceEnd() const { return m_sourceEnd; }

    // For pixel first + i: the first source pixel it reads, how many it reads,
    // and their weights, which add up to 1.
    int start(qint64 i) const { return m_start[size_t(i)]; }
    int count(qint64 i) const { return m_offset[size_t(i) + 1] - m_offset[size_t(i)]; }
    const float* weights(qint64 i) const { return m_weights.data() + m_offset[size_t(i)]; }

    // The same taps as windows of one length for all pixels, for loops of a
    // fixed count: pixel first + i reads windowLength() source pixels from
    // windowStart(i), weighed by windowWeights(i), which are zero for the
    // pixels it does not read. The windows stay within the source; none when
    // the source is shorter than the longest tap (windowLength() is 0).
    int windowLength() const { return m_windowLength; }
    int windowStart(qint64 i) const { return m_windowStart[size_t(i)]; }
    const float* windowWeights(qint64 i) const {
        return m_windowWeights.data() + size_t(i) * size_t(m_windowLength);
    }
    // The same windows tap by tap, for loops over many pixels at once: the
    // starts of all pixels' windows, and tap k's weight for every pixel.
    const int* windowStarts() const { return m_windowStart.data(); }
    const float* tapWeights(int k) const {
        return m_tapWeights.data() + size_t(k) * m_windowStart.size();
    }

private:
    bool m_identity = false;
    bool m_singleTap = true;
    int m_sourceFirst = 0;
    int m_sourceEnd = 0;
    std::vector<int> m_start;
    std::vector<int> m_offset;
    std::vector<float> m_weights;
    int m_windowLength = 0;
    std::vector<int> m_windowStart;
    std::vector<float> m_windowWeights;
    std::vector<float> m_tapWeights;
};

} // namespace platform
