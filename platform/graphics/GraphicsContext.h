#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSizeF>
#include <QTransform>

#include <memory>
#include <optional>
#include <vector>

namespace platform {

class OrientedImageCache;
class PageRenderings;
class PlacementRecorder;

// A drawing context whose user space has its y axis pointing up: (0, 0) is
// the bottom-left corner of the device and the last row of a bitmap is
// y = 0, its first row the top edge. Pictures drawn into a rectangle appear
// upright in that space, so a picture drawn at its own size into
// (0, 0, width, height) of a bitmap of that size reproduces its rows in order.
//
// Drawing goes through QPainter; the context adds the y-up base transform and
// the drawing state that QPainter has no notion of. Not thread-safe: one
// context is used by one thread at a time.
class GraphicsContext {
public:
    enum class PixelFormat {
        gray8,                 // one gray byte per pixel, no alpha
        rgba8888Premultiplied, // R, G, B, A bytes, colour premultiplied by alpha
        rgbx8888,              // R, G, B bytes and an unused fourth byte
    };
    enum class InterpolationQuality { defaultQuality, none, low, medium, high };
    enum class BlendMode { normal, copy };

    // A bitmap context whose rows are exactly width x bytes-per-pixel long.
    // It draws into `data` when given (which must hold that many rows) and
    // otherwise into memory of its own, cleared to zero. Gives nothing for a
    // side below 1, a bitmap beyond ImageLimits, or when memory runs out.
    static std::unique_ptr<GraphicsContext> makeBitmap(PixelFormat format, int width, int height,
                                                       uchar* data = nullptr);

    // A context over a painter that the caller owns and keeps active, whose
    // device is deviceSize large in the painter's current coordinates. The
    // painter's state is restored when the context goes away.
    GraphicsContext(QPainter& painter, const QSizeF& deviceSize);
    ~GraphicsContext();

    GraphicsContext(const GraphicsContext&) = delete;
    GraphicsContext& operator=(const GraphicsContext&) = delete;

    // Device size in device pixels (for a painter context, the given size).
    QSizeF deviceSize() const { return m_deviceSize; }
    int width() const { return int(m_deviceSize.width()); }
    int height() const { return int(m_deviceSize.height()); }

    // Bitmap contexts only (null or empty otherwise).
    bool isBitmap() const { return !m_bitmap.isNull(); }
    PixelFormat pixelFormat() const { return m_format; }
    bool isGray() const { return isBitmap() && m_format == PixelFormat::gray8; }
    // Never detaches: the painter keeps drawing into this memory.
    uchar* data() { return const_cast<uchar*>(m_bitmap.constBits()); }
    qsizetype bytesPerRow() const { return m_bitmap.bytesPerLine(); }
    // The bitmap itself; it shares the context's memory.
    const QImage& bitmap() const { return m_bitmap; }
    // A copy of the bitmap that outlives the context.
    QImage makeImage() const { return m_bitmap.copy(); }

    void saveGState();
    void restoreGState();

    void translateBy(double tx, double ty);
    void scaleBy(double sx, double sy);
    // Positive angles turn from the x axis towards the y axis.
    void rotateBy(double radians);
    void concatenate(const QTransform& transform);
    // Maps user space onto device pixels (y down, origin at the device's
    // top-left corner).
    QTransform userToDevice() const;

    void setShouldAntialias(bool on);
    // Not part of the saved state: a context that disallows antialiasing
    // never antialiases, whatever the state says.
    void setAllowsAntialiasing(bool allowed);
    // Not part of the saved state: vector pages are rendered without
    // smoothing their edges, for a print whose conversion cuts every pixel
    // at the middle gray, where an edge pixel goes to the side its centre
    // lies on either way.
    void setRendersPagesUnsmoothed(bool unsmoothed) { m_rendersPagesUnsmoothed = unsmoothed; }
    bool rendersPagesUnsmoothed() const { return m_rendersPagesUnsmoothed; }
    void setInterpolationQuality(InterpolationQuality quality);
    InterpolationQuality interpolationQuality() const { return m_state.interpolation; }
    void setBlendMode(BlendMode mode);
    void setFillColor(const QColor& color);
    void setGrayFillColor(double gray, double alpha);

    void fill(const QRectF& rect);
    void clipTo(const QRectF& rect);
    // The bounds of what drawing can still reach, in device pixels: the
    // device, cut to the clip.
    QRectF deviceClipBounds() const;
    // Draws the picture upright into the rectangle: its first row along the
    // rectangle's top (largest y) edge.
    void drawImage(const QRectF& rect, const QImage& image);
    // The quarter turn and mirroring with which drawImage would now lay a
    // picture of the size into the rectangle, as a matrix of 0 and +-1;
    // nothing when the drawing would not keep the device's axes.
    std::optional<QTransform> imageOrientation(const QRectF& rect, const QSize& size) const;

    // For drawing this class does not wrap. Its world transform is the
    // context's current transform onto the device.
    QPainter& painter() { return *m_painter; }

    // Pictures that are drawn turned or mirrored come from this cache, which
    // other contexts drawing the same pictures may share.
    void shareOrientedImages(std::shared_ptr<OrientedImageCache> cache) {
        m_orientedImages = std::move(cache);
    }

    // Vector pages drawn here are taken from renderings of them kept in
    // this store, which other drawings of the same pages share (the other
    // bands of a print, later drawings), rather than rendered for this
    // drawing alone. Not part of the saved state.
    void sharePageRenderings(std::shared_ptr<PageRenderings> renderings) {
        m_pageRenderings = std::move(renderings);
    }
    const std::shared_ptr<PageRenderings>& pageRenderings() const { return m_pageRenderings; }

    // Draws the picture as it is, its first row at the top, with its
    // top-left pixel on the device pixel given, cut to `within` (device
    // pixels) and to the clip: no scaling, turning or smoothing.
    void drawDeviceImage(const QPoint& topLeft, const QImage& image, const QRect& within);

    // While a recorder is set the context draws nothing: it tells the
    // recorder where each gray picture would be laid, and marks the recording
    // incomplete for anything it cannot lay that way (fills, clipping,
    // pictures turned off the axes, placed between pixels, or not gray).
    void recordPlacements(PlacementRecorder* recorder) { m_recorder = recorder; }

private:
    struct State {
        bool shouldAntialias = true;
        InterpolationQuality interpolation = InterpolationQuality::defaultQuality;
        QColor fillColor = Qt::black;
    };

    GraphicsContext(QImage bitmap, PixelFormat format);
    void applyHints();
    void record(const QRectF& deviceRect, const QImage& turned);
    // The quarter turn and mirroring of a transform that keeps the axes on
    // the device's axes, as a matrix of 0 and +-1; nothing for other turns.
    static std::optional<QTransform> axisAlignedOrientation(const QTransform& transform);
    // Maps a picture's pixels (source) drawn into target onto the device.
    static QTransform imageToDevice(const QRectF& target, const QRectF& source,
                                    const QTransform& world);

    QImage m_bitmap;
    PixelFormat m_format = PixelFormat::rgba8888Premultiplied;
    std::unique_ptr<QPainter> m_ownedPainter;
    QPainter* m_painter = nullptr;
    QSizeF m_deviceSize;
    State m_state;
    std::vector<State> m_savedStates;
    bool m_allowsAntialiasing = true;
    bool m_rendersPagesUnsmoothed = false;
    std::shared_ptr<OrientedImageCache> m_orientedImages;
    std::shared_ptr<PageRenderings> m_pageRenderings;
    PlacementRecorder* m_recorder = nullptr;
};

} // namespace platform
