#pragma once

#include "core/canvas/GridViewChangeRecord.h"
#include "core/canvas/GridViewRepeatView.h"

#include <QObject>
#include <QPointer>
#include <QRectF>

#include <optional>

class QVariantAnimation;

namespace kestrom {

class GridViewImageSelectionView;
class GridViewImageView;
class GridViewOverflownAreaView;

// Makes a change of the canvas's model visible: after a layout pass either
// sets the frames at once (with a fade and bounce for a new picture) or lets
// them move: repeats slide, the selection frame and the tint grow when the
// picture goes from one copy to more or back, and a quarter or half turn
// rotates the picture into place. Every animation ends in exactly the frames
// the immediate path sets.
class GridViewChangeAnimator : public QObject {
    Q_OBJECT

public:
    struct Frames {
        GridViewRepeatView::Placement placement;
        QRectF selectionFrame;
        QRectF overflowFrame;
        bool operator==(const Frames&) const = default;
    };

    static constexpr int moveDuration_ms = 100;
    static constexpr int bounceDuration_ms = 500;
    static constexpr int mirrorDuration_ms = 200;
    static constexpr int removalFadeDuration_ms = 100;

    GridViewChangeAnimator(GridViewRepeatView* repeatView, GridViewImageView* imageView,
                           GridViewImageSelectionView* selectionView,
                           GridViewOverflownAreaView* overflownAreaView, QObject* parent = nullptr);

    // Sets the frames at once; when the canvas is enabled a new picture
    // fades and bounces in and the selection and tint fade back, and a
    // single mirrored copy fades in.
    void applyImmediately(const Frames& frames, const GridViewChangeRecord& changes, bool enabled);
    // Moves from the frames shown now to these.
    void animate(const Frames& frames, const GridViewChangeRecord& changes);
    bool isAnimating() const;
    // The frames last set, whether or not an animation is under way.
    const std::optional<Frames>& shown() const { return m_shown; }
    const std::optional<Frames>& target() const { return m_target; }

    // A change between one copy and more animates the selection frame and the
    // tint; a change between counts above one, or a turn, sets them at once.
    static bool areaFlag(const GridViewChangeRecord& changes);
    // The turn to animate, in quarter turns clockwise (-1, 0, 1 or 2).
    static int quarterTurns(const GridViewChangeRecord& changes);
    // Diagnostic lines of animated passes, on standard error, only when
    // LUNVIK_DEBUG_CANVAS_ANIMATION is set.
    static bool writesDiagnostics();

private:
    void show(const Frames& frames);
    void stopMoving();
    void rotateIn(int quarterTurns);
    void bounceIn();

    QPointer<GridViewRepeatView> m_repeatView;
    QPointer<GridViewImageView> m_imageView;
    QPointer<GridViewImageSelectionView> m_selectionView;
    QPointer<GridViewOverflownAreaView> m_overflownAreaView;
    QVariantAnimation* m_move = nullptr;
    std::optional<Frames> m_shown;
    std::optional<Frames> m_target;
};

} // namespace kestrom
