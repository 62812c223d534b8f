#pragma once

#include <QtGlobal>

#include <functional>
#include <vector>

namespace kestrom {

// A list that grows and shrinks to a count, making each added element and
// telling about each removed one (the canvas keeps its sequence-number views
// in one).
template <typename T> class ExpansionArray {
public:
    using AddedHandler = std::function<T(qsizetype index)>;
    using RemovedHandler = std::function<void(const T& element, qsizetype index)>;

    const std::vector<T>& objects() const { return m_objects; }
    qsizetype count() const { return qsizetype(m_objects.size()); }

    // Growing appends added(i) for each new index, in ascending order.
    // Shrinking first calls removed (when given) for each index that goes,
    // in ascending order, while the elements are still in the list, then
    // removes them in one step. A negative count counts as 0.
    void setCount(qsizetype count, const AddedHandler& added, const RemovedHandler& removed = {}) {
        const qsizetype newCount = std::max<qsizetype>(count, 0);
        const qsizetype oldCount = this->count();
        if (newCount > oldCount) {
            m_objects.reserve(size_t(newCount));
            for (qsizetype i = oldCount; i < newCount; ++i) {
                m_objects.push_back(added(i));
            }
        } else if (newCount < oldCount) {
            if (removed) {
                for (qsizetype i = newCount; i < oldCount; ++i) {
                    removed(m_objects[size_t(i)], i);
                }
            }
            m_objects.erase(m_objects.begin() + newCount, m_objects.end());
        }
    }

    // Calls removed (when given) for every element in index order, then
    // empties the list and releases its storage.
    void removeAll(const RemovedHandler& removed = {}) {
        if (removed) {
            for (qsizetype i = 0; i < count(); ++i) {
                removed(m_objects[size_t(i)], i);
            }
        }
        std::vector<T>().swap(m_objects);
    }

private:
    std::vector<T> m_objects;
};

} // namespace kestrom
