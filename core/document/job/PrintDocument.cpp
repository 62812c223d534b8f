#include "core/document/job/PrintDocument.h"

#include "core/document/job/ConversionOptionTable.h"
#include "core/document/job/DocumentKey.h"
#include "core/document/job/Framework.h"
#include "core/document/job/ImagePlacement.h"
#include "core/document/job/KestromText.h"
#include "core/document/job/LastDeviceSettings.h"
#include "core/document/job/OptionValue.h"
#include "core/document/job/ReadOnlyKeyedValues.h"
#include "core/document/job/SettingFace.h"
#include "core/document/job/UndoPicture.h"
#include "imaging/print/DeviceBlackConversionInfo.h"
#include "model/parameters/AnyValue.h"
#include "platform/ScriptCommand.h"
#include "platform/UserDefaults.h"

#include <QRegularExpression>

#include <cmath>

using namespace ambrel;

namespace kestrom {

namespace {

const QString kLastModelName = QStringLiteral("LastModelName");

using Name = UndoActionName;

bool finite(const Point_mm& p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// The keys of the plain settings that take part in a derived value.
QStringList propertyKeys(unsigned effect) {
    using namespace PropertyEffect;
    QStringList keys;
#define KESTROM_PROPERTY_KEY(type, key, Key, Face, undo, lower, upper, effects)                    \
    if (effect & (effects)) {                                                                      \
        keys.append(DocumentKey::key);                                                             \
    }
    KESTROM_PRINT_DOCUMENT_PROPERTIES(KESTROM_PROPERTY_KEY)
#undef KESTROM_PROPERTY_KEY
    return keys;
}

QVariant originalImageValue(const OriginalImage& image, const QString& key) {
    namespace Picture = DocumentKey::Picture;
    if (key == Picture::vector) {
        return image.isVector();
    }
    if (key == Picture::widthPerHeight) {
        return image.widthPerHeight();
    }
    if (key == Picture::fileName) {
        return image.fileName();
    }
    if (key == Picture::filePath) {
        return image.filePath();
    }
    if (key == Picture::fileURL) {
        return image.fileURL();
    }
    if (key == Picture::sizeInfoText) {
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

} // namespace

PrintDocument::PrintDocument()
    : m_undoManager(std::make_shared<platform::UndoManager>()),
      m_blackConversionOptions(std::make_unique<BlackConversionOptionsWrapper>()) {
    // The options' paths from the document, of the rows with the effects.
    const auto optionKeyPaths = [](unsigned effects) {
        QStringList paths;
        for (const QString& path : BlackConversionOptionsWrapper::keyPaths(effects)) {
            paths.append(DocumentKey::blackConversionOptions + QLatin1Char('.') + path);
        }
        return paths;
    };
    using namespace PropertyEffect;
    setKeyPathsAffectingKey(DocumentKey::imageSizeForDisplay_px,
                            propertyKeys(displaySize) + QStringList{DocumentKey::imageSize_px});
    setKeyPathsAffectingKey(DocumentKey::imageSizeForDisplay_mm,
                            {DocumentKey::imageSizeForDisplay_px, DocumentKey::deviceDescriptor});
    setKeyPathsAffectingKey(DocumentKey::allImageArea_mm,
                            QStringList{DocumentKey::deviceDescriptor, DocumentKey::imageOffset_mm,
                                        DocumentKey::imageSizeForDisplay_mm,
                                        DocumentKey::imageOffsetBase} +
                                propertyKeys(imageArea));
    setKeyPathsAffectingKey(
        DocumentKey::imageOverflownAmount_mm,
        {DocumentKey::deviceDescriptor, DocumentKey::allImageArea_mm, DocumentKey::canvas});
    setKeyPathsAffectingKey(DocumentKey::currentBlackConversion,
                            QStringList{DocumentKey::blackConversionType} +
                                optionKeyPaths(conversion));
    setKeyPathsAffectingKey(DocumentKey::imageBitmapExpansionLevelText,
                            optionKeyPaths(expansionText));
    setKeyPathsAffectingKey(DocumentKey::imageBitmapConversionPropertiesAreDefault,
                            QStringList{DocumentKey::blackConversionType} +
                                optionKeyPaths(conversion));
    setKeyPathsAffectingKey(DocumentKey::horizontalImageSplitPropertiesAreDefault,
                            propertyKeys(splitDefaults));
    setKeyPathsAffectingKey(DocumentKey::sequences,
                            QStringList{DocumentKey::originalImage, DocumentKey::deviceDescriptor} +
                                optionKeyPaths(sequences) +
                                QStringList{DocumentKey::imageOffset_mm, DocumentKey::imageSize_px,
                                            DocumentKey::imageOffsetBase} +
                                propertyKeys(sequences));
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
    static const QStringList printTurnKeys = propertyKeys(PropertyEffect::printTurn);
    if (key == DocumentKey::originalImage || printTurnKeys.contains(key)) {
        prepareForPrint();
    }
}

// A colour picture's gray, turned as the print turns it, and the model's
// page memory are made while the user looks at the picture, so that the
// print, the first one too, adds only its own work.
void PrintDocument::prepareForPrint() const {
    if (m_originalImage) {
        m_originalImage->prepareForGrayPrint(m_options);
        if (m_deviceDescriptor) {
            m_deviceDescriptor->prepareForPrint();
        }
    }
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

template <typename Face, typename T>
void PrintDocument::changeProperty(const QString& key, UndoActionName name, T& field, T value,
                                   double lower, double upper, void (PrintDocument::*setter)(T)) {
    const std::optional<T> fitted = Face::fit(value, lower, upper);
    if (!fitted || *fitted == field) {
        return;
    }
    const T old = field;
    commit(
        key, name, [&] { field = *fitted; }, [this, setter, old] { (this->*setter)(old); });
}

#define KESTROM_DEFINE_PROPERTY_SETTER(type, key, Key, Face, undo, lower, upper, ...)              \
    void PrintDocument::set##Key(type value) {                                                     \
        changeProperty<SettingFace::Face>(DocumentKey::key, UndoActionName(#undo), m_options.key,  \
                                          value, lower, upper, &PrintDocument::set##Key);          \
    }
KESTROM_PRINT_DOCUMENT_PROPERTIES(KESTROM_DEFINE_PROPERTY_SETTER)
#undef KESTROM_DEFINE_PROPERTY_SETTER

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
    if (m_originalImage && m_deviceDescriptor) {
        m_deviceDescriptor->prepareForPrint();
    }
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
    const qint64 level = m_blackConversionOptions->threshold().rawValue().expansionLevel;
    if (level == 0) {
        return KestromText::text(
            QStringLiteral("PrintDocument_imageBitmapExpansionLevelText_None"));
    }
    return level > 0 ? QLatin1Char('+') + QString::number(level) : QString::number(level);
}

bool PrintDocument::imageBitmapConversionPropertiesAreDefault() const {
    if (m_blackConversionType == BlackConversionType::halftone) {
        return m_blackConversionOptions->halftone().rawValue() == BlackConversionHalftoneOption{};
    }
    return m_blackConversionOptions->threshold().rawValue() == BlackConversionThresholdOption{};
}

bool PrintDocument::horizontalImageSplitPropertiesAreDefault() const {
    using namespace PropertyEffect;
    const OriginalImageDrawingOptions defaults;
    bool isDefault = true;
#define KESTROM_COMPARE_SPLIT_DEFAULT(type, key, Key, Face, undo, lower, upper, effects)           \
    if (splitDefaults & (effects)) {                                                               \
        isDefault = isDefault && m_options.key == defaults.key;                                    \
    }
    KESTROM_PRINT_DOCUMENT_PROPERTIES(KESTROM_COMPARE_SPLIT_DEFAULT)
#undef KESTROM_COMPARE_SPLIT_DEFAULT
    return isDefault;
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
        using namespace PropertyEffect;
        const OriginalImageDrawingOptions defaults;
#define KESTROM_RESET_SPLIT_DEFAULT(type, key, Key, Face, undo, lower, upper, effects)             \
    if (splitDefaults & (effects)) {                                                               \
        set##Key(defaults.key);                                                                    \
    }
        KESTROM_PRINT_DOCUMENT_PROPERTIES(KESTROM_RESET_SPLIT_DEFAULT)
#undef KESTROM_RESET_SPLIT_DEFAULT
    });
}

void PrintDocument::resetBlackConversionProperties(const QList<BlackConversionType>& types) {
    // Each option its reset returns, to the value its struct is made with.
    const auto reset = [this]<typename Values>(const Values& defaults) {
        for (const auto& row : ConversionOptionTable::Group<Values>::rows) {
            if (row.resets) {
                setValueForKeyPath(ConversionOptionTable::optionPath(row), row.read(defaults));
            }
        }
    };
    performUndoGroup(Name::resettingBitmapConversionProperties, [&] {
        if (types.contains(BlackConversionType::threshold)) {
            reset(BlackConversionThresholdOption{});
        }
        if (types.contains(BlackConversionType::halftone)) {
            reset(BlackConversionHalftoneOption{});
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
                     DocumentKey::Package::canvasIdentifier);
}

void PrintDocument::changeTransportType(std::optional<TransportType> transportType) {
    setTransportType(transportType);
    rememberForModel(m_transportType ? QVariant(m_transportType->rawValue()) : QVariant(),
                     DocumentKey::Package::transportTypeIdentifier);
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
    const auto pathsUnder = [](const QString& key) {
        return QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(key) +
                                  QStringLiteral("\\.(.+)$"));
    };
    static const QRegularExpression deviceSetting = pathsUnder(DocumentKey::currentDeviceSetting);
    static const QRegularExpression options = pathsUnder(DocumentKey::blackConversionOptions);
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
void PrintDocument::setBlackConversionOptionsValue(const QVariant& value, const QString& keyPath) {
    const auto name = BlackConversionOptionsWrapper::undoActionName(keyPath);
    const auto fitted = BlackConversionOptionsWrapper::fittedValue(keyPath, value);
    if (!name || !fitted) {
        return;
    }
    const QVariant old = m_blackConversionOptions->valueForKeyPath(keyPath);
    if (AnyValue::equal(old, *fitted)) {
        return;
    }
    performUndoGroup(*name, [&] {
        registerUndo([this, old, keyPath] { setBlackConversionOptionsValue(old, keyPath); });
    });
    m_blackConversionOptions->setValueForKeyPath(keyPath, value);
}

} // namespace kestrom
