#pragma once

// The print document's plain settings, each described once. A row gives
//   type, key, Key (the name after "set"), value face, undo step (the raw
//   value of its UndoActionName),
//   lower bound, upper bound, derived values it affects.
// From the rows come the key constants (DocumentKey), the getters and
// setters of PrintDocument with their clamping, undo step and change
// notification, the key-value faces, the package's save and load under the
// same key, and the dependency tables. A new document and a package that
// lacks a key take the value ambrel::OriginalImageDrawingOptions holds by
// default.
//
// Value faces (see SettingFace.h):
//   Rotation  int 0...3 as a key face, an integer in the package
//   Switch    bool; as a key face any number (non-zero is true)
//   Count     whole number, clamped to the bounds
//   Length    millimetres, clamped to the bounds (upper first); not finite
//             is refused
//   Margin    a Length whose saved value is brought into the window's range
//             (0 ... the largest repeat margin; not finite reads as 0)
// The bounds mean nothing to Rotation and Switch.
//
// The rows run in the order a package applies them.
#define KESTROM_PRINT_DOCUMENT_PROPERTIES(X)                                                       \
    X(ambrel::ImageRotation, imageOrientation, ImageOrientation, Rotation, rotatingImage, 0, 0,    \
      sequences | displaySize | printTurn)                                                         \
    X(bool, flipsImageHorizontal, FlipsImageHorizontal, Switch, flippingImage, 0, 0,               \
      sequences | printTurn)                                                                       \
    X(qint64, imageRepeatXCount, ImageRepeatXCount, Count, changingImageRepeatXCount, 1,           \
      PrintDocument::IMAGE_REPEAT_COUNT_MAX, sequences | imageArea)                                \
    X(qint64, imageRepeatYCount, ImageRepeatYCount, Count, changingImageRepeatYCount, 1,           \
      PrintDocument::IMAGE_REPEAT_COUNT_MAX, sequences | imageArea)                                \
    X(double, imageRepeatXMargin_mm, ImageRepeatXMargin_mm, Margin, changingImageRepeatXMargin,    \
      -INFINITY, INFINITY, sequences | imageArea)                                                  \
    X(double, imageRepeatYMargin_mm, ImageRepeatYMargin_mm, Margin, changingImageRepeatYMargin,    \
      -INFINITY, INFINITY, sequences | imageArea)                                                  \
    X(bool, usesMinimumSeparatedXMargin, UsesMinimumSeparatedXMargin, Switch,                      \
      changingUsesMinimumSeparatedXMargin, 0, 0, sequences | splitDefaults)                        \
    X(bool, usesMaximumBlackXLength, UsesMaximumBlackXLength, Switch,                              \
      changingUsesMaximumBlackXLength, 0, 0, sequences | splitDefaults)                            \
    X(double, minimumSeparatedXMargin_mm, MinimumSeparatedXMargin_mm, Length,                      \
      changingMinimumSeparatedXMargin, 5, 600, sequences | splitDefaults)                          \
    X(double, maximumBlackXLength_mm, MaximumBlackXLength_mm, Length, changingMaximumBlackXLength, \
      30, 600, sequences | splitDefaults)                                                          \
    X(double, additionalWhitespaceLength_start_mm, AdditionalWhitespaceLength_start_mm, Length,    \
      changingAdditionalWhitespaceLength, 0, 100, sequences)                                       \
    X(double, additionalWhitespaceLength_end_mm, AdditionalWhitespaceLength_end_mm, Length,        \
      changingAdditionalWhitespaceLength, 0, 100, sequences)

namespace kestrom::PropertyEffect {

// The derived values a plain setting takes part in.
enum : unsigned {
    sequences = 1u << 0,     // "sequences"
    displaySize = 1u << 1,   // "imageSizeForDisplay_px"
    imageArea = 1u << 2,     // "allImageArea_mm"
    splitDefaults = 1u << 3, // "horizontalImageSplitPropertiesAreDefault" and its reset
    printTurn = 1u << 4,     // the turn a colour picture's gray is prepared in for the print
    // Of the conversion options (ConversionOptionTable.h):
    conversion = 1u << 5,    // "currentBlackConversion" and
                             // "imageBitmapConversionPropertiesAreDefault"
    expansionText = 1u << 6, // "imageBitmapExpansionLevelText"
};

} // namespace kestrom::PropertyEffect
