#pragma once

#include <QImage>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace ambrel {

// The whole upright pixels of a picture first shown from a smaller decode.
// Decoded once, by whichever thread asks first (the worker that loaded the
// picture, or a print that needs the pixels sooner); later askers wait for
// that decode. Thread-safe.
class FullDecode {
public:
    // Returns the upright pixels, nothing when they cannot be decoded.
    using Decoder = std::function<std::optional<QImage>()>;

    // The stand-in is the smaller decode shown meanwhile; it is let go once
    // the whole pixels are there.
    FullDecode(Decoder decoder, QImage standIn);
    FullDecode(const FullDecode&) = delete;
    FullDecode& operator=(const FullDecode&) = delete;

    // Sets the smaller decode, unless the whole pixels are there already.
    void setStandIn(QImage standIn);

    // Decodes on this thread unless another does or did, then waits for it.
    const std::optional<QImage>& image();
    bool isFinished() const;
    // The smaller decode while the whole pixels are not there; a null
    // picture afterwards.
    QImage standIn() const;
    // Runs once the pixels are there (or known not to come): at once when
    // they are, otherwise on the thread that decoded them.
    void whenFinished(std::function<void()> callback);

    // Runs before each decode, on its thread: a test slows the decode down
    // with it, or makes it fail (false) as a failed allocation would.
    static void setHookForTesting(std::function<bool()> hook);

private:
    Decoder m_decoder;
    mutable std::mutex m_lock;
    std::condition_variable m_finishedCondition;
    bool m_claimed = false;
    bool m_finished = false;
    std::optional<QImage> m_image;
    QImage m_standIn;
    std::vector<std::function<void()>> m_callbacks;
};

} // namespace ambrel
