#pragma once

// The document of one print job: every setting of the job, each changed with
// change notification, range limits and a named undo step, and the choice of
// the device model with everything that follows from it.
//
// Observable keys ("document.<key>" for views), each announced by its setter
// only when the value really changes, with the value face valueForKey() gives:
//   originalImage              OriginalImage::Pointer, empty without a picture
//   imageSize_px               text "640x480" (read-only face)
//   imageOffset_mm             QPointF
//   imageOrientation           int 0...3
//   imageOffsetBase            text, the anchor's string form
//   imageOffsetBaseFourCharCode int, the anchor's four-character code
//   flipsImageHorizontal       bool
//   deviceDescriptor           std::shared_ptr<const DeviceDescriptor>, or empty
//   transportType              text "usb"/"wifi", or empty
//   blackConversionType        text "threshold"/"halftone"
//   canvas                     std::shared_ptr<const Canvas>, or empty
//   currentDeviceSetting       std::shared_ptr<DeviceSetting>, or empty
//   imageRepeatXCount, imageRepeatYCount                  qint64 1...50
//   imageRepeatXMargin_mm, imageRepeatYMargin_mm          double
//   minimumSeparatedXMargin_mm, maximumBlackXLength_mm    double
//   usesMinimumSeparatedXMargin, usesMaximumBlackXLength  bool
//   additionalWhitespaceLength_start_mm, additionalWhitespaceLength_end_mm  double
//   inViewingMode              bool
//   lastDeviceSettingInfos     QVariantMap, the settings remembered per model (not observed)
// setValueForKey() takes the same faces; texts and codes that name nothing
// are ignored, except for transportType, where they mean no transport.
// Derived keys, announced through the keys they depend on:
//   imageSizeForDisplay_px (text "WxH", writable as QSize), imageSizeForDisplay_mm
//   (QSizeF, writable), allImageArea_mm (QRectF), imageOverflownAmount_mm
//   (EdgeInsets), imageOriginalSizeDescription (text), currentBlackConversion
//   (std::shared_ptr<const CurrentBlackConversionReadonlyWrapper>, a new one per
//   read), imageBitmapExpansionLevelText (text),
//   imageBitmapConversionPropertiesAreDefault, horizontalImageSplitPropertiesAreDefault
//   (bool), sequences (no value; tells of any change that moves the print's parts).
// Key paths through owned objects:
//   currentDeviceSetting.<parameter identifier>   (written with clamping and undo)
//   blackConversionOptions.threshold.<key>, blackConversionOptions.halftone.<key>
//   deviceDescriptor.<key>, canvas.<key>          (the model's and canvas's valueForKey)
//   originalImage.<key>   "vector", "widthPerHeight", "fileName", "filePath",
//                         "fileURL", "sizeInfoText"
//
// The plain settings (the turn, the flip, the repeats, the split and the added
// whitespace) are the rows of PrintDocumentPropertyTable.h, which declares
// their getters and setters here; the other keys' faces are listed in
// PrintDocumentKeyFaces.cpp.
//
// Every user change registers one undo step named by UndoActionName; undoing
// runs the same setter, so redo comes for free. Main thread only.

#include "core/document/job/BlackConversionOptions.h"
#include "core/document/job/BlackConversionOptionsWrapper.h"
#include "core/document/job/CurrentBlackConversionReadonlyWrapper.h"
#include "core/document/job/DeviceSetting.h"
#include "core/document/job/EdgeInsets.h"
#include "core/document/job/PrintDocumentPropertyTable.h"
#include "core/document/job/SequenceSplitter.h"
#include "core/document/job/UndoActionName.h"
#include "model/connections/PrintTask.h"
#include "model/descriptions/Canvas.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "model/descriptions/TransportType.h"
#include "model/pictures/BlackConversionType.h"
#include "model/pictures/ImageRotation.h"
#include "model/pictures/OffsetBase.h"
#include "model/pictures/OriginalImage.h"
#include "model/pictures/OriginalImageDrawingOptions.h"
#include "model/units/ClosedRange.h"
#include "model/units/Point_mm.h"
#include "model/units/Rect_mm.h"
#include "model/units/Size_mm.h"
#include "model/units/Size_px.h"
#include "platform/Observable.h"
#include "platform/UndoManager.h"

#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

namespace kestrom {

class ReadOnlyKeyedValues;

// A getter and a setter for each row of the property table.
#define KESTROM_DECLARE_PROPERTY(type, key, Key, ...)                                              \
    type key() const {                                                                             \
        return m_options.key;                                                                      \
    }                                                                                              \
    void set##Key(type value);

class PrintDocument : public platform::Observable {
public:
    using UndoActionName = kestrom::UndoActionName;
    using BlackConversionOptions = kestrom::BlackConversionOptions;
    using DescriptorPointer = std::shared_ptr<const ambrel::DeviceDescriptor>;
    using CanvasPointer = std::shared_ptr<const ambrel::Canvas>;
    using DeviceSettingPointer = std::shared_ptr<DeviceSetting>;

    // The largest repeat count across and down.
    static constexpr qint64 IMAGE_REPEAT_COUNT_MAX = 50;
    // Script error numbers: a model name no plug-in serves, an anchor the
    // model does not allow.
    static constexpr qint64 ScriptErrorNumber_ModelName_Invalid = 8984;
    static constexpr qint64 ScriptErrorNumber_OffsetBase_NotSupported = 40;

    // A new document: the model last chosen ("LastModelName", else the first
    // supported model) with the settings remembered for it. Nothing of the
    // creation can be undone.
    PrintDocument();
    ~PrintDocument() override;
    PrintDocument(const PrintDocument&) = delete;
    PrintDocument& operator=(const PrintDocument&) = delete;

    // The document's undo manager; a document may have none.
    platform::UndoManager* undoManager() const { return m_undoManager.get(); }
    void setUndoManager(std::shared_ptr<platform::UndoManager> undoManager);

    // Where the document is saved; empty for a document never saved.
    const QUrl& fileURL() const { return m_fileURL; }
    void setFileURL(const QUrl& url) { m_fileURL = url; }
    // Whether the document differs from its saved (or created) state: the
    // undo manager's change count since then is not zero.
    bool isDocumentEdited() const;
    // Makes the current state the saved one.
    void markSaved();
    // Makes an earlier state the saved one: the undo manager's change count
    // and state identifier when a save began.
    void markSaved(qint64 changeCount, qint64 stateIdentifier);

    // --- The job's settings -------------------------------------------------

    const ambrel::OriginalImage::Pointer& originalImage() const { return m_originalImage; }
    void setOriginalImage(ambrel::OriginalImage::Pointer image);

    const ambrel::OriginalImageDrawingOptions& originalImageDrawingOptions() const {
        return m_options;
    }

    ambrel::Size_px imageSize_px() const { return m_options.imageSize_px; }
    void setImageSize_px(const ambrel::Size_px& size);
    ambrel::Point_mm imageOffset_mm() const { return m_options.imageOffset_mm; }
    // A coordinate that is not finite is refused.
    void setImageOffset_mm(const ambrel::Point_mm& offset);
    ambrel::OffsetBase imageOffsetBase() const { return m_options.imageOffsetBase; }
    // Only an anchor the model allows is taken; a script asking for another
    // gets ScriptErrorNumber_OffsetBase_NotSupported.
    void setImageOffsetBase(const ambrel::OffsetBase& anchor);

    const DescriptorPointer& deviceDescriptor() const { return m_deviceDescriptor; }
    // Chooses the model: settings, canvas, connection, anchor and conversion
    // type follow it. On an untouched new document this is no undo step.
    void setDeviceDescriptor(DescriptorPointer descriptor);
    std::optional<ambrel::TransportType> transportType() const { return m_transportType; }
    void setTransportType(std::optional<ambrel::TransportType> transportType);
    ambrel::BlackConversionType blackConversionType() const { return m_blackConversionType; }
    void setBlackConversionType(ambrel::BlackConversionType type);
    const CanvasPointer& canvas() const { return m_canvas; }
    void setCanvas(CanvasPointer canvas);
    const DeviceSettingPointer& currentDeviceSetting() const { return m_currentDeviceSetting; }
    void setCurrentDeviceSetting(DeviceSettingPointer setting);
    BlackConversionOptionsWrapper& blackConversionOptions() { return *m_blackConversionOptions; }
    const BlackConversionOptionsWrapper& blackConversionOptions() const {
        return *m_blackConversionOptions;
    }

    // The plain settings of the property table: a getter and a setter each.
    // Setters bring the value into the row's bounds, refuse what the face
    // refuses, and announce and register an undo step only for a change.
    KESTROM_PRINT_DOCUMENT_PROPERTIES(KESTROM_DECLARE_PROPERTY)

    // True while an earlier version is shown read-only; set by the window.
    bool inViewingMode() const { return m_inViewingMode; }
    void setInViewingMode(bool inViewingMode);

    // --- Derived values -----------------------------------------------------

    ambrel::Size_px imageSizeForDisplay_px() const;
    void setImageSizeForDisplay_px(const ambrel::Size_px& size);
    // (0, 0) without a model; writes without a model are ignored.
    ambrel::Size_mm imageSizeForDisplay_mm() const;
    void setImageSizeForDisplay_mm(const ambrel::Size_mm& size);
    ambrel::Rect_mm allImageArea_mm() const;
    EdgeInsets imageOverflownAmount_mm() const;
    QString imageOriginalSizeDescription() const;
    std::shared_ptr<const CurrentBlackConversionReadonlyWrapper> currentBlackConversion() const;
    QString imageBitmapExpansionLevelText() const;
    bool imageBitmapConversionPropertiesAreDefault() const;
    bool horizontalImageSplitPropertiesAreDefault() const;

    // --- Sizes asked for in millimetres ---------------------------------------

    // Keep the picture's ratio; without a picture or a model nothing happens.
    void setImageSizeWithWidthForDisplay_mm(double width_mm);
    void setImageSizeWithHeightForDisplay_mm(double height_mm);
    // The largest size of the picture's ratio in the box (each side at least
    // 5 mm), optionally shared among the repeats.
    void setImageSizeWithMaxSizeForDisplay_mm(const ambrel::Size_mm& box,
                                              bool includingRepeatedImages);

    // --- The print ------------------------------------------------------------

    // The document's print task: the picture placed by the stored options
    // and converted by the current black conversion, with the current
    // setting's values (none without a setting). Throws a ConnectionError for
    // the first check that fails: model, picture, transport, canvas.
    ambrel::PrintTask makePrintTask() const;
    // The areas the print is split into, in millimetres. With a model, a
    // transport, a picture and a connection that splits, the handler gets
    // them later on the main thread and the splitting's progress is returned;
    // otherwise the handler gets an empty list at once and nothing is
    // returned. One connection serves every request of a model and transport.
    std::shared_ptr<platform::Progress>
    getSplittedSequenceAreas_mm(bool isRapidlyRepeated,
                                SequenceSplitter::SequenceAreasHandler handler);
    // How the splitting's connections are made (the model's own by default).
    void setSplittingConnectionMaker(SequenceSplitter::ConnectionMaker maker);

    // --- Commands of the inspector and the menus --------------------------------

    // Each is one undo step of its own name.
    void resetImageRepeatCount();
    void resetHorizontalImageSplit();
    // The options of the given types back to their defaults (the halftone
    // screen's lines per inch stay).
    void resetBlackConversionProperties(const QList<ambrel::BlackConversionType>& types);
    void resetPosition();
    // The offset returns to (0, 0) and the choice is remembered for the
    // model ("LastDeviceSettings"), also when the setter refuses it.
    void changeImageOffsetBase(const ambrel::OffsetBase& anchor);
    void changeCanvas(CanvasPointer canvas);
    // The choice is remembered for the model.
    void changeTransportType(std::optional<ambrel::TransportType> transportType);
    void changeBlackConversionType(ambrel::BlackConversionType type);

    // The settings remembered per model name (see LastDeviceSettings).
    QVariantMap lastDeviceSettingInfos() const;
    void setLastDeviceSettingInfos(const QVariantMap& infos);
    void setLastDeviceSettingValue(const QVariant& value, const QString& keyPath,
                                   const QString& modelName);

    // --- Undo -----------------------------------------------------------------

    // Runs the body as one undo step named by the action, unless an outer
    // step already has a name. Without an undo manager, or with registration
    // off, the body just runs.
    void performUndoGroup(UndoActionName name, const std::function<void()>& body);
    // Registers an undo step when the undo manager records; cost is the
    // bytes the handler keeps alive.
    void registerUndo(std::function<void()> handler, qint64 cost = 0);
    // Whether a user's own change is being made: no script command runs, and
    // an undo manager records and is neither undoing nor redoing.
    bool shouldRegisterUndo() const;

    // --- Key-value faces --------------------------------------------------------

    // Every key valueForKey() answers, in no particular order.
    static QStringList allKeys();
    QVariant valueForKey(const QString& key) const override;
    void setValueForKey(const QString& key, const QVariant& value) override;
    Observable* objectForKey(const QString& key) const override;
    // Writes to "currentDeviceSetting.<identifier>" and
    // "blackConversionOptions.<group>.<key>" go through the document (clamped,
    // undoable, remembered for the model); other paths as usual.
    void setValueForKeyPath(const QString& keyPath, const QVariant& value) override;
    void setCurrentDeviceSettingValue(const QVariant& value, const QString& keyPath);
    void setBlackConversionOptionsValue(const QVariant& value, const QString& keyPath);

    // A picture on its way in: the document counts as taken until the
    // token goes, so that opening a package does not close it as untouched.
    std::shared_ptr<const void> incomingPictureToken() const { return m_incomingPicture; }
    bool hasIncomingPicture() const { return m_incomingPicture.use_count() > 1; }

private:
    void commit(const QString& key, UndoActionName name, const std::function<void()>& store,
                std::function<void()> undo, bool clearsSizeDescription = false,
                qint64 undoCost = 0);
    // The shared body of the plain settings' setters.
    template <typename Face, typename T>
    void changeProperty(const QString& key, UndoActionName name, T& field, T value, double lower,
                        double upper, void (PrintDocument::*setter)(T));
    void writeCurrentDeviceSettingValue(const QVariant& value, const QString& keyPath);
    void applyModel(const DescriptorPointer& descriptor, bool pristine);
    void rememberForModel(const QVariant& value, const QString& key);
    bool isPristine() const;
    void clearOriginalSizeDescription();
    void prepareForPrint() const;
    DeviceSettingPointer rememberedSetting(const ambrel::DeviceDescriptor& descriptor) const;

    std::shared_ptr<platform::UndoManager> m_undoManager;
    QUrl m_fileURL;
    qint64 m_savedChangeCount = 0;
    qint64 m_savedStateIdentifier = 0;

    ambrel::OriginalImageDrawingOptions m_options;
    ambrel::OriginalImage::Pointer m_originalImage;
    DescriptorPointer m_deviceDescriptor;
    CanvasPointer m_canvas;
    std::optional<ambrel::TransportType> m_transportType;
    ambrel::BlackConversionType m_blackConversionType = ambrel::BlackConversionType::threshold;
    std::unique_ptr<BlackConversionOptionsWrapper> m_blackConversionOptions;
    DeviceSettingPointer m_currentDeviceSetting;
    SequenceSplitter m_splitter;
    bool m_inViewingMode = false;
    mutable std::optional<QString> m_imageOriginalSizeDescriptionCache;

    // Key-path links into the unchanging values above.
    std::unique_ptr<ReadOnlyKeyedValues> m_originalImageValues;
    std::unique_ptr<ReadOnlyKeyedValues> m_deviceDescriptorValues;
    std::unique_ptr<ReadOnlyKeyedValues> m_canvasValues;
    std::shared_ptr<const void> m_incomingPicture = std::make_shared<char>();
};

} // namespace kestrom

#undef KESTROM_DECLARE_PROPERTY
