#pragma once

#include "platform/compute/ThreadPool.h"

#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <vector>

namespace ambrel {

class BlackWhiteColumnPacker;

// A job's columns packed on the compute workers, in send order, while the
// ones before them are sent: the sender waits only for the columns it is
// about to send.
class PackedColumnsAhead {
public:
    // Starts packing every output column of the packer into out (width() x
    // bytesPerColumn() bytes). Without a pool the columns are packed here.
    PackedColumnsAhead(const BlackWhiteColumnPacker& packer, std::uint8_t* out,
                       platform::compute::ThreadPool* pool);
    // Waits for the workers: nothing writes to out afterwards. Ranges not
    // begun by then are left unpacked, since no one will send them.
    ~PackedColumnsAhead();

    // Returns once output columns [0, count) are packed; throws what kept a
    // column of the job from being packed.
    void waitFor(qint64 count);

    PackedColumnsAhead(const PackedColumnsAhead&) = delete;
    PackedColumnsAhead& operator=(const PackedColumnsAhead&) = delete;

private:
    void packRange(const BlackWhiteColumnPacker& packer, std::uint8_t* out, std::size_t range);

    qint64 m_rangeColumns;
    std::mutex m_mutex;
    std::condition_variable m_packed;
    std::vector<bool> m_done;
    std::size_t m_leading = 0; // ranges packed from the first on
    std::exception_ptr m_failure;
    std::atomic<bool> m_abandoned{false};
    std::optional<platform::compute::ThreadPool::Batch> m_batch; // last: waited for first
};

} // namespace ambrel
