#include "model/columns/PackedColumnsAhead.h"

#include "model/columns/BlackWhiteColumnPacker.h"

#include <algorithm>

namespace ambrel {

PackedColumnsAhead::PackedColumnsAhead(const BlackWhiteColumnPacker& packer, std::uint8_t* out,
                                       platform::compute::ThreadPool* pool) {
    // The first range is ready after a small share of the packing.
    m_rangeColumns = packer.rangeColumns(pool);
    const auto ranges = std::size_t((packer.width() + m_rangeColumns - 1) / m_rangeColumns);
    m_done.assign(ranges, false);
    if (pool == nullptr) {
        for (std::size_t r = 0; r < ranges; ++r) {
            packRange(packer, out, r);
        }
        return;
    }
    m_batch.emplace(
        pool->start(ranges, [this, &packer, out](std::size_t r) { packRange(packer, out, r); }));
}

PackedColumnsAhead::~PackedColumnsAhead() {
    m_abandoned = true;
}

void PackedColumnsAhead::packRange(const BlackWhiteColumnPacker& packer, std::uint8_t* out,
                                   std::size_t range) {
    const qint64 first = qint64(range) * m_rangeColumns;
    const qint64 count = std::min(m_rangeColumns, packer.width() - first);
    std::exception_ptr failure;
    try {
        if (!m_abandoned.load(std::memory_order_relaxed)) {
            packer.packOutputColumns(first, count, out + first * packer.bytesPerColumn());
        }
    } catch (...) {
        failure = std::current_exception();
    }
    {
        std::lock_guard lock(m_mutex);
        if (failure && !m_failure) {
            m_failure = failure;
        }
        m_done[range] = true;
        while (m_leading < m_done.size() && m_done[m_leading]) {
            ++m_leading;
        }
    }
    m_packed.notify_all();
}

void PackedColumnsAhead::waitFor(qint64 count) {
    const auto ranges =
        std::size_t((std::max<qint64>(0, count) + m_rangeColumns - 1) / m_rangeColumns);
    std::unique_lock lock(m_mutex);
    m_packed.wait(lock, [&] { return m_failure || m_leading >= std::min(ranges, m_done.size()); });
    if (m_failure) {
        std::rethrow_exception(m_failure);
    }
}

} // namespace ambrel
