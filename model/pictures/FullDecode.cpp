#include "model/pictures/FullDecode.h"

namespace ambrel {

namespace {

std::mutex& hookLock() {
    static std::mutex lock;
    return lock;
}

std::function<bool()>& hook() {
    static std::function<bool()> h;
    return h;
}

} // namespace

FullDecode::FullDecode(Decoder decoder, QImage standIn)
    : m_decoder(std::move(decoder)), m_standIn(std::move(standIn)) {}

void FullDecode::setHookForTesting(std::function<bool()> h) {
    std::lock_guard guard(hookLock());
    hook() = std::move(h);
}

const std::optional<QImage>& FullDecode::image() {
    std::unique_lock lock(m_lock);
    if (!m_claimed) {
        m_claimed = true;
        Decoder decoder = std::move(m_decoder);
        lock.unlock();
        std::function<bool()> before;
        {
            std::lock_guard guard(hookLock());
            before = hook();
        }
        std::optional<QImage> decoded;
        if (!before || before()) {
            decoded = decoder();
        }
        decoder = nullptr; // the file's bytes need not outlive the decode
        std::vector<std::function<void()>> callbacks;
        lock.lock();
        m_image = std::move(decoded);
        m_finished = true;
        // Readers that took it keep their own reference.
        m_standIn = QImage();
        callbacks.swap(m_callbacks);
        lock.unlock();
        m_finishedCondition.notify_all();
        for (const auto& callback : callbacks) {
            callback();
        }
        return m_image;
    }
    m_finishedCondition.wait(lock, [this] { return m_finished; });
    return m_image;
}

void FullDecode::setStandIn(QImage standIn) {
    std::lock_guard guard(m_lock);
    if (!m_finished) {
        m_standIn = std::move(standIn);
    }
}

bool FullDecode::isFinished() const {
    std::lock_guard guard(m_lock);
    return m_finished;
}

QImage FullDecode::standIn() const {
    std::lock_guard guard(m_lock);
    return m_standIn;
}

void FullDecode::whenFinished(std::function<void()> callback) {
    {
        std::lock_guard guard(m_lock);
        if (!m_finished) {
            m_callbacks.push_back(std::move(callback));
            return;
        }
    }
    callback();
}

} // namespace ambrel
