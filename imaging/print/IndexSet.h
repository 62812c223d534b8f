#pragma once

#include <QtGlobal>

#include <vector>

namespace quenta {

// A set of integers kept as sorted, disjoint, non-adjacent ranges [lo, hi).
// Inserting in ascending order, as the scans do, costs constant time.
class IndexSet {
public:
    struct Range {
        qint64 lowerBound = 0;
        qint64 upperBound = 0;
        bool operator==(const Range&) const = default;
    };

    IndexSet() = default;
    IndexSet(std::initializer_list<Range> ranges);

    void insert(qint64 index) { insert(Range{index, index + 1}); }
    // Inserts every index of [lowerBound, upperBound); an empty range does nothing.
    void insert(Range range);
    void formUnion(const IndexSet& other);
    // Every index moved by delta, keeping those within [lowerBound, upperBound).
    IndexSet shiftedAndClipped(qint64 delta, qint64 lowerBound, qint64 upperBound) const;

    bool contains(qint64 index) const;
    bool isEmpty() const { return m_ranges.empty(); }
    qint64 count() const;
    const std::vector<Range>& rangeView() const { return m_ranges; }

    bool operator==(const IndexSet&) const = default;

private:
    std::vector<Range> m_ranges;
};

} // namespace quenta
