#include "imaging/print/IndexSet.h"

#include <algorithm>

namespace quenta {

IndexSet::IndexSet(std::initializer_list<Range> ranges) {
    for (const Range& r : ranges) {
        insert(r);
    }
}

void IndexSet::insert(Range range) {
    if (range.upperBound <= range.lowerBound) {
        return;
    }
    if (m_ranges.empty() || m_ranges.back().upperBound < range.lowerBound) {
        m_ranges.push_back(range);
        return;
    }
    if (m_ranges.back().lowerBound <= range.lowerBound) {
        m_ranges.back().upperBound = std::max(m_ranges.back().upperBound, range.upperBound);
        return;
    }
    // The first range that ends at or after the new one's start, and the
    // first that starts after its end: everything between merges.
    auto first =
        std::lower_bound(m_ranges.begin(), m_ranges.end(), range.lowerBound,
                         [](const Range& r, qint64 value) { return r.upperBound < value; });
    auto last = std::upper_bound(first, m_ranges.end(), range.upperBound,
                                 [](qint64 value, const Range& r) { return value < r.lowerBound; });
    if (first == last) {
        m_ranges.insert(first, range);
        return;
    }
    Range merged{std::min(first->lowerBound, range.lowerBound),
                 std::max((last - 1)->upperBound, range.upperBound)};
    *first = merged;
    m_ranges.erase(first + 1, last);
}

void IndexSet::formUnion(const IndexSet& other) {
    for (const Range& r : other.m_ranges) {
        insert(r);
    }
}

IndexSet IndexSet::shiftedAndClipped(qint64 delta, qint64 lowerBound, qint64 upperBound) const {
    IndexSet result;
    for (const Range& r : m_ranges) {
        result.insert(Range{std::max(r.lowerBound + delta, lowerBound),
                            std::min(r.upperBound + delta, upperBound)});
    }
    return result;
}

bool IndexSet::contains(qint64 index) const {
    auto it = std::upper_bound(m_ranges.begin(), m_ranges.end(), index,
                               [](qint64 value, const Range& r) { return value < r.lowerBound; });
    return it != m_ranges.begin() && index < (it - 1)->upperBound;
}

qint64 IndexSet::count() const {
    qint64 n = 0;
    for (const Range& r : m_ranges) {
        n += r.upperBound - r.lowerBound;
    }
    return n;
}

} // namespace quenta
