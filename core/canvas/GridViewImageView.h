#pragma once

#include "core/canvas/CanvasItem.h"
#include "model/ColorAbility.h"
#include "model/ImageRotation.h"
#include "model/OriginalImage.h"

#include <QImage>
#include <QPixmap>

namespace kestrom {

// One copy of the placed picture, turned and mirrored as the document says.
// The picture is reduced once to an upright working copy; turns and mirroring
// apply to that copy, and the copy drawn on screen is made from it for the
// size shown and kept until that size changes, so that moving the picture
// redraws nothing but pixels.
class GridViewImageView : public CanvasItem {
    Q_OBJECT

public:
    // The working copy's longest side.
    static constexpr int workingSide = 2048;

    explicit GridViewImageView(QGraphicsItem* parent = nullptr);

    const ambrel::OriginalImage::Pointer& originalImage() const { return m_image; }
    void setOriginalImage(const ambrel::OriginalImage::Pointer& image);
    ambrel::ImageRotation orientation() const { return m_orientation; }
    void setOrientation(ambrel::ImageRotation orientation);
    bool flipsHorizontal() const { return m_flips; }
    void setFlipsHorizontal(bool flips);
    ambrel::ColorAbility colorAbility() const { return m_colorAbility; }
    void setColorAbility(ambrel::ColorAbility ability) { m_colorAbility = ability; }
    bool isTrackingResizeHandle() const { return m_trackingResizeHandle; }
    void setTrackingResizeHandle(bool tracking);
    void setScale(double scale);

    // The picture as shown at the current frame size and scale; null when
    // there is nothing to show.
    const QPixmap& displayPixmap();

    // The upright picture mirrored left to right (before turning) and turned
    // clockwise, as the picture is drawn for the print.
    static QImage orientedImage(const QImage& upright, ambrel::ImageRotation orientation,
                                bool flipsHorizontal);

    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    void dropWorkingCopy();
    void dropOrientedCopy();

    ambrel::OriginalImage::Pointer m_image;
    ambrel::ImageRotation m_orientation = ambrel::ImageRotation::none;
    bool m_flips = false;
    ambrel::ColorAbility m_colorAbility = ambrel::ColorAbility::blackWhite;
    bool m_trackingResizeHandle = false;
    double m_scale = 1;
    QImage m_upright;
    bool m_uprightMade = false;
    QImage m_working;
    QPixmap m_display;
    QSize m_displaySize;
    bool m_displayIsSmooth = false;
};

} // namespace kestrom
