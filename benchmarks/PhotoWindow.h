#pragma once

// A document window with a 6000 x 4000 photo dropped on it, the photo's
// pixels decoded whole.

#include "BenchmarkApp.h"

namespace kestrom {
class GridViewImageView;
class PrintJobDocument;
} // namespace kestrom

namespace bench {

class PhotoWindow {
public:
    PhotoWindow();

    // Converts the picture by a halftone or by a threshold.
    void convertBy(bool halftone);
    // A change the slider would make: the halftone's screen or the
    // threshold, to one value and back again turn by turn.
    void changeConversion(bool halftone);
    // Drops the file of that name and bytes on the window in place of the
    // photo (a vector page, say), and waits until it is taken in.
    void dropPicture(const QString& fileName, const QByteArray& bytes);

    // Every tile of the canvas drawn, none waiting to be.
    bool allTilesDrawn() const;
    // Every tile of the view has contents.
    static bool everyTileHasContents(const kestrom::GridViewImageView& imageView);

    BenchmarkApp app;
    kestrom::PrintJobDocument* document = nullptr;
    kestrom::DocumentWindow* window = nullptr;
    kestrom::GridViewImageView* imageView = nullptr;

private:
    int m_turn = 0;
};

} // namespace bench
