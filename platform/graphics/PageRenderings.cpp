#include "platform/graphics/PageRenderings.h"

#include <algorithm>

namespace platform {

PageRenderings::PageRenderings(qint64 byteBudget, Keeping keeping)
    : m_byteBudget(byteBudget), m_keeping(keeping) {}

qint64 PageRenderings::bytesInUse(const Rendering& rendering) {
    return rendering.bytesPerStrip * std::count_if(rendering.strips.begin(), rendering.strips.end(),
                                                   [](const Strip& s) { return s.isTaken(); });
}

qint64 PageRenderings::bytesInUse() const {
    qint64 bytes = 0;
    for (const auto& rendering : m_renderings) {
        bytes += bytesInUse(*rendering);
    }
    return bytes;
}

qint64 PageRenderings::keptBytes() const {
    std::lock_guard lock(m_mutex);
    return bytesInUse();
}

std::shared_ptr<PageRenderings::Rendering> PageRenderings::renderingFor(const Key& key, int count,
                                                                        qint64 bytesPerStrip) {
    for (const auto& rendering : m_renderings) {
        if (rendering->key == key && int(rendering->strips.size()) == count &&
            rendering->bytesPerStrip == bytesPerStrip) {
            return rendering;
        }
    }
    if (m_keeping == Keeping::latestOnly) {
        m_renderings.clear();
    }
    auto rendering = std::make_shared<Rendering>();
    rendering->key = key;
    rendering->bytesPerStrip = bytesPerStrip;
    rendering->strips.resize(std::size_t(count));
    m_renderings.push_back(rendering);
    return rendering;
}

std::optional<std::vector<QImage>> PageRenderings::strips(const Key& key, int count,
                                                          qint64 bytesPerStrip, int first, int end,
                                                          const std::function<QImage(int)>& make) {
    first = std::max(first, 0);
    end = std::min(end, count);
    if (count < 1 || bytesPerStrip < 1 || first >= end) {
        return std::vector<QImage>();
    }
    // A rendering is taken whole or not at all, so that every drawing of a
    // page gets the same answer whatever part of it it shows.
    const qint64 whole = bytesPerStrip * count;
    if (whole > m_byteBudget) {
        return std::nullopt;
    }
    std::unique_lock lock(m_mutex);
    const std::shared_ptr<Rendering> rendering = renderingFor(key, count, bytesPerStrip);
    rendering->lastUse = ++m_uses;
    // Earlier renderings give way, the least recently used first.
    const auto others = [&] { return bytesInUse() - bytesInUse(*rendering); };
    while (whole + others() > m_byteBudget) {
        m_renderings.erase(std::min_element(m_renderings.begin(), m_renderings.end(),
                                            [&](const auto& a, const auto& b) {
                                                return (a == rendering ? ~0ull : a->lastUse) <
                                                       (b == rendering ? ~0ull : b->lastUse);
                                            }));
    }
    // Strips nobody has taken, or whose making failed before, are made here
    // one after another; then those others are making are waited for.
    for (int i = first; i < end; ++i) {
        Strip& strip = rendering->strips[std::size_t(i)];
        if (strip.isTaken()) {
            continue;
        }
        strip.state = Strip::State::making;
        strip.failure = nullptr;
        lock.unlock();
        QImage image;
        try {
            image = make(i);
        } catch (...) {
            lock.lock();
            strip.state = Strip::State::failed;
            strip.failure = std::current_exception();
            m_made.notify_all();
            throw;
        }
        lock.lock();
        // A strip that could not be made is not kept: a later drawing tries
        // again.
        strip.state = image.isNull() ? Strip::State::failed : Strip::State::made;
        strip.image = std::move(image);
        m_made.notify_all();
    }
    m_made.wait(lock, [&] {
        return std::none_of(rendering->strips.begin() + first, rendering->strips.begin() + end,
                            [](const Strip& s) { return s.state == Strip::State::making; });
    });
    // What failed for another drawing meanwhile fails here too, rather than
    // being tried again by every drawing waiting for it.
    std::vector<QImage> images;
    images.reserve(std::size_t(end - first));
    for (int i = first; i < end; ++i) {
        const Strip& strip = rendering->strips[std::size_t(i)];
        if (strip.failure) {
            std::rethrow_exception(strip.failure);
        }
        images.push_back(strip.image);
    }
    return images;
}

} // namespace platform
