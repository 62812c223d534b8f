#include "core/document/PrintDocument.h"

#include "core/document/DocumentKey.h"
#include "core/document/ImagePlacement.h"
#include "core/document/KestromText.h"
#include "core/document/LastDeviceSettings.h"
#include "core/document/OptionValue.h"
#include "core/document/ReadOnlyKeyedValues.h"
#include "core/document/UndoPicture.h"
#include "imaging/print/DeviceBlackConversionInfo.h"
#include "model/AnyValue.h"
#include "platform/ScriptCommand.h"
#include "platform/UserDefaults.h"

#include <QPointF>
#include <QRectF>
#include <QRegularExpression>
#include <QSize>
#include <QSizeF>

#include <cmath>
#include <limits>

using namespace ambrel;

namespace kestrom {

namespace {

const QString kLastModelName = QStringLiteral("LastModelName");

using Name = UndoActionName::Case;

QString sizeText(const Size_px& size) {
    return QString::number(size.width) + QLatin1Char('x') + QString::number(size.height);
}

// Lengths are clamped to the maximum first, then to the minimum.
double clampedLength(double value, double lower, double upper) {
    if (value > upper) {
        value = upper;
    }
    if (value < lower) {
        value = lower;
    }
    return value;
}

constexpr ClosedRange<double> unlimited{-std::numeric_limits<double>::infinity(),
                                        std::numeric_limits<double>::infinity()};

qint64 clampedRepeatCount(qint64 count) {
    return std::clamp<qint64>(count, 1, PrintDocument::IMAGE_REPEAT_COUNT_MAX);
}

std::optional<bool> boolean(const QVariant& value) {
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool();
    }
    if (AnyValue::isNumber(value)) {
        return value.toDouble() != 0;
    }
    return std::nullopt;
}

std::optional<Point_mm> point(const QVariant& value) {
    if (value.typeId() == QMetaType::QPointF || value.typeId() == QMetaType::QPoint) {
        return Point_mm::fromQPointF(value.toPointF());
    }
    return std::nullopt;
}

std::optional<QSizeF> size(const QVariant& value) {
    if (value.typeId() == QMetaType::QSizeF || value.typeId() == QMetaType::QSize) {
        return value.toSizeF();
    }
    return std::nullopt;
}

bool finite(const Point_mm& p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

QVariant originalImageValue(const OriginalImage& image, const QString& key) {
    if (key == QLatin1String("vector")) {
        return image.isVector();
    }
    if (key == QLatin1String("widthPerHeight")) {
        return image.widthPerHeight();
    }
    if (key == QLatin1String("fileName")) {
        return image.fileName();
    }
    if (key == QLatin1String("filePath")) {
        return image.filePath();
    }
    if (key == QLatin1String("fileURL")) {
        return image.fileURL();
    }
    if (key == QLatin1String("sizeInfoText")) {
        return image.sizeInfoText();
    }
    return {};
}

// The keyed face of an unchanging value, or nothing without one.
template <typename Pointer, typename Read>
std::unique_ptr<ReadOnlyKeyedValues> keyedValues(const Pointer& pointer, Read read) {
    if (!pointer) {
        return nullptr;
    }
    return std::make_unique<ReadOnlyKeyedValues>(
        [pointer, read](const QString& key) { return read(*pointer, key); });
}

template <typename Pointer> QVariant pointerValue(const Pointer& pointer) {
    return pointer ? QVariant::fromValue(pointer) : QVariant();
}

// The object a key face is given: no value means none; a value of another
// kind names nothing, so it must not clear what the document holds.
template <typename Pointer> std::optional<Pointer> pointer(const QVariant& value) {
    if (!value.isValid()) {
        return Pointer();
    }
    if (value.metaType() == QMetaType::fromType<Pointer>()) {
        return value.value<Pointer>();
    }
    return std::nullopt;
}

// A whole pixel count from a size face; nothing for a side that is negative,
// not finite or beyond the 64-bit range.
std::optional<Size_px> pixelSize(const QSizeF& size) {
    const auto fits = [](double side) { return side >= 0 && side < 9.2233720368547758e18; };
    if (!fits(size.width()) || !fits(size.height())) {
        return std::nullopt;
    }
    return Size_px{qint64(size.width()), qint64(size.height())};
}

} // namespace

PrintDocument::PrintDocument()
    : m_undoManager(std::make_shared<platform::UndoManager>()),
      m_blackConversionOptions(std::make_unique<BlackConversionOptionsWrapper>()) {
    const QStringList optionKeyPaths = [] {
        QStringList paths;
        for (const QString& path : BlackConversionOptionsWrapper::allKeyPaths()) {
            paths.append(DocumentKey::blackConversionOptions + QLatin1Char('.') + path);
        }
        return paths;
    }();
    setKeyPathsAffectingKey(DocumentKey::imageSizeForDisplay_px,
                            {DocumentKey::imageOrientation, DocumentKey::imageSize_px});
    setKeyPathsAffectingKey(DocumentKey::imageSizeForDisplay_mm,
                            {DocumentKey::imageSizeForDisplay_px, DocumentKey::deviceDescriptor});
    setKeyPathsAffectingKey(DocumentKey::allImageArea_mm,
                            {DocumentKey::deviceDescriptor, DocumentKey::imageOffset_mm,
                             DocumentKey::imageSizeForDisplay_mm, DocumentKey::imageOffsetBase,
                             DocumentKey::imageRepeatXCount, DocumentKey::imageRepeatYCount,
                             DocumentKey::imageRepeatXMargin_mm,
                             DocumentKey::imageRepeatYMargin_mm});
    setKeyPathsAffectingKey(
        DocumentKey::imageOverflownAmount_mm,
        {DocumentKey::deviceDescriptor, DocumentKey::allImageArea_mm, DocumentKey::canvas});
    setKeyPathsAffectingKey(DocumentKey::currentBlackConversion,
                            QStringList{DocumentKey::blackConversionType} + optionKeyPaths);
    setKeyPathsAffectingKey(DocumentKey::imageBitmapExpansionLevelText,
                            {QStringLiteral("blackConversionOptions.threshold.expansionLevel")});
    setKeyPathsAffectingKey(DocumentKey::imageBitmapConversionPropertiesAreDefault,
                            QStringList{DocumentKey::blackConversionType} + optionKeyPaths);
    setKeyPathsAffectingKey(
        DocumentKey::horizontalImageSplitPropertiesAreDefault,
        {DocumentKey::usesMinimumSeparatedXMargin, DocumentKey::usesMaximumBlackXLength,
         DocumentKey::minimumSeparatedXMargin_mm, DocumentKey::maximumBlackXLength_mm});
    setKeyPathsAffectingKey(
        DocumentKey::sequences,
        {DocumentKey::originalImage, DocumentKey::deviceDescriptor,
         QStringLiteral("blackConversionOptions.threshold.threshold"),
         QStringLiteral("blackConversionOptions.threshold.expansionLevel"),
         DocumentKey::imageOffset_mm, DocumentKey::imageSize_px, DocumentKey::imageOrientation,
         DocumentKey::imageOffsetBase, DocumentKey::flipsImageHorizontal,
         DocumentKey::imageRepeatXCount, DocumentKey::imageRepeatYCount,
         DocumentKey::imageRepeatXMargin_mm, DocumentKey::imageRepeatYMargin_mm,
         DocumentKey::minimumSeparatedXMargin_mm, DocumentKey::maximumBlackXLength_mm,
         DocumentKey::usesMinimumSeparatedXMargin, DocumentKey::usesMaximumBlackXLength,
         DocumentKey::additionalWhitespaceLength_start_mm,
         DocumentKey::additionalWhitespaceLength_end_mm});
    // The anchor's code is another face of the anchor.
    setKeyPathsAffectingKey(DocumentKey::imageOffsetBaseFourCharCode,
                            {DocumentKey::imageOffsetBase});

    m_undoManager->setGroupsByEvent(true);
    m_undoManager->disableUndoRegistration();

    const auto& supported = DeviceDescriptor::supported();
    if (!supported.isEmpty()) {
        const QString lastModelName = platform::UserDefaults::standard().string(kLastModelName);
        DescriptorPointer descriptor = supported.first();
        for (const auto& d : supported) {
            if (d->modelName() == lastModelName) {
                descriptor = d;
                break;
            }
        }
        const DeviceSettingPointer setting = rememberedSetting(*descriptor);
        OffsetBase anchor = setting->imageOffsetBase().value_or(OffsetBase::center);
        if (!descriptor->allowedOffsetBases().contains(anchor) &&
            !descriptor->allowedOffsetBases().isEmpty()) {
            anchor = descriptor->allowedOffsetBases().first();
        }
        m_currentDeviceSetting = setting;
        setDeviceDescriptor(descriptor);
        setImageOffsetBase(anchor);
    }

    m_undoManager->enableUndoRegistration();
}

PrintDocument::~PrintDocument() {
    if (m_undoManager) {
        m_undoManager->removeAllActions(this);
    }
}

void PrintDocument::setUndoManager(std::shared_ptr<platform::UndoManager> undoManager) {
    if (m_undoManager) {
        m_undoManager->removeAllActions(this);
    }
    m_undoManager = std::move(undoManager);
    markSaved();
}

// The count alone cannot tell a saved state from another one reached by
// undoing and then changing something else; the top step can.
bool PrintDocument::isDocumentEdited() const {
    return m_undoManager && (m_undoManager->changeCount() != m_savedChangeCount ||
                             m_undoManager->stateIdentifier() != m_savedStateIdentifier);
}

void PrintDocument::markSaved() {
    markSaved(m_undoManager ? m_undoManager->changeCount() : 0,
              m_undoManager ? m_undoManager->stateIdentifier() : 0);
}

void PrintDocument::markSaved(qint64 changeCount, qint64 stateIdentifier) {
    m_savedChangeCount = changeCount;
    m_savedStateIdentifier = stateIdentifier;
}

// --- Undo --------------------------------------------------------------------

void PrintDocument::performUndoGroup(UndoActionName name, const std::function<void()>& body) {
    platform::UndoManager* manager = m_undoManager.get();
    if (!manager || !manager->isUndoRegistrationEnabled()) {
        body();
        return;
    }
    manager->beginUndoGrouping();
    if (manager->undoActionName().isEmpty()) {
        manager->setActionName(name.displayedName());
    }
    body();
    manager->endUndoGrouping();
}

void PrintDocument::registerUndo(std::function<void()> handler, qint64 cost) {
    if (m_undoManager && m_undoManager->isUndoRegistrationEnabled()) {
        m_undoManager->registerUndo(std::move(handler), this, cost);
    }
}

bool PrintDocument::shouldRegisterUndo() const {
    if (platform::ScriptCommand::current()) {
        return false;
    }
    return m_undoManager && m_undoManager->isUndoRegistrationEnabled() &&
           !m_undoManager->isUndoing() && !m_undoManager->isRedoing();
}

// Announces the key around the store and the undo registration; a change of
// the picture or the canvas also forgets the size text.
void PrintDocument::commit(const QString& key, UndoActionName name,
                           const std::function<void()>& store, std::function<void()> undo,
                           bool clearsSizeDescription, qint64 undoCost) {
    notifyChangingValue(key, [&] {
        store();
        performUndoGroup(name, [&] { registerUndo(std::move(undo), undoCost); });
        if (clearsSizeDescription) {
            clearOriginalSizeDescription();
        }
    });
}

void PrintDocument::clearOriginalSizeDescription() {
    notifyChangingValue(DocumentKey::imageOriginalSizeDescription,
                        [&] { m_imageOriginalSizeDescriptionCache.reset(); });
}

// --- Settable properties -------------------------------------------------------

void PrintDocument::setOriginalImage(OriginalImage::Pointer image) {
    if (image == m_originalImage) {
        return;
    }
    // The step keeps the old picture's file bytes rather than its pixels.
    const auto old = std::make_shared<const UndoPicture>(m_originalImage);
    commit(
        DocumentKey::originalImage, Name::changingImage,
        [&] {
            m_originalImage = std::move(image);
            m_originalImageValues = keyedValues(m_originalImage, originalImageValue);
        },
        [this, old] {
            if (const auto restored = old->restore()) {
                setOriginalImage(*restored);
            }
        },
        true, old->cost());
}

void PrintDocument::setImageSize_px(const Size_px& size) {
    if (size == m_options.imageSize_px) {
        return;
    }
    const Size_px old = m_options.imageSize_px;
    commit(
        DocumentKey::imageSize_px, Name::resizingImage, [&] { m_options.imageSize_px = size; },
        [this, old] { setImageSize_px(old); });
}

void PrintDocument::setImageOffset_mm(const Point_mm& offset) {
    if (!finite(offset) || offset == m_options.imageOffset_mm) {
        return;
    }
    const Point_mm old = m_options.imageOffset_mm;
    commit(
        DocumentKey::imageOffset_mm, Name::movingImage, [&] { m_options.imageOffset_mm = offset; },
        [this, old] { setImageOffset_mm(old); });
}

void PrintDocument::setImageOrientation(ImageRotation orientation) {
    if (orientation == m_options.imageOrientation) {
        return;
    }
    const ImageRotation old = m_options.imageOrientation;
    commit(
        DocumentKey::imageOrientation, Name::rotatingImage,
        [&] { m_options.imageOrientation = orientation; },
        [this, old] { setImageOrientation(old); });
}

void PrintDocument::setImageOffsetBase(const OffsetBase& anchor) {
    if (anchor == m_options.imageOffsetBase) {
        return;
    }
    // Undo and redo bring back an anchor of an earlier state; the steps of a
    // model change may restore it before the model that allows it.
    const bool restoring =
        m_undoManager && (m_undoManager->isUndoing() || m_undoManager->isRedoing());
    if (!restoring &&
        (!m_deviceDescriptor || !m_deviceDescriptor->allowedOffsetBases().contains(anchor))) {
        if (const auto command = platform::ScriptCommand::current()) {
            command->setScriptErrorNumber(int(ScriptErrorNumber_OffsetBase_NotSupported));
            command->setScriptErrorString(
                QStringLiteral("The machine does not support this offset base."));
        }
        return;
    }
    const OffsetBase old = m_options.imageOffsetBase;
    commit(
        DocumentKey::imageOffsetBase, Name::changingOffsetBase,
        [&] { m_options.imageOffsetBase = anchor; }, [this, old] { setImageOffsetBase(old); });
}

void PrintDocument::setFlipsImageHorizontal(bool flips) {
    if (flips == m_options.flipsImageHorizontal) {
        return;
    }
    commit(
        DocumentKey::flipsImageHorizontal, Name::flippingImage,
        [&] { m_options.flipsImageHorizontal = flips; },
        [this, flips] { setFlipsImageHorizontal(!flips); });
}

void PrintDocument::setTransportType(std::optional<TransportType> transportType) {
    if (transportType == m_transportType) {
        return;
    }
    const auto old = m_transportType;
    commit(
        DocumentKey::transportType, Name::changingTransportType,
        [&] { m_transportType = transportType; }, [this, old] { setTransportType(old); });
}

void PrintDocument::setBlackConversionType(BlackConversionType type) {
    if (type == m_blackConversionType) {
        return;
    }
    const BlackConversionType old = m_blackConversionType;
    commit(
        DocumentKey::blackConversionType, Name::changingBlackConversionType,
        [&] { m_blackConversionType = type; }, [this, old] { setBlackConversionType(old); });
}

void PrintDocument::setCanvas(CanvasPointer canvas) {
    const bool equal = canvas && m_canvas ? *canvas == *m_canvas : canvas == m_canvas;
    if (equal) {
        return;
    }
    const CanvasPointer old = m_canvas;
    commit(
        DocumentKey::canvas, Name::changingCanvas,
        [&] {
            m_canvas = std::move(canvas);
            m_canvasValues = keyedValues(
                m_canvas, [](const Canvas& c, const QString& key) { return c.valueForKey(key); });
        },
        [this, old] { setCanvas(old); }, true);
}

void PrintDocument::setCurrentDeviceSetting(DeviceSettingPointer setting) {
    if (setting == m_currentDeviceSetting) {
        return;
    }
    const DeviceSettingPointer old = m_currentDeviceSetting;
    commit(
        DocumentKey::currentDeviceSetting, Name::changingDeviceSetting,
        [&] { m_currentDeviceSetting = std::move(setting); },
        [this, old] { setCurrentDeviceSetting(old); });
}

void PrintDocument::setImageRepeatXCount(qint64 count) {
    count = clampedRepeatCount(count);
    if (count == m_options.imageRepeatXCount) {
        return;
    }
    const qint64 old = m_options.imageRepeatXCount;
    commit(
        DocumentKey::imageRepeatXCount, Name::changingImageRepeatXCount,
        [&] { m_options.imageRepeatXCount = count; }, [this, old] { setImageRepeatXCount(old); });
}

void PrintDocument::setImageRepeatYCount(qint64 count) {
    count = clampedRepeatCount(count);
    if (count == m_options.imageRepeatYCount) {
        return;
    }
    const qint64 old = m_options.imageRepeatYCount;
    commit(
        DocumentKey::imageRepeatYCount, Name::changingImageRepeatYCount,
        [&] { m_options.imageRepeatYCount = count; }, [this, old] { setImageRepeatYCount(old); });
}

void PrintDocument::changeLength(const QString& key, UndoActionName name, double& field,
                                 double value, ClosedRange<double> range,
                                 void (PrintDocument::*setter)(double)) {
    if (!std::isfinite(value)) {
        return;
    }
    value = clampedLength(value, range.lowerBound, range.upperBound);
    if (value == field) {
        return;
    }
    const double old = field;
    commit(
        key, name, [&] { field = value; }, [this, setter, old] { (this->*setter)(old); });
}

void PrintDocument::changeSwitch(const QString& key, UndoActionName name, bool& field, bool value,
                                 void (PrintDocument::*setter)(bool)) {
    if (value == field) {
        return;
    }
    commit(
        key, name, [&] { field = value; }, [this, setter, value] { (this->*setter)(!value); });
}

void PrintDocument::setImageRepeatXMargin_mm(double margin) {
    changeLength(DocumentKey::imageRepeatXMargin_mm, Name::changingImageRepeatXMargin,
                 m_options.imageRepeatXMargin_mm, margin, unlimited,
                 &PrintDocument::setImageRepeatXMargin_mm);
}

void PrintDocument::setImageRepeatYMargin_mm(double margin) {
    changeLength(DocumentKey::imageRepeatYMargin_mm, Name::changingImageRepeatYMargin,
                 m_options.imageRepeatYMargin_mm, margin, unlimited,
                 &PrintDocument::setImageRepeatYMargin_mm);
}

void PrintDocument::setMinimumSeparatedXMargin_mm(double margin) {
    changeLength(DocumentKey::minimumSeparatedXMargin_mm, Name::changingMinimumSeparatedXMargin,
                 m_options.minimumSeparatedXMargin_mm, margin, {5, 600},
                 &PrintDocument::setMinimumSeparatedXMargin_mm);
}

void PrintDocument::setMaximumBlackXLength_mm(double length) {
    changeLength(DocumentKey::maximumBlackXLength_mm, Name::changingMaximumBlackXLength,
                 m_options.maximumBlackXLength_mm, length, {30, 600},
                 &PrintDocument::setMaximumBlackXLength_mm);
}

void PrintDocument::setUsesMinimumSeparatedXMargin(bool uses) {
    changeSwitch(DocumentKey::usesMinimumSeparatedXMargin,
                 Name::changingUsesMinimumSeparatedXMargin, m_options.usesMinimumSeparatedXMargin,
                 uses, &PrintDocument::setUsesMinimumSeparatedXMargin);
}

void PrintDocument::setUsesMaximumBlackXLength(bool uses) {
    changeSwitch(DocumentKey::usesMaximumBlackXLength, Name::changingUsesMaximumBlackXLength,
                 m_options.usesMaximumBlackXLength, uses,
                 &PrintDocument::setUsesMaximumBlackXLength);
}

void PrintDocument::setAdditionalWhitespaceLength_start_mm(double length) {
    changeLength(DocumentKey::additionalWhitespaceLength_start_mm,
                 Name::changingAdditionalWhitespaceLength,
                 m_options.additionalWhitespaceLength_start_mm, length, {0, 100},
                 &PrintDocument::setAdditionalWhitespaceLength_start_mm);
}

void PrintDocument::setAdditionalWhitespaceLength_end_mm(double length) {
    changeLength(DocumentKey::additionalWhitespaceLength_end_mm,
                 Name::changingAdditionalWhitespaceLength,
                 m_options.additionalWhitespaceLength_end_mm, length, {0, 100},
                 &PrintDocument::setAdditionalWhitespaceLength_end_mm);
}

void PrintDocument::setInViewingMode(bool inViewingMode) {
    if (inViewingMode == m_inViewingMode) {
        return;
    }
    notifyChangingValue(DocumentKey::inViewingMode, [&] { m_inViewingMode = inViewingMode; });
}

// --- The model -------------------------------------------------------------------

bool PrintDocument::isPristine() const {
    // Undo and redo of a model change are never the first choice of a model.
    if (m_undoManager && (m_undoManager->isUndoing() || m_undoManager->isRedoing())) {
        return false;
    }
    return m_fileURL.isEmpty() && !isDocumentEdited() &&
           (!m_undoManager || !m_undoManager->canUndo());
}

PrintDocument::DeviceSettingPointer
PrintDocument::rememberedSetting(const DeviceDescriptor& descriptor) const {
    auto setting = std::make_shared<DeviceSetting>(descriptor);
    const QVariantMap remembered = lastDeviceSettingInfos().value(descriptor.modelName()).toMap();
    if (!remembered.isEmpty()) {
        setting->loadDictionaryForSave(remembered);
    }
    return setting;
}

void PrintDocument::setDeviceDescriptor(DescriptorPointer descriptor) {
    if (descriptor == m_deviceDescriptor) {
        return;
    }
    notifyChangingValue(DocumentKey::deviceDescriptor, [&] {
        const bool pristine = isPristine();
        platform::UndoManager* manager = m_undoManager.get();
        if (pristine && manager && manager->canRedo()) {
            manager->removeAllActions();
        }
        if (manager && manager->isUndoRegistrationEnabled()) {
            if (pristine) {
                manager->disableUndoRegistration();
                applyModel(descriptor, pristine);
                manager->enableUndoRegistration();
            } else {
                performUndoGroup(Name::changingPrinterModel,
                                 [&] { applyModel(descriptor, pristine); });
            }
        } else {
            applyModel(descriptor, pristine);
        }
        if (shouldRegisterUndo() && m_deviceDescriptor) {
            platform::UserDefaults::standard().setString(kLastModelName,
                                                         m_deviceDescriptor->modelName());
        }
    });
}

void PrintDocument::applyModel(const DescriptorPointer& descriptor, bool pristine) {
    const DescriptorPointer old = m_deviceDescriptor;
    m_deviceDescriptor = descriptor;
    m_deviceDescriptorValues =
        keyedValues(m_deviceDescriptor, [](const DeviceDescriptor& d, const QString& key) {
            return d.valueForKey(key);
        });
    const bool undoingOrRedoing =
        m_undoManager && (m_undoManager->isUndoing() || m_undoManager->isRedoing());
    if (descriptor) {
        setCurrentDeviceSetting(rememberedSetting(*descriptor));
    }
    if (descriptor && !undoingOrRedoing) {
        const DeviceSettingPointer remembered = rememberedSetting(*descriptor);
        const auto& canvases = descriptor->canvases();
        const bool keepsCanvas =
            !pristine && m_canvas &&
            std::any_of(canvases.begin(), canvases.end(),
                        [&](const CanvasPointer& c) { return *c == *m_canvas; });
        if (!keepsCanvas) {
            CanvasPointer chosen;
            if (const auto identifier = remembered->canvasIdentifier()) {
                for (const auto& c : canvases) {
                    if (c->identifier() == *identifier) {
                        chosen = c;
                        break;
                    }
                }
            }
            if (!chosen && m_canvas) {
                for (const auto& c : canvases) {
                    if (c->size_mm() == m_canvas->size_mm()) {
                        chosen = c;
                        break;
                    }
                }
            }
            if (!chosen && !canvases.isEmpty()) {
                chosen = canvases.first();
            }
            setCanvas(chosen);
        }
        const auto& allowed = descriptor->allowedOffsetBases();
        if (pristine) {
            const auto& transports = descriptor->transportTypes();
            std::optional<TransportType> transport;
            if (const auto identifier = remembered->transportTypeIdentifier()) {
                transport = TransportType::fromRawValue(*identifier);
            }
            if (!transport || !transports.contains(*transport)) {
                transport = transports.isEmpty() ? std::nullopt
                                                 : std::optional<TransportType>(transports.first());
            }
            setTransportType(transport);
        }
        if (pristine || !allowed.contains(m_options.imageOffsetBase)) {
            const auto rememberedAnchor = remembered->imageOffsetBase();
            if (rememberedAnchor && allowed.contains(*rememberedAnchor)) {
                setImageOffsetBase(*rememberedAnchor);
            } else if (allowed.contains(OffsetBase::center)) {
                setImageOffsetBase(OffsetBase::center);
            } else if (!allowed.isEmpty()) {
                setImageOffsetBase(allowed.first());
            }
        }
        const auto available = descriptor->additionalInfos()
                                   .valueOrDefault<quenta::DeviceBlackConversionInfo>()
                                   .availableConversionTypes();
        const auto rememberedType = remembered->blackConversionType();
        if (rememberedType && available.contains(*rememberedType)) {
            setBlackConversionType(*rememberedType);
        } else if (!available.isEmpty()) {
            setBlackConversionType(available.first());
        }
        setImageOffset_mm({0, 0});
    }
    if (m_undoManager && m_undoManager->isUndoRegistrationEnabled()) {
        registerUndo([this, old] { setDeviceDescriptor(old); });
    }
    clearOriginalSizeDescription();
}

// --- Derived values -------------------------------------------------------------

Size_px PrintDocument::imageSizeForDisplay_px() const {
    return ImagePlacement::displayed(m_options.imageSize_px, m_options.imageOrientation);
}

void PrintDocument::setImageSizeForDisplay_px(const Size_px& size) {
    setImageSize_px(ImagePlacement::displayed(size, m_options.imageOrientation));
}

Size_mm PrintDocument::imageSizeForDisplay_mm() const {
    return ImagePlacement::displayedSize_mm(
        imageSizeForDisplay_px(),
        m_deviceDescriptor ? std::optional<Dpi>(m_deviceDescriptor->dpi()) : std::nullopt);
}

void PrintDocument::setImageSizeForDisplay_mm(const Size_mm& size) {
    if (!m_deviceDescriptor) {
        return;
    }
    if (const auto stored = ImagePlacement::storedSize_px(size, m_options.imageOrientation,
                                                          m_deviceDescriptor->dpi())) {
        setImageSize_px(*stored);
    }
}

Rect_mm PrintDocument::allImageArea_mm() const {
    const ImagePlacement::Repeats repeats{m_options.imageRepeatXCount, m_options.imageRepeatYCount,
                                          m_options.imageRepeatXMargin_mm,
                                          m_options.imageRepeatYMargin_mm};
    return ImagePlacement::allImageArea(imageSizeForDisplay_mm(), repeats,
                                        m_canvas ? std::optional<Size_mm>(m_canvas->size_mm())
                                                 : std::nullopt,
                                        m_options.imageOffset_mm, m_options.imageOffsetBase);
}

EdgeInsets PrintDocument::imageOverflownAmount_mm() const {
    return ImagePlacement::overflownAmount(
        allImageArea_mm(), m_canvas ? std::optional<Size_mm>(m_canvas->size_mm()) : std::nullopt);
}

QString PrintDocument::imageOriginalSizeDescription() const {
    if (!m_imageOriginalSizeDescriptionCache) {
        QString text;
        if (m_originalImage) {
            text = m_originalImage->sizeInfoText(
                m_deviceDescriptor ? std::optional<Dpi>(m_deviceDescriptor->dpi()) : std::nullopt);
        }
        m_imageOriginalSizeDescriptionCache = text;
    }
    return *m_imageOriginalSizeDescriptionCache;
}

std::shared_ptr<const CurrentBlackConversionReadonlyWrapper>
PrintDocument::currentBlackConversion() const {
    const BlackConversion conversion =
        m_blackConversionType == BlackConversionType::halftone
            ? BlackConversion::halftone(m_blackConversionOptions->halftone().rawValue())
            : BlackConversion::threshold(m_blackConversionOptions->threshold().rawValue());
    return std::make_shared<const CurrentBlackConversionReadonlyWrapper>(conversion);
}

QString PrintDocument::imageBitmapExpansionLevelText() const {
    const qint64 level = m_blackConversionOptions->threshold().expansionLevel();
    if (level == 0) {
        return KestromText::text(
            QStringLiteral("PrintDocument_imageBitmapExpansionLevelText_None"));
    }
    return level > 0 ? QLatin1Char('+') + QString::number(level) : QString::number(level);
}

bool PrintDocument::imageBitmapConversionPropertiesAreDefault() const {
    if (m_blackConversionType == BlackConversionType::halftone) {
        const auto& o = m_blackConversionOptions->halftone().rawValue();
        return o.linesPerInch == 20 && o.angle_deg == 30 && o.brightnessFactor == 0 &&
               o.blackClampFactor == 0 && o.whiteClampFactor == 0;
    }
    const auto& o = m_blackConversionOptions->threshold().rawValue();
    return o.threshold == 0.5 && o.expansionLevel == 0;
}

bool PrintDocument::horizontalImageSplitPropertiesAreDefault() const {
    return m_options.usesMinimumSeparatedXMargin && m_options.usesMaximumBlackXLength &&
           m_options.minimumSeparatedXMargin_mm == 70 && m_options.maximumBlackXLength_mm == 150;
}

// --- Sizes asked for in millimetres -------------------------------------------------

void PrintDocument::setImageSizeWithWidthForDisplay_mm(double width_mm) {
    if (!m_originalImage || !m_deviceDescriptor) {
        return;
    }
    if (const auto size = ImagePlacement::sizeForDisplayWidth(
            width_mm, m_originalImage->widthPerHeight(), m_deviceDescriptor->dpi(),
            m_options.imageOrientation)) {
        setImageSize_px(*size);
    }
}

void PrintDocument::setImageSizeWithHeightForDisplay_mm(double height_mm) {
    if (!m_originalImage || !m_deviceDescriptor) {
        return;
    }
    if (const auto size = ImagePlacement::sizeForDisplayHeight(
            height_mm, m_originalImage->widthPerHeight(), m_deviceDescriptor->dpi(),
            m_options.imageOrientation)) {
        setImageSize_px(*size);
    }
}

void PrintDocument::setImageSizeWithMaxSizeForDisplay_mm(const Size_mm& box,
                                                         bool includingRepeatedImages) {
    if (!m_originalImage) {
        return;
    }
    std::optional<ImagePlacement::Repeats> repeats;
    if (includingRepeatedImages) {
        repeats = ImagePlacement::Repeats{m_options.imageRepeatXCount, m_options.imageRepeatYCount,
                                          m_options.imageRepeatXMargin_mm,
                                          m_options.imageRepeatYMargin_mm};
    }
    if (const auto size = ImagePlacement::fittedDisplaySize(box, m_originalImage->widthPerHeight(),
                                                            m_options.imageOrientation, repeats)) {
        setImageSizeForDisplay_mm(*size);
    }
}

// --- Commands ------------------------------------------------------------------------

void PrintDocument::resetImageRepeatCount() {
    performUndoGroup(Name::resettingImageRepeatCount, [&] {
        setImageRepeatXCount(1);
        setImageRepeatYCount(1);
    });
}

void PrintDocument::resetHorizontalImageSplit() {
    performUndoGroup(Name::resettingHorizontalImageSplit, [&] {
        setUsesMinimumSeparatedXMargin(true);
        setUsesMaximumBlackXLength(true);
        setMinimumSeparatedXMargin_mm(70.0);
        setMaximumBlackXLength_mm(150.0);
    });
}

void PrintDocument::resetBlackConversionProperties(const QList<BlackConversionType>& types) {
    performUndoGroup(Name::resettingBitmapConversionProperties, [&] {
        if (types.contains(BlackConversionType::threshold)) {
            setValueForKeyPath(QStringLiteral("blackConversionOptions.threshold.threshold"), 0.5);
            setValueForKeyPath(QStringLiteral("blackConversionOptions.threshold.expansionLevel"),
                               qint64(0));
        }
        if (types.contains(BlackConversionType::halftone)) {
            for (const char* key : {"blackClampFactor", "whiteClampFactor", "brightnessFactor"}) {
                setValueForKeyPath(
                    QStringLiteral("blackConversionOptions.halftone.") + QLatin1String(key), 0.0);
            }
        }
    });
}

void PrintDocument::resetPosition() {
    if (!m_originalImage) {
        return;
    }
    performUndoGroup(Name::resettingImagePosition, [&] { setImageOffset_mm({0, 0}); });
}

void PrintDocument::rememberForModel(const QVariant& value, const QString& key) {
    if (m_deviceDescriptor) {
        setLastDeviceSettingValue(value, key, m_deviceDescriptor->modelName());
    }
}

void PrintDocument::changeImageOffsetBase(const OffsetBase& anchor) {
    performUndoGroup(Name::changingOffsetBase, [&] {
        setImageOffset_mm({0, 0});
        setImageOffsetBase(anchor);
    });
    rememberForModel(QVariant::fromValue(anchor), DocumentKey::imageOffsetBase);
}

void PrintDocument::changeCanvas(CanvasPointer canvas) {
    performUndoGroup(Name::changingCanvas, [&] {
        setImageOffset_mm({0, 0});
        setCanvas(std::move(canvas));
    });
    rememberForModel(m_canvas ? QVariant(m_canvas->identifier()) : QVariant(),
                     QStringLiteral("canvasIdentifier"));
}

void PrintDocument::changeTransportType(std::optional<TransportType> transportType) {
    setTransportType(transportType);
    rememberForModel(m_transportType ? QVariant(m_transportType->rawValue()) : QVariant(),
                     QStringLiteral("transportTypeIdentifier"));
}

void PrintDocument::changeBlackConversionType(BlackConversionType type) {
    setBlackConversionType(type);
    rememberForModel(QVariant::fromValue(m_blackConversionType), DocumentKey::blackConversionType);
}

QVariantMap PrintDocument::lastDeviceSettingInfos() const {
    return LastDeviceSettings::lastDeviceSettingInfos();
}

void PrintDocument::setLastDeviceSettingInfos(const QVariantMap& infos) {
    LastDeviceSettings::setLastDeviceSettingInfos(infos);
}

void PrintDocument::setLastDeviceSettingValue(const QVariant& value, const QString& keyPath,
                                              const QString& modelName) {
    LastDeviceSettings::setLastDeviceSettingValue(value, keyPath, modelName);
}

// --- Key-value faces ----------------------------------------------------------------

QVariant PrintDocument::valueForKey(const QString& key) const {
    using Reader = std::function<QVariant(const PrintDocument&)>;
    using D = PrintDocument;
    static const QHash<QString, Reader> readers = {
        {DocumentKey::originalImage, [](const D& d) { return pointerValue(d.m_originalImage); }},
        {DocumentKey::imageSize_px,
         [](const D& d) { return QVariant(sizeText(d.m_options.imageSize_px)); }},
        {DocumentKey::imageOffset_mm,
         [](const D& d) { return QVariant(d.m_options.imageOffset_mm.toQPointF()); }},
        {DocumentKey::imageOrientation,
         [](const D& d) { return QVariant(d.m_options.imageOrientation.rawValue()); }},
        {DocumentKey::imageOffsetBase,
         [](const D& d) { return QVariant(d.m_options.imageOffsetBase.rawValue()); }},
        {DocumentKey::imageOffsetBaseFourCharCode,
         [](const D& d) {
             const auto code = d.m_options.imageOffsetBase.fourCharCode();
             return QVariant(code ? *code : *OffsetBase::center.fourCharCode());
         }},
        {DocumentKey::flipsImageHorizontal,
         [](const D& d) { return QVariant(d.m_options.flipsImageHorizontal); }},
        {DocumentKey::deviceDescriptor,
         [](const D& d) { return pointerValue(d.m_deviceDescriptor); }},
        {DocumentKey::transportType,
         [](const D& d) {
             return d.m_transportType ? QVariant(d.m_transportType->rawValue()) : QVariant();
         }},
        {DocumentKey::blackConversionType,
         [](const D& d) { return QVariant(d.m_blackConversionType.rawValue()); }},
        {DocumentKey::canvas, [](const D& d) { return pointerValue(d.m_canvas); }},
        {DocumentKey::currentDeviceSetting,
         [](const D& d) { return pointerValue(d.m_currentDeviceSetting); }},
        {DocumentKey::imageRepeatXCount,
         [](const D& d) { return QVariant(d.m_options.imageRepeatXCount); }},
        {DocumentKey::imageRepeatYCount,
         [](const D& d) { return QVariant(d.m_options.imageRepeatYCount); }},
        {DocumentKey::imageRepeatXMargin_mm,
         [](const D& d) { return QVariant(d.m_options.imageRepeatXMargin_mm); }},
        {DocumentKey::imageRepeatYMargin_mm,
         [](const D& d) { return QVariant(d.m_options.imageRepeatYMargin_mm); }},
        {DocumentKey::minimumSeparatedXMargin_mm,
         [](const D& d) { return QVariant(d.m_options.minimumSeparatedXMargin_mm); }},
        {DocumentKey::maximumBlackXLength_mm,
         [](const D& d) { return QVariant(d.m_options.maximumBlackXLength_mm); }},
        {DocumentKey::usesMinimumSeparatedXMargin,
         [](const D& d) { return QVariant(d.m_options.usesMinimumSeparatedXMargin); }},
        {DocumentKey::usesMaximumBlackXLength,
         [](const D& d) { return QVariant(d.m_options.usesMaximumBlackXLength); }},
        {DocumentKey::additionalWhitespaceLength_start_mm,
         [](const D& d) { return QVariant(d.m_options.additionalWhitespaceLength_start_mm); }},
        {DocumentKey::additionalWhitespaceLength_end_mm,
         [](const D& d) { return QVariant(d.m_options.additionalWhitespaceLength_end_mm); }},
        {DocumentKey::inViewingMode, [](const D& d) { return QVariant(d.m_inViewingMode); }},
        {DocumentKey::imageSizeForDisplay_px,
         [](const D& d) { return QVariant(sizeText(d.imageSizeForDisplay_px())); }},
        {DocumentKey::imageSizeForDisplay_mm,
         [](const D& d) { return QVariant(d.imageSizeForDisplay_mm().toQSizeF()); }},
        {DocumentKey::allImageArea_mm,
         [](const D& d) { return QVariant(d.allImageArea_mm().toQRectF()); }},
        {DocumentKey::imageOverflownAmount_mm,
         [](const D& d) { return QVariant::fromValue(d.imageOverflownAmount_mm()); }},
        {DocumentKey::imageOriginalSizeDescription,
         [](const D& d) { return QVariant(d.imageOriginalSizeDescription()); }},
        {DocumentKey::currentBlackConversion,
         [](const D& d) { return QVariant::fromValue(d.currentBlackConversion()); }},
        {DocumentKey::imageBitmapExpansionLevelText,
         [](const D& d) { return QVariant(d.imageBitmapExpansionLevelText()); }},
        {DocumentKey::imageBitmapConversionPropertiesAreDefault,
         [](const D& d) { return QVariant(d.imageBitmapConversionPropertiesAreDefault()); }},
        {DocumentKey::horizontalImageSplitPropertiesAreDefault,
         [](const D& d) { return QVariant(d.horizontalImageSplitPropertiesAreDefault()); }},
        {DocumentKey::sequences, [](const D&) { return QVariant(); }},
        {DocumentKey::lastDeviceSettingInfos,
         [](const D& d) { return QVariant(d.lastDeviceSettingInfos()); }},
    };
    if (const auto reader = readers.constFind(key); reader != readers.cend()) {
        return (*reader)(*this);
    }
    return Observable::valueForKey(key);
}

void PrintDocument::setValueForKey(const QString& key, const QVariant& value) {
    if (key == DocumentKey::originalImage) {
        if (const auto image = pointer<OriginalImage::Pointer>(value)) {
            setOriginalImage(*image);
        }
        return;
    }
    if (key == DocumentKey::imageSize_px) {
        return; // a read-only face
    }
    if (key == DocumentKey::imageOffset_mm) {
        if (const auto p = point(value)) {
            setImageOffset_mm(*p);
        }
        return;
    }
    if (key == DocumentKey::imageOrientation) {
        if (const auto raw = OptionValue::wholeNumber(value)) {
            if (const auto orientation = ImageRotation::fromRawValue(*raw)) {
                setImageOrientation(*orientation);
            }
        }
        return;
    }
    if (key == DocumentKey::imageOffsetBase) {
        if (const auto anchor = OffsetBase::fromRawValue(value.toString())) {
            setImageOffsetBase(*anchor);
        }
        return;
    }
    if (key == DocumentKey::imageOffsetBaseFourCharCode) {
        const auto code = OptionValue::wholeNumber(value);
        if (code && *code >= std::numeric_limits<qint32>::min() &&
            *code <= std::numeric_limits<qint32>::max()) {
            if (const auto anchor = OffsetBase::fromFourCharCode(qint32(*code))) {
                setImageOffsetBase(*anchor);
            }
        }
        return;
    }
    if (key == DocumentKey::flipsImageHorizontal) {
        if (const auto b = boolean(value)) {
            setFlipsImageHorizontal(*b);
        }
        return;
    }
    if (key == DocumentKey::deviceDescriptor) {
        if (const auto descriptor = pointer<DescriptorPointer>(value)) {
            setDeviceDescriptor(*descriptor);
        }
        return;
    }
    if (key == DocumentKey::transportType) {
        // Anything but the two names means no transport.
        return setTransportType(value.typeId() == QMetaType::QString
                                    ? TransportType::fromRawValue(value.toString())
                                    : std::nullopt);
    }
    if (key == DocumentKey::blackConversionType) {
        if (const auto type = BlackConversionType::fromRawValue(value.toString())) {
            setBlackConversionType(*type);
        }
        return;
    }
    if (key == DocumentKey::canvas) {
        if (const auto canvas = pointer<CanvasPointer>(value)) {
            setCanvas(*canvas);
        }
        return;
    }
    if (key == DocumentKey::currentDeviceSetting) {
        if (const auto setting = pointer<DeviceSettingPointer>(value)) {
            setCurrentDeviceSetting(*setting);
        }
        return;
    }
    if (key == DocumentKey::imageRepeatXCount || key == DocumentKey::imageRepeatYCount) {
        if (const auto count = OptionValue::wholeNumber(value)) {
            key == DocumentKey::imageRepeatXCount ? setImageRepeatXCount(*count)
                                                  : setImageRepeatYCount(*count);
        }
        return;
    }
    using LengthSetter = void (PrintDocument::*)(double);
    static const QHash<QString, LengthSetter> lengths = {
        {DocumentKey::imageRepeatXMargin_mm, &PrintDocument::setImageRepeatXMargin_mm},
        {DocumentKey::imageRepeatYMargin_mm, &PrintDocument::setImageRepeatYMargin_mm},
        {DocumentKey::minimumSeparatedXMargin_mm, &PrintDocument::setMinimumSeparatedXMargin_mm},
        {DocumentKey::maximumBlackXLength_mm, &PrintDocument::setMaximumBlackXLength_mm},
        {DocumentKey::additionalWhitespaceLength_start_mm,
         &PrintDocument::setAdditionalWhitespaceLength_start_mm},
        {DocumentKey::additionalWhitespaceLength_end_mm,
         &PrintDocument::setAdditionalWhitespaceLength_end_mm},
    };
    if (const auto setter = lengths.value(key)) {
        if (const auto number = OptionValue::finiteNumber(value)) {
            (this->*setter)(*number);
        }
        return;
    }
    using SwitchSetter = void (PrintDocument::*)(bool);
    static const QHash<QString, SwitchSetter> switches = {
        {DocumentKey::usesMinimumSeparatedXMargin, &PrintDocument::setUsesMinimumSeparatedXMargin},
        {DocumentKey::usesMaximumBlackXLength, &PrintDocument::setUsesMaximumBlackXLength},
        {DocumentKey::inViewingMode, &PrintDocument::setInViewingMode},
    };
    if (const auto setter = switches.value(key)) {
        if (const auto b = boolean(value)) {
            (this->*setter)(*b);
        }
        return;
    }
    if (key == DocumentKey::lastDeviceSettingInfos) {
        return setLastDeviceSettingInfos(value.toMap());
    }
    if (key == DocumentKey::imageSizeForDisplay_px) {
        if (const auto s = size(value)) {
            if (const auto pixels = pixelSize(*s)) {
                setImageSizeForDisplay_px(*pixels);
            }
        }
        return;
    }
    if (key == DocumentKey::imageSizeForDisplay_mm) {
        if (const auto s = size(value)) {
            setImageSizeForDisplay_mm(Size_mm::fromQSizeF(*s));
        }
        return;
    }
    Observable::setValueForKey(key, value);
}

platform::Observable* PrintDocument::objectForKey(const QString& key) const {
    if (key == DocumentKey::currentDeviceSetting) {
        return m_currentDeviceSetting.get();
    }
    if (key == DocumentKey::blackConversionOptions) {
        return m_blackConversionOptions.get();
    }
    if (key == DocumentKey::originalImage) {
        return m_originalImageValues.get();
    }
    if (key == DocumentKey::deviceDescriptor) {
        return m_deviceDescriptorValues.get();
    }
    if (key == DocumentKey::canvas) {
        return m_canvasValues.get();
    }
    return Observable::objectForKey(key);
}

// --- Key-path writes into the nested settings ------------------------------------------

void PrintDocument::setValueForKeyPath(const QString& keyPath, const QVariant& value) {
    static const QRegularExpression deviceSetting(QStringLiteral("^currentDeviceSetting\\.(.+)$"));
    static const QRegularExpression options(QStringLiteral("^blackConversionOptions\\.(.+)$"));
    if (const auto match = deviceSetting.match(keyPath); match.hasMatch()) {
        return setCurrentDeviceSettingValue(value, match.captured(1));
    }
    if (const auto match = options.match(keyPath); match.hasMatch()) {
        return setBlackConversionOptionsValue(value, match.captured(1));
    }
    Observable::setValueForKeyPath(keyPath, value);
}

void PrintDocument::setCurrentDeviceSettingValue(const QVariant& value, const QString& keyPath) {
    if (!value.isValid()) {
        return;
    }
    writeCurrentDeviceSettingValue(value, keyPath);
}

// Also the undo of a write: an empty value then removes the key again.
void PrintDocument::writeCurrentDeviceSettingValue(const QVariant& value, const QString& keyPath) {
    const DeviceSettingPointer setting = m_currentDeviceSetting;
    if (!setting) {
        return;
    }
    QVariant stored = value;
    if (value.isValid() && (AnyValue::isNumber(value) || value.typeId() == QMetaType::Bool)) {
        const double number = value.toDouble();
        if (!std::isfinite(number)) {
            return;
        }
        if (m_deviceDescriptor) {
            for (const auto& parameter : m_deviceDescriptor->parameterProperties()) {
                if (parameter->identifier() != keyPath) {
                    continue;
                }
                if (parameter->kind() == DeviceSettingParameter::Kind::number) {
                    const auto& numberParameter = static_cast<const NumberParameter&>(*parameter);
                    stored = numberParameter.constrainValue(number);
                }
                break;
            }
        }
    }
    const QVariant old = setting->valueForKeyPath(keyPath);
    if (!AnyValue::equal(old, stored)) {
        performUndoGroup(Name::changingDeviceSetting, [&] {
            registerUndo([this, old, keyPath] { writeCurrentDeviceSettingValue(old, keyPath); });
        });
        setting->setValueForKeyPath(keyPath, stored);
    }
    // The user's choice is remembered even when the document held it already.
    if (stored.isValid() && shouldRegisterUndo() && m_deviceDescriptor) {
        setLastDeviceSettingValue(stored, keyPath, m_deviceDescriptor->modelName());
    }
}

// The value an option takes for a write: the option objects' own rule, run
// on a copy that nobody observes.
QVariant PrintDocument::fittedOptionValue(const QString& keyPath, const QVariant& value) const {
    const QString group = keyPath.section(QLatin1Char('.'), 0, 0);
    const QString key = keyPath.section(QLatin1Char('.'), 1);
    if (group == QLatin1String("threshold")) {
        ThresholdWrapper scratch(m_blackConversionOptions->threshold().rawValue());
        scratch.setValueForKey(key, value);
        return scratch.valueForKey(key);
    }
    HalftoneWrapper scratch(m_blackConversionOptions->halftone().rawValue());
    scratch.setValueForKey(key, value);
    return scratch.valueForKey(key);
}

void PrintDocument::setBlackConversionOptionsValue(const QVariant& value, const QString& keyPath) {
    const auto rawName = BlackConversionOptionsWrapper::undoActionName(keyPath);
    const auto name = rawName ? UndoActionName::fromRawValue(*rawName) : std::nullopt;
    if (!name || !OptionValue::finiteNumber(value)) {
        return;
    }
    const QVariant old = m_blackConversionOptions->valueForKeyPath(keyPath);
    if (AnyValue::equal(old, fittedOptionValue(keyPath, value))) {
        return;
    }
    performUndoGroup(*name, [&] {
        registerUndo([this, old, keyPath] { setBlackConversionOptionsValue(old, keyPath); });
    });
    m_blackConversionOptions->setValueForKeyPath(keyPath, value);
}

} // namespace kestrom
