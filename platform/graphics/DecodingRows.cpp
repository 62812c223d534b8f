#include "platform/graphics/DecodingRows.h"

namespace platform {

void DecodingRows::start(const QImage& image) {
    {
        std::lock_guard guard(m_lock);
        m_image = image;
        m_started = true;
    }
    m_changed.notify_all();
}

void DecodingRows::advance(int rowsDone) {
    {
        std::lock_guard guard(m_lock);
        m_rows = rowsDone;
    }
    m_changed.notify_all();
}

void DecodingRows::finish() {
    {
        std::lock_guard guard(m_lock);
        m_finished = true;
        // Readers hold their own copies.
        m_image = QImage();
    }
    m_changed.notify_all();
}

std::optional<QImage> DecodingRows::waitForStart(const std::function<bool()>& keepWaiting) {
    std::unique_lock lock(m_lock);
    while (!m_changed.wait_for(lock, std::chrono::milliseconds(20),
                               [this] { return m_started || m_finished; })) {
        if (keepWaiting && !keepWaiting()) {
            return std::nullopt;
        }
    }
    if (!m_started || m_image.isNull()) {
        return std::nullopt;
    }
    return m_image;
}

int DecodingRows::waitForRows(int rows) {
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [this, rows] { return m_rows >= rows || m_finished; });
    return m_rows;
}

} // namespace platform
