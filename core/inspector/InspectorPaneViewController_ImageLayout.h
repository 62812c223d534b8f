#pragma once

#include "core/inspector/InspectorPaneViewController.h"
#include "core/inspector/NumberFormatter.h"

#include <QPointer>

#include <optional>

class QComboBox;
class QFrame;
class QPushButton;
class QToolButton;

namespace kestrom {

class InspectorImageOverflowAlertViewController;
class InspectorNumberTextField;
class InspectorPaneViewController_ImageRepeat;

// Places the picture on the canvas: its anchor, its offset from it and its
// displayed size in millimetres; the overflow over the canvas edges; the
// actual-size button; and a summary of the repeats, which opens the repeat
// pane.
class InspectorPaneViewController_ImageLayout : public InspectorPaneViewController {
    Q_OBJECT
public:
    explicit InspectorPaneViewController_ImageLayout(QWidget* parent = nullptr);

    QComboBox* imageOffsetBasePopUpButton() const { return m_offsetBase; }
    InspectorNumberTextField* imageXOffsetTextField() const { return m_x; }
    InspectorNumberTextField* imageYOffsetTextField() const { return m_y; }
    InspectorNumberTextField* imageWidthTextField() const { return m_width; }
    InspectorNumberTextField* imageHeightTextField() const { return m_height; }
    QPushButton* imageOverflownButton() const { return m_overflown; }
    QPushButton* actualSizeButton() const { return m_actualSize; }
    QPushButton* imageRepeatButton() const { return m_repeat; }
    QToolButton* resetImageRepeatButton() const { return m_resetRepeat; }

    // "⚠️  ⇤ 2.5  ⤓ 10 mm": the sides the picture runs over, or nothing.
    // A picture with no part on the canvas says so first.
    std::optional<QString> overflownAmountDescription() const;
    // Nothing of the picture and its repeats lies on the canvas.
    bool liesWhollyOutside() const;
    // The model's note on the overflow: part or all of the picture outside.
    QString overflowMessage() const;
    bool hasImageCopies() const;
    QString imageCopyDescription() const;

    void changeImageOffsetBase();
    void changeXOffset();
    void changeYOffset();
    void changeImageWidth();
    void changeImageHeight();
    void resetImageCopy();
    // Opens the note on overflowing pictures, or the repeat pane, below
    // their buttons; each returns what it opened.
    InspectorImageOverflowAlertViewController* showOverflowAlert();
    InspectorPaneViewController_ImageRepeat* showImageRepeatPane();

protected:
    void documentDidChange() override;
    void observeDocument(PrintDocument& document) override;

private:
    void showAllowedOffsetBases();
    void showOffsetBase();
    void showOffset();
    void showSize();
    void showActualSizeTitle();
    void showOverflow();
    void showRepeats();
    QFrame* popUpBelow(QWidget* anchor, QWidget* content);

    QComboBox* m_offsetBase;
    InspectorNumberTextField* m_x;
    InspectorNumberTextField* m_y;
    InspectorNumberTextField* m_width;
    InspectorNumberTextField* m_height;
    QPushButton* m_actualSize;
    QPushButton* m_overflown;
    QPushButton* m_repeat;
    QToolButton* m_resetRepeat;
    NumberFormatter m_overflownAmountNumberFormatter;
    QPointer<QFrame> m_popUp;
};

} // namespace kestrom
