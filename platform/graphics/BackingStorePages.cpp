#include "platform/graphics/BackingStorePages.h"

#include "platform/AllocatorTuning.h"
#include "platform/WorkQueue.h"

#include <QBackingStore>
#include <QGuiApplication>
#include <QImage>

namespace platform {

namespace {

struct BackingStorePagesQueueDescription {
    static WorkQueue::Options options() {
        return {.name = QStringLiteral("backing store pages"), .dropsQueuedWorkAtExit = true};
    }
};
using BackingStorePagesQueue = SharedWorkQueue<BackingStorePagesQueueDescription>;

// The window systems whose stores make their image when sized. Wayland's
// takes a buffer of the compositor's at each paint, and has none to show
// before the first.
bool storesHoldTheirImageOnceSized() {
    static const bool holds = QGuiApplication::platformName() == QLatin1String("xcb") ||
                              QGuiApplication::platformName() == QLatin1String("offscreen");
    return holds;
}

} // namespace

void BackingStorePages::makeAhead(QBackingStore& store, const QSize& size) {
    if (size.isEmpty() || !storesHoldTheirImageOnceSized()) {
        return;
    }
    store.resize(size);
    auto* image = dynamic_cast<QImage*>(store.paintDevice());
    if (!image || image->isNull()) {
        return;
    }
    // Read-only access: the store's image is never detached from here.
    auto* bits = const_cast<uchar*>(image->constBits());
    const auto bytes = std::size_t(image->sizeInBytes());
    // Should the store let the pixels go first, the request meets memory
    // that is gone or another block's, and makes pages at most: contents
    // stay as they are.
    BackingStorePagesQueue::run([bits, bytes] { AllocatorTuning::makePagesAhead(bits, bytes); });
}

void BackingStorePages::waitForDone() {
    BackingStorePagesQueue::waitForDone();
}

} // namespace platform
