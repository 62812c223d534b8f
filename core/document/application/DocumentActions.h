#pragma once

#include "model/descriptions/TransportType.h"
#include "model/pictures/BlackConversionType.h"
#include "model/pictures/OffsetBase.h"

#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

namespace kestrom {

class DocumentWindowPresenter;
class ImageImport;
class PrintDocument;

// The document's commands of the main menu, the toolbar and the inspector's
// buttons, and the enabling, checking and titles of their menu items. The
// menus call perform() and validate(); nothing here needs a window. Commands
// whose conditions fail do nothing. Main thread only.
class DocumentActions {
public:
    enum class Action {
        none,
        chooseImage,
        resizeImageScaleToFitOrActualSizeIfTooLarge,
        resizeImageToActualSize,
        resizeImageScaleToFit,
        resetImageRepeatCount,
        resetHorizontalImageSplit,
        resetPosition,
        rotateRight,
        rotateLeft,
        // Mirrors the picture left to right, or back; checked while mirrored.
        flipImageHorizontally,
        // The conversion settings of the current conversion type.
        resetBlackConversionProperties,
        paste,
        printDocument,
        // Each takes its choice as the argument: an ambrel::OffsetBase, a
        // canvas identifier, an ambrel::TransportType, an
        // ambrel::BlackConversionType.
        changeImageOffsetBase,
        changeCanvas,
        changeTransportType,
        changeBlackConversionType,
        // Any action of the window or the application.
        other,
    };

    // A menu item as validate() leaves it.
    struct ItemState {
        bool enabled = false;
        bool checked = false;
        // A new title; the item keeps its own when absent.
        std::optional<QString> title;
    };

    DocumentActions(PrintDocument& document, ImageImport& import,
                    std::shared_ptr<DocumentWindowPresenter> presenter);

    // Runs the command; the print command is the window's and is not run here.
    void perform(Action action, const QVariant& argument = {});
    ItemState validate(Action action, const QVariant& argument = {}) const;

    // Opens the panel near the picture's file.
    void chooseImage();
    // Starts loading the clipboard's picture when it holds one.
    void paste();

    // Actual size at the model's resolution, then fitted into the canvas
    // when the picture with its repeats is too large for it: a vector
    // picture when it is wider or taller than the canvas, a raster picture
    // only beyond 1.2 times the canvas. Also run for every new picture.
    static void resizeImageScaleToFitOrActualSizeIfTooLarge(PrintDocument& document);
    static void resizeImageToActualSize(PrintDocument& document);
    // Fits the picture with its repeats into the canvas and clears the offset.
    static void resizeImageScaleToFit(PrintDocument& document);
    // A quarter turn; each one its own undo step.
    static void rotateRight(PrintDocument& document);
    static void rotateLeft(PrintDocument& document);

private:
    PrintDocument& m_document;
    ImageImport& m_import;
    std::shared_ptr<DocumentWindowPresenter> m_presenter;
};

} // namespace kestrom
