#pragma once

#include "core/canvas/CanvasItem.h"
#include "core/document/job/CurrentBlackConversionReadonlyWrapper.h"
#include "imaging/print/DeviceBlackConversionInfo.h"
#include "model/descriptions/ColorAbility.h"
#include "model/pictures/BlackConversion.h"
#include "model/pictures/ImageRotation.h"
#include "model/pictures/OriginalImage.h"
#include "model/units/Size_px.h"
#include "platform/WorkQueue.h"

#include <QImage>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <optional>

namespace kestrom {

// The placed picture as the device will print it: a black-and-white preview
// (in colour for full-colour models) made off the main thread in three
// stages. The whole upright picture is drawn once at a fixed pixel budget and
// converted with the print's own conversion; a small thumbnail of it shows at
// once, stretched over the frame; tiles of TILE_WIDTH points rendered at the
// screen's scale then replace it piece by piece. Moves, resizes and new
// scales only redraw tiles from the cached preview.
//
// A picture whose pixels are still being decoded shows from its smaller
// first decode, converted the same way at that scale; its tiles are replaced
// once all the pixels are there.
//
// The picture as drawn before conversion is kept so that a change of the
// conversion alone does not draw it again; an idle view lets go of it after
// drawnPictureLifetime(), as it costs as much again as the preview and most
// open documents are not being edited.
//
// All instances render on one serial worker. Every step checks that its
// pass is still the one in force, so a newer change makes older work stop;
// results reach the main thread queued and are dropped when outdated or when
// the view is gone.
class GridViewImageView : public CanvasItem {
    Q_OBJECT

public:
    static constexpr double TILE_WIDTH = 250.0;
    static constexpr int thumbnailSide = 128;
    static constexpr double previewPixelBudget = 6'000'000;
    static constexpr double previewDpi = 600;

    enum class RedrawScope { tiles, preview, all };

    struct TileCount {
        int x = 0;
        int y = 0;
        bool operator==(const TileCount&) const = default;
    };

    // One tile: its frame in the view and its picture once delivered.
    struct TileView {
        QRectF frame;
        QPixmap contents;
    };

    using BlackConversionPointer = std::shared_ptr<const CurrentBlackConversionReadonlyWrapper>;

    explicit GridViewImageView(QGraphicsItem* parent = nullptr);
    ~GridViewImageView() override;

    const ambrel::OriginalImage::Pointer& originalImage() const { return m_image; }
    void setOriginalImage(const ambrel::OriginalImage::Pointer& image);
    const BlackConversionPointer& blackConversion() const { return m_blackConversion; }
    void setBlackConversion(const BlackConversionPointer& conversion);
    const std::optional<quenta::DeviceBlackConversionInfo>& deviceBlackConversionInfo() const {
        return m_deviceInfo;
    }
    void setDeviceBlackConversionInfo(const std::optional<quenta::DeviceBlackConversionInfo>& info);
    // The upright picture's size in the device's dots, as it is printed;
    // nothing while unknown. The preview shows the expansion of black only
    // where its pixels are no larger than the dots.
    const ambrel::Size_px& deviceImageSize_px() const { return m_deviceImageSize_px; }
    void setDeviceImageSize_px(const ambrel::Size_px& size);
    // Preview pixels along one device dot for the current picture and size,
    // 0 when the preview is coarser than the dots.
    qint64 previewPixelsPerDeviceDot() const;
    ambrel::ImageRotation orientation() const { return m_orientation; }
    void setOrientation(ambrel::ImageRotation orientation);
    bool flipsHorizontal() const { return m_flips; }
    void setFlipsHorizontal(bool flips);
    ambrel::ColorAbility colorAbility() const { return m_colorAbility; }
    void setColorAbility(ambrel::ColorAbility ability);
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    bool isTrackingResizeHandle() const { return m_trackingResizeHandle; }
    void setTrackingResizeHandle(bool tracking);
    bool windowIsInLiveResize() const { return m_liveResize; }
    void setWindowIsInLiveResize(bool live);
    // Device pixels per point of the screen shown on.
    void setBackingScale(double scale);
    double backingScale() const { return m_scale; }

    // A pass is in force (its work is queued or running), as last published
    // to the main thread.
    bool isDrawingInBackground() const;
    // A pass is due or in force right now.
    bool hasPendingDrawing() const;
    const QList<TileView>& tileViews() const { return m_tileViews; }
    TileCount lastTileCount() const { return m_lastTileCount; }
    const QImage& thumbnail() const { return m_thumbnail; }
    // Whether what shows last came from the picture's smaller first decode.
    bool showsScaledDecode() const { return m_showsScaledDecode; }
    // How long the drawn picture outlives the last preview made from it.
    int drawnPictureLifetime() const { return m_forgetDrawnPicture.interval(); }
    void setDrawnPictureLifetime(int milliseconds);
    bool keepsDrawnPicture() const;
    // The bytes of the preview and the drawn picture kept, for tests and
    // diagnostics.
    qint64 keptPixelBytes() const;
    // Drops what depends on the scope and starts a new pass.
    void invalidateDrawing(RedrawScope scope);

    // Draws the thumbnail and the delivered tiles into the target rectangle
    // (the repeated copies use it too).
    void paintContents(QPainter* painter, const QRectF& target) const;
    // Off while the repeated copies draw this one among them, in their order.
    void setPaintsItself(bool paints);
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    // The preview's pixel size for a picture's width per height; a ratio
    // that is zero, infinite or not a number gives nothing.
    static std::optional<QSize> previewSize(double widthPerHeight);
    // The tile frames of a view of the size that meet the area (the whole
    // view without one), row by row. Any size gives a short list: at most
    // maximumTileSpan tiles across and down.
    static QList<QRectF> tileFrames(const QSizeF& size, const std::optional<QRectF>& area = {});
    static constexpr qint64 maximumTileSpan = 256;
    // The part of the view that shows, in its own coordinates, or the whole
    // view (nothing). Only tiles there are rendered.
    const std::optional<QRectF>& visibleArea() const { return m_visibleArea; }
    void setVisibleArea(const std::optional<QRectF>& area);
    // The upright picture mirrored left to right (before turning) and turned
    // clockwise, as the picture is drawn for the print.
    static QImage orientedImage(const QImage& upright, ambrel::ImageRotation orientation,
                                bool flipsHorizontal);
    // The whole upright picture at the preview's budget, white without a
    // picture, converted unless full colour; the screen is turned against the
    // picture's quarter turns, as the print's is.
    static QImage makePreviewImage(const ambrel::OriginalImage::Pointer& image,
                                   const ambrel::BlackConversion& conversion,
                                   const std::optional<quenta::DeviceBlackConversionInfo>& info,
                                   ambrel::ColorAbility colorAbility,
                                   ambrel::ImageRotation orientation,
                                   qint64 pixelsPerDeviceDot = 0);
    // The two halves of it: the picture drawn at the budget (gray, or RGB
    // for full colour), and a converted copy of a drawn gray picture.
    static QImage drawPreviewPicture(const ambrel::OriginalImage::Pointer& image,
                                     ambrel::ColorAbility colorAbility);
    static QImage convertPreview(const QImage& drawn, const ambrel::BlackConversion& conversion,
                                 const std::optional<quenta::DeviceBlackConversionInfo>& info,
                                 ambrel::ImageRotation orientation, qint64 pixelsPerDeviceDot = 0,
                                 bool flipsHorizontal = false, double dpi = previewDpi);
    // Preview pixels along one device dot for a preview of the given size
    // over a picture of the given size in dots (0 when coarser, or unknown).
    static qint64 pixelsPerDeviceDot(const QSize& preview, const ambrel::Size_px& dots);
    // The shared serial worker.
    static platform::WorkQueue& tileImageQueue();

signals:
    void drawingInBackgroundChanged(bool drawing);
    // A finished thumbnail or tile was shown.
    void thumbnailDelivered();
    void tileDelivered(int index);
    // What paintContents() draws changed (the copies drawn from it follow).
    void contentsChanged();

protected:
    void sizeChanged() override;

private:
    struct Pass;
    struct State;

    void layoutTiles();
    void scheduleDrawing();
    void startDrawing();
    std::shared_ptr<Pass> makeAsyncDrawingContext();
    void publishDrawingState();
    void updateAlphaValue(bool animated);
    void deliverThumbnail(const std::shared_ptr<Pass>& pass, const QImage& thumbnail);
    void deliverTile(const std::shared_ptr<Pass>& pass, int index, const QImage& image);
    void fullDecodeArrived(const ambrel::OriginalImage::Pointer& image);
    // The picture's smaller first decode drawn at its own size.
    static QImage drawScaledDecode(const QImage& scaled, ambrel::ColorAbility colorAbility);
    // The picture drawn at the size, or the smaller decode when there is one.
    static QImage drawPicture(const ambrel::OriginalImage::Pointer& image,
                              ambrel::ColorAbility colorAbility, const std::optional<QSize>& size,
                              const QImage& scaled);
    static void render(const std::shared_ptr<State>& state, const std::shared_ptr<Pass>& pass,
                       QPointer<GridViewImageView> view);

    ambrel::OriginalImage::Pointer m_image;
    BlackConversionPointer m_blackConversion;
    std::optional<quenta::DeviceBlackConversionInfo> m_deviceInfo;
    ambrel::Size_px m_deviceImageSize_px{0, 0};
    ambrel::ImageRotation m_orientation = ambrel::ImageRotation::none;
    bool m_flips = false;
    ambrel::ColorAbility m_colorAbility = ambrel::ColorAbility::blackWhite;
    bool m_selected = false;
    bool m_paintsItself = true;
    bool m_trackingResizeHandle = false;
    bool m_liveResize = false;
    double m_scale = 1;
    QList<TileView> m_tileViews;
    std::optional<QRectF> m_visibleArea;
    TileCount m_lastTileCount;
    QImage m_thumbnail;
    // The thumbnail as drawn, converted once.
    QPixmap m_thumbnailPixmap;
    bool m_drawingScheduled = false;
    bool m_showsScaledDecode = false;
    bool m_isDrawingInBackground = false;
    std::shared_ptr<State> m_state;
    QTimer m_forgetDrawnPicture;
};

} // namespace kestrom
