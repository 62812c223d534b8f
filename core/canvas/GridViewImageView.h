#pragma once

#include "core/canvas/CanvasItem.h"
#include "core/canvas/preview/PreviewGeometry.h"
#include "core/canvas/preview/PreviewImageRules.h"
#include "core/document/job/CurrentBlackConversionReadonlyWrapper.h"
#include "imaging/print/DeviceBlackConversionInfo.h"
#include "model/descriptions/ColorAbility.h"
#include "model/pictures/BlackConversion.h"
#include "model/pictures/ImageRotation.h"
#include "model/pictures/OriginalImage.h"
#include "model/units/Size_px.h"
#include "platform/Error.h"
#include "platform/WorkQueue.h"

#include <QImage>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <optional>

namespace kestrom {

struct PreviewPass;
struct PreviewRenderState;

// The placed picture as the device will print it, made off the main thread.
// A small thumbnail shows at once, stretched over the frame; tiles of
// TILE_WIDTH points rendered at the screen's scale then replace it piece by
// piece. Where the print's geometry is known (the model, the canvas and the
// picture's size in dots), each tile is made from the print's own dots
// (PreviewTileRenderer): what shows is what prints. A full-colour model, a
// picture whose pixels are still being decoded (shown from its smaller first
// decode) and a view without a model show the whole picture drawn at a pixel
// budget and converted at that scale instead.
//
// What is drawn before conversion is kept (the tiles' dots, or the picture at
// the budget) so that a change of the conversion alone does not draw again;
// an idle view lets go of it after drawnPictureLifetime(), as most open
// documents are not being edited.
//
// Passes are started from one serial worker shared by all views; the tiles
// of a pass are made side by side on the compute workers. Every tile checks
// that its pass is still the one in force, so a newer change drops the older
// work; results reach the main thread queued and are dropped when outdated
// or when the view is gone. A picture that cannot be drawn shows why in its
// frame rather than a blank.
class GridViewImageView : public CanvasItem {
    Q_OBJECT

public:
    static constexpr double TILE_WIDTH = PreviewImageRules::tileWidth;
    static constexpr int thumbnailSide = PreviewImageRules::thumbnailSide;
    static constexpr double previewPixelBudget = PreviewImageRules::previewPixelBudget;
    static constexpr double previewDpi = PreviewImageRules::previewDpi;

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
    // Where the print lays the picture's dots; nothing while unknown (no
    // model or canvas), when the preview is drawn at its budget instead.
    const std::optional<PreviewGeometry>& printGeometry() const { return m_geometry; }
    void setPrintGeometry(const std::optional<PreviewGeometry>& geometry);
    // Whether the tiles that show last came from the print's dots.
    bool showsPrintedDots() const { return m_showsPrintedDots; }
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
    // Why the picture could not be drawn (its worker failed on it), shown in
    // its place; nothing while it draws.
    const std::shared_ptr<const platform::Error>& drawingError() const { return m_drawingError; }
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

    // See PreviewImageRules.
    static std::optional<QSize> previewSize(double widthPerHeight) {
        return PreviewImageRules::previewSize(widthPerHeight);
    }
    static QList<QRectF> tileFrames(const QSizeF& size, const std::optional<QRectF>& area = {}) {
        return PreviewImageRules::tileFrames(size, area);
    }
    static constexpr qint64 maximumTileSpan = PreviewImageRules::maximumTileSpan;
    // The part of the view that shows, in its own coordinates, or the whole
    // view (nothing). Only tiles there are rendered.
    const std::optional<QRectF>& visibleArea() const { return m_visibleArea; }
    void setVisibleArea(const std::optional<QRectF>& area);
    static QImage orientedImage(const QImage& upright, ambrel::ImageRotation orientation,
                                bool flipsHorizontal) {
        return PreviewImageRules::orientedImage(upright, orientation, flipsHorizontal);
    }
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
    using Pass = PreviewPass;
    using State = PreviewRenderState;

    void layoutTiles();
    void scheduleDrawing();
    void startDrawing();
    std::shared_ptr<Pass> makeAsyncDrawingContext();
    void publishDrawingState();
    void updateAlphaValue(bool animated);
    void deliverThumbnail(const std::shared_ptr<Pass>& pass, const QImage& thumbnail);
    void deliverTile(const std::shared_ptr<Pass>& pass, int index, const QImage& image);
    void deliverFailure(const std::shared_ptr<Pass>& pass,
                        const std::shared_ptr<const platform::Error>& error);
    void paintError(QPainter* painter, const QRectF& target) const;
    void fullDecodeArrived(const ambrel::OriginalImage::Pointer& image);

    ambrel::OriginalImage::Pointer m_image;
    BlackConversionPointer m_blackConversion;
    std::optional<quenta::DeviceBlackConversionInfo> m_deviceInfo;
    std::optional<PreviewGeometry> m_geometry;
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
    std::shared_ptr<const platform::Error> m_drawingError;
    // The thumbnail as drawn, converted once.
    QPixmap m_thumbnailPixmap;
    bool m_drawingScheduled = false;
    bool m_showsScaledDecode = false;
    bool m_showsPrintedDots = false;
    bool m_isDrawingInBackground = false;
    std::shared_ptr<State> m_state;
    QTimer m_forgetDrawnPicture;
};

} // namespace kestrom
