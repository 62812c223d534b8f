// The print document's key-value faces: for every key, how valueForKey()
// reads it and how setValueForKey() converts what it is given before the
// typed setter runs. The plain settings come from the property table; the
// rest is listed here, one line a key.

#include "core/document/job/DocumentKey.h"
#include "core/document/job/OptionValue.h"
#include "core/document/job/PrintDocument.h"
#include "core/document/job/SettingFace.h"

#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QSizeF>

#include <cmath>
#include <limits>
#include <type_traits>

using namespace ambrel;

namespace kestrom {

namespace {

using D = PrintDocument;

// How one key is read and written; no writer means writes are not taken.
struct KeyFace {
    QVariant (*read)(const D&) = nullptr;
    void (*write)(D&, const QVariant&) = nullptr;
};

template <typename Face, auto getter, auto setter = nullptr> KeyFace face() {
    KeyFace f;
    f.read = [](const D& d) -> QVariant { return Face::read((d.*getter)()); };
    if constexpr (!std::is_null_pointer_v<decltype(setter)>) {
        f.write = [](D& d, const QVariant& value) {
            if (auto converted = Face::write(value)) {
                (d.*setter)(*std::move(converted));
            }
        };
    }
    return f;
}

// An object the document holds: no value means none; a value of another
// kind names nothing, so it must not clear what the document holds.
template <typename Pointer> struct Object {
    static QVariant read(const Pointer& pointer) {
        return pointer ? QVariant::fromValue(pointer) : QVariant();
    }
    static std::optional<Pointer> write(const QVariant& value) {
        if (!value.isValid()) {
            return Pointer();
        }
        if (value.metaType() == QMetaType::fromType<Pointer>()) {
            return value.value<Pointer>();
        }
        return std::nullopt;
    }
};

// A value the variant holds as it is; read-only.
struct Plain {
    template <typename T> static QVariant read(const T& value) { return QVariant(value); }
};

// A value of a registered type; read-only.
struct Wrapped {
    template <typename T> static QVariant read(const T& value) {
        return QVariant::fromValue(value);
    }
};

// A named case read and written as its raw text; texts that name nothing are
// ignored.
template <typename T> struct RawText {
    static QVariant read(const T& value) { return value.rawValue(); }
    static std::optional<T> write(const QVariant& value) {
        return T::fromRawValue(value.toString());
    }
};

// The anchor's four-character code; an anchor without one reads as the
// centre's.
struct AnchorCode {
    static QVariant read(const OffsetBase& anchor) {
        const auto code = anchor.fourCharCode();
        return code ? *code : *OffsetBase::center.fourCharCode();
    }
    static std::optional<OffsetBase> write(const QVariant& value) {
        const auto code = OptionValue::wholeNumber(value);
        if (!code || *code < std::numeric_limits<qint32>::min() ||
            *code > std::numeric_limits<qint32>::max()) {
            return std::nullopt;
        }
        return OffsetBase::fromFourCharCode(qint32(*code));
    }
};

// Anything but the two names means no transport.
struct Transport {
    static QVariant read(const std::optional<TransportType>& type) {
        return type ? QVariant(type->rawValue()) : QVariant();
    }
    static std::optional<std::optional<TransportType>> write(const QVariant& value) {
        return value.typeId() == QMetaType::QString ? TransportType::fromRawValue(value.toString())
                                                    : std::nullopt;
    }
};

struct Offset {
    static QVariant read(const Point_mm& offset) { return offset.toQPointF(); }
    static std::optional<Point_mm> write(const QVariant& value) {
        if (value.typeId() == QMetaType::QPointF || value.typeId() == QMetaType::QPoint) {
            return Point_mm::fromQPointF(value.toPointF());
        }
        return std::nullopt;
    }
};

std::optional<QSizeF> sizeFace(const QVariant& value) {
    if (value.typeId() == QMetaType::QSizeF || value.typeId() == QMetaType::QSize) {
        return value.toSizeF();
    }
    return std::nullopt;
}

// Pixels as the text "WxH"; written as a size of whole pixels, refusing a
// side that is negative, not finite or beyond the 64-bit range.
struct Pixels {
    static QVariant read(const Size_px& size) {
        return QString::number(size.width) + QLatin1Char('x') + QString::number(size.height);
    }
    static std::optional<Size_px> write(const QVariant& value) {
        const auto size = sizeFace(value);
        const auto fits = [](double side) { return side >= 0 && side < 9.2233720368547758e18; };
        if (!size || !fits(size->width()) || !fits(size->height())) {
            return std::nullopt;
        }
        return Size_px{qint64(size->width()), qint64(size->height())};
    }
};

struct Millimetres {
    static QVariant read(const Size_mm& size) { return size.toQSizeF(); }
    static std::optional<Size_mm> write(const QVariant& value) {
        const auto size = sizeFace(value);
        return size ? std::optional<Size_mm>(Size_mm::fromQSizeF(*size)) : std::nullopt;
    }
};

struct Area {
    static QVariant read(const Rect_mm& rect) { return rect.toQRectF(); }
};

struct Settings {
    static QVariant read(const QVariantMap& infos) { return infos; }
    static std::optional<QVariantMap> write(const QVariant& value) { return value.toMap(); }
};

const QHash<QString, KeyFace>& keyFaces() {
    static const QHash<QString, KeyFace> faces = [] {
        QHash<QString, KeyFace> f{
            {DocumentKey::originalImage,
             face<Object<OriginalImage::Pointer>, &D::originalImage, &D::setOriginalImage>()},
            // A read-only face: writes are dropped without a word.
            {DocumentKey::imageSize_px,
             {face<Pixels, &D::imageSize_px>().read, [](D&, const QVariant&) {}}},
            {DocumentKey::imageOffset_mm,
             face<Offset, &D::imageOffset_mm, &D::setImageOffset_mm>()},
            {DocumentKey::imageOffsetBase,
             face<RawText<OffsetBase>, &D::imageOffsetBase, &D::setImageOffsetBase>()},
            {DocumentKey::imageOffsetBaseFourCharCode,
             face<AnchorCode, &D::imageOffsetBase, &D::setImageOffsetBase>()},
            {DocumentKey::deviceDescriptor,
             face<Object<D::DescriptorPointer>, &D::deviceDescriptor, &D::setDeviceDescriptor>()},
            {DocumentKey::transportType,
             face<Transport, &D::transportType, &D::setTransportType>()},
            {DocumentKey::blackConversionType,
             face<RawText<BlackConversionType>, &D::blackConversionType,
                  &D::setBlackConversionType>()},
            {DocumentKey::canvas, face<Object<D::CanvasPointer>, &D::canvas, &D::setCanvas>()},
            {DocumentKey::currentDeviceSetting,
             face<Object<D::DeviceSettingPointer>, &D::currentDeviceSetting,
                  &D::setCurrentDeviceSetting>()},
            {DocumentKey::inViewingMode,
             face<SettingFace::Switch, &D::inViewingMode, &D::setInViewingMode>()},
            {DocumentKey::lastDeviceSettingInfos,
             face<Settings, &D::lastDeviceSettingInfos, &D::setLastDeviceSettingInfos>()},
            {DocumentKey::imageSizeForDisplay_px,
             face<Pixels, &D::imageSizeForDisplay_px, &D::setImageSizeForDisplay_px>()},
            {DocumentKey::imageSizeForDisplay_mm,
             face<Millimetres, &D::imageSizeForDisplay_mm, &D::setImageSizeForDisplay_mm>()},
            {DocumentKey::allImageArea_mm, face<Area, &D::allImageArea_mm>()},
            {DocumentKey::imageOverflownAmount_mm, face<Wrapped, &D::imageOverflownAmount_mm>()},
            {DocumentKey::imageOriginalSizeDescription,
             face<Plain, &D::imageOriginalSizeDescription>()},
            {DocumentKey::currentBlackConversion, face<Wrapped, &D::currentBlackConversion>()},
            {DocumentKey::imageBitmapExpansionLevelText,
             face<Plain, &D::imageBitmapExpansionLevelText>()},
            {DocumentKey::imageBitmapConversionPropertiesAreDefault,
             face<Plain, &D::imageBitmapConversionPropertiesAreDefault>()},
            {DocumentKey::horizontalImageSplitPropertiesAreDefault,
             face<Plain, &D::horizontalImageSplitPropertiesAreDefault>()},
            // No value of its own.
            {DocumentKey::sequences, {[](const D&) { return QVariant(); }, nullptr}},
        };
#define KESTROM_PROPERTY_FACE(type, key, Key, Face, ...)                                           \
    f.insert(DocumentKey::key, face<SettingFace::Face, &D::key, &D::set##Key>());
        KESTROM_PRINT_DOCUMENT_PROPERTIES(KESTROM_PROPERTY_FACE)
#undef KESTROM_PROPERTY_FACE
        return f;
    }();
    return faces;
}

} // namespace

QVariant PrintDocument::valueForKey(const QString& key) const {
    if (const auto face = keyFaces().constFind(key); face != keyFaces().cend()) {
        return face->read(*this);
    }
    return Observable::valueForKey(key);
}

void PrintDocument::setValueForKey(const QString& key, const QVariant& value) {
    if (const auto face = keyFaces().constFind(key); face != keyFaces().cend() && face->write) {
        return face->write(*this, value);
    }
    Observable::setValueForKey(key, value);
}

QStringList PrintDocument::allKeys() {
    return keyFaces().keys();
}

} // namespace kestrom
