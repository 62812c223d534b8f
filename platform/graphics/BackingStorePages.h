#pragma once

class QBackingStore;
class QSize;

namespace platform {

// The pixels of a window's first frame go into memory nobody has touched:
// its first paint, which fills the whole window, stops at every page for
// the kernel to make it, a few megabytes one fault at a time. Sized ahead,
// the backing store's pages are made on a worker meanwhile, in one pass,
// while the main thread goes on showing and laying the window out.
class BackingStorePages {
public:
    // Gives the store the size the window is painted at (in device
    // independent pixels) and has its pixels' pages made off the main
    // thread. The first paint finds the store sized and keeps it. Under a
    // window system whose store takes its pixels only as it paints
    // (Wayland), nothing changes; a store whose pixels are no image in this
    // process is only sized.
    static void makeAhead(QBackingStore& store, const QSize& size);

    // Waits until the pages asked for are made: for tests.
    static void waitForDone();
};

} // namespace platform
