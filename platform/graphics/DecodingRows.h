#pragma once

#include <QImage>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>

namespace platform {

// The rows of a picture decoded so far, top first, for a reader that works on
// them while the rest is decoded. The decoder tells once where the pixels are,
// then how many rows are done, and finally that no more come (whether or not
// all did). It lets go of the pixels when the decode ends: readers hold
// their own copies. Thread-safe.
class DecodingRows {
public:
    // Decoder side. `image` is the picture being written; the decoder writes
    // through pixels it took before, so that this copy never detaches it.
    void start(const QImage& image);
    void advance(int rowsDone);
    void finish();

    // Reader side. The picture, once the decoder has started on it; nothing
    // when the decode ended without starting (another decoder took it, or it
    // failed), when it has already ended (a reader that comes that late
    // takes the whole picture instead), or once `keepWaiting` says no more
    // (asked now and then: a decode that was never started tells nothing).
    std::optional<QImage> waitForStart(const std::function<bool()>& keepWaiting = {});
    // Waits until `rows` rows are done or no more come, and returns how many
    // are done.
    int waitForRows(int rows);

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    QImage m_image;
    bool m_started = false;
    bool m_finished = false;
    int m_rows = 0;
};

} // namespace platform
