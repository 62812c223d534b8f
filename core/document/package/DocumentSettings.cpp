#include "core/document/package/DocumentSettings.h"

#include "core/document/job/DocumentKey.h"
#include "core/document/job/ImagePlacement.h"
#include "core/document/job/LastDeviceSettings.h"
#include "core/document/job/PackageValue.h"
#include "core/document/job/PlacementLimits.h"
#include "core/document/job/PrintDocument.h"
#include "core/document/job/SettingFace.h"
#include "core/document/package/DocumentFileError.h"
#include "core/document/package/SettingsReadingError.h"
#include "platform/ApplicationInfo.h"
#include "platform/PropertyList.h"
#include "platform/graphics/ImageLimits.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace ambrel;

namespace kestrom {

const QString DocumentSettings::minimumApplicationVersion = QStringLiteral("1.0");

namespace {

namespace Package = DocumentKey::Package;

constexpr auto real = &PackageValue::real;
constexpr auto integer = &PackageValue::integer;
constexpr auto text = &PackageValue::text;
constexpr auto dictionary = &PackageValue::dictionary;

double realOr(const QVariantMap& d, const QString& k, double fallback) {
    return real(d.value(k)).value_or(fallback);
}

qint64 integerOr(const QVariantMap& d, const QString& k, qint64 fallback) {
    return integer(d.value(k)).value_or(fallback);
}

// A point dictionary {X, Y} of finite numbers, else (0, 0).
Point_mm pointFrom(const QVariant& v) {
    const auto d = dictionary(v);
    const auto x = d ? real(d->value(Package::x)) : std::nullopt;
    const auto y = d ? real(d->value(Package::y)) : std::nullopt;
    if (!x || !y || !std::isfinite(*x) || !std::isfinite(*y)) {
        return {0, 0};
    }
    return {*x, *y};
}

// A size dictionary {Width, Height} truncated to whole pixels, else (0, 0).
// Sides that are negative or too large for any picture count as not valid.
Size_px sizeFrom(const QVariant& v) {
    const auto d = dictionary(v);
    const auto w = d ? real(d->value(Package::width)) : std::nullopt;
    const auto h = d ? real(d->value(Package::height)) : std::nullopt;
    constexpr double largest = double(std::numeric_limits<qint32>::max());
    if (!w || !h || !(*w >= 0 && *w <= largest) || !(*h >= 0 && *h <= largest)) {
        return {0, 0};
    }
    return {qint64(std::trunc(*w)), qint64(std::trunc(*h))};
}

// Offsets as far as the window's setters take them.
Point_mm offsetWithinLimits(const Point_mm& offset) {
    constexpr double limit = PlacementLimits::offsetReach_mm;
    return {std::clamp(offset.x, -limit, limit), std::clamp(offset.y, -limit, limit)};
}

// Whether one of the window's setters can give the picture this size: a
// side typed into the inspector (the other follows the picture's
// proportion) or the canvas fitted leaves a side within the longest one the
// fields take; a raster picture at its actual size has no more pixels than
// any picture may have; a page at its actual size is no larger than any page
// may be.
bool windowCanMake(const Size_px& size, const Dpi& dpi) {
    const qint64 shorter = std::min(size.width, size.height);
    const qint64 longer = std::max(size.width, size.height);
    return shorter <= dpi.imagePx(PlacementLimits::sideMax_mm) ||
           platform::ImageLimits::admits(size.width, size.height) ||
           longer <= dpi.imagePx(OriginalImage::maximumPageSide_pt * 25.4 / 72.0);
}

// A size no setter of the window makes is scaled down, keeping its
// proportion, until its longer side is as long as the fields let a side be.
// Any other stays as saved.
Size_px sizeWithinLimits(const Size_px& size, const Dpi& dpi) {
    const qint64 longest = std::max(size.width, size.height);
    const qint64 allowed = dpi.imagePx(PlacementLimits::sideMax_mm);
    if (allowed <= 0 || windowCanMake(size, dpi)) {
        return size;
    }
    const double scale = double(allowed) / double(longest);
    const auto side = [&](qint64 length) {
        return length == 0
                   ? qint64(0)
                   : std::clamp<qint64>(qint64(std::llround(double(length) * scale)), 1, allowed);
    };
    return {side(size.width), side(size.height)};
}

// The model's canvas the settings name; nothing for a missing key or one
// that names none of the model's.
std::shared_ptr<const Canvas> namedCanvas(const QVariantMap& settings,
                                          const DeviceDescriptor& model) {
    if (const auto identifier = text(settings.value(Package::canvasIdentifier))) {
        for (const auto& canvas : model.canvases()) {
            if (canvas->identifier() == *identifier) {
                return canvas;
            }
        }
    }
    return nullptr;
}

qint64 compareDigitRuns(const QString& a, qsizetype& i, const QString& b, qsizetype& j) {
    auto run = [](const QString& s, qsizetype& at) {
        while (at < s.size() && s[at] == u'0' && at + 1 < s.size() && s[at + 1].isDigit()) {
            ++at;
        }
        const qsizetype start = at;
        while (at < s.size() && s[at].isDigit()) {
            ++at;
        }
        return s.mid(start, at - start);
    };
    const QString x = run(a, i);
    const QString y = run(b, j);
    if (x.size() != y.size()) {
        return x.size() < y.size() ? -1 : 1;
    }
    return x.compare(y);
}

} // namespace

DocumentSettings::Application DocumentSettings::Application::current() {
    return {platform::ApplicationInfo::displayName(), platform::ApplicationInfo::shortVersion()};
}

int DocumentSettings::compareVersions(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            if (const qint64 order = compareDigitRuns(a, i, b, j); order != 0) {
                return order < 0 ? -1 : 1;
            }
            continue;
        }
        if (a[i] != b[j]) {
            return a[i] < b[j] ? -1 : 1;
        }
        ++i;
        ++j;
    }
    if (i < a.size()) {
        return 1;
    }
    return j < b.size() ? -1 : 0;
}

QVariantMap DocumentSettings::dictionaryForSave(const PrintDocument& document) {
    const auto& options = document.originalImageDrawingOptions();
    const auto& threshold = document.blackConversionOptions().threshold().rawValue();
    QVariantMap d;
    d.insert(Package::minimumApplicationVersion, minimumApplicationVersion);
    if (const auto& setting = document.currentDeviceSetting()) {
        QVariantMap saved = setting->dictionaryForSave();
        saved.remove(DocumentKey::imageOffsetBase);
        // The document's connection travels here, as it has no key of its own.
        if (const auto transport = document.transportType()) {
            saved.insert(Package::transportTypeIdentifier, transport->rawValue());
        }
        d.insert(DocumentKey::currentDeviceSetting, saved);
    }
    // No bookmark: the picture's place is kept as its location alone.
    if (const auto& image = document.originalImage()) {
        d.insert(Package::imageOriginalFileURL,
                 QString::fromUtf8(image->fileURL().toEncoded(QUrl::FullyEncoded)));
    }
    d.insert(Package::imageBitmapConversionThreshold, threshold.threshold);
    d.insert(DocumentKey::imageOffset_mm, QVariantMap{{Package::x, options.imageOffset_mm.x},
                                                      {Package::y, options.imageOffset_mm.y}});
    d.insert(DocumentKey::imageSize_px,
             QVariantMap{{Package::width, double(options.imageSize_px.width)},
                         {Package::height, double(options.imageSize_px.height)}});
    if (const auto& descriptor = document.deviceDescriptor()) {
        d.insert(Package::modelName, descriptor->modelName());
    }
    if (const auto code = options.imageOffsetBase.fourCharCode()) {
        d.insert(DocumentKey::imageOffsetBase, qint64(*code));
    }
#define KESTROM_SAVE_PROPERTY(type, key, Key, Face, ...)                                           \
    d.insert(DocumentKey::key, SettingFace::Face::save(document.key()));
    KESTROM_PRINT_DOCUMENT_PROPERTIES(KESTROM_SAVE_PROPERTY)
#undef KESTROM_SAVE_PROPERTY
    d.insert(Package::imageBitmapExpansionLevel, threshold.expansionLevel);
    if (const auto& canvas = document.canvas()) {
        d.insert(Package::canvasIdentifier, canvas->identifier());
    }
    d.insert(Package::imageBlackConversionType, document.blackConversionType().rawValue());
    d.insert(Package::imageBlackConversionOptions,
             document.blackConversionOptions().dictionaryForSave());
    return d;
}

void DocumentSettings::insertPictureLocation(QVariantMap& settings, const QUrl& location) {
    if (!location.isEmpty()) {
        settings.insert(Package::imageOriginalFileURL,
                        QString::fromUtf8(location.toEncoded(QUrl::FullyEncoded)));
    }
}

QByteArray DocumentSettings::settingsDataForSave(const PrintDocument& document) {
    return serialize(dictionaryForSave(document));
}

QByteArray DocumentSettings::serialize(const QVariantMap& settings) {
    QString message;
    const QByteArray data =
        platform::PropertyList::toData(settings, platform::PropertyList::Format::Binary, &message);
    if (data.isEmpty()) {
        platform::Error::UserInfo info;
        info.localizedDescription = message;
        throw platform::Error(QStringLiteral("PropertyList"), 3, info);
    }
    return data;
}

QVariantMap DocumentSettings::parse(const QByteArray& data, const QString& packagePath) {
    const QVariant value = platform::PropertyList::fromData(data);
    if (!value.isValid()) {
        throw DocumentFileError::corruptPackage(packagePath,
                                                DocumentFileError::Damage::unreadableSettings);
    }
    // Anything but a dictionary is no document this application wrote; it
    // must not open as a blank one.
    if (value.typeId() != QMetaType::QVariantMap) {
        throw DocumentFileError::corruptPackage(packagePath,
                                                DocumentFileError::Damage::settingsNotDictionary);
    }
    return value.toMap();
}

QUrl DocumentSettings::pictureLocation(const QVariantMap& settings) {
    const auto location = text(settings.value(Package::imageOriginalFileURL));
    if (!location || location->isEmpty()) {
        return {};
    }
    const QUrl url = QUrl::fromEncoded(location->toUtf8(), QUrl::StrictMode);
    return url.isValid() ? url : QUrl();
}

bool DocumentSettings::namesPicture(const QVariantMap& settings) {
    const auto location = text(settings.value(Package::imageOriginalFileURL));
    const QVariant bookmark = settings.value(Package::imageOriginalFileURLBookmarkData);
    return (location && !location->isEmpty()) ||
           (bookmark.typeId() == QMetaType::QByteArray && !bookmark.toByteArray().isEmpty());
}

namespace {

// The version rule. An application that does not know its own version
// cannot order it, and then opens the document.
void checkVersion(const QVariantMap& settings, const DocumentSettings::Application& application) {
    if (!settings.isEmpty() && !application.version.isEmpty()) {
        if (const auto minimum = text(settings.value(Package::minimumApplicationVersion))) {
            if (DocumentSettings::compareVersions(*minimum, application.version) > 0) {
                throw SettingsReadingError::documentWasMadeOnHigherVersionApp(*minimum,
                                                                              application.version);
            }
        }
    }
}

std::shared_ptr<const DeviceDescriptor> supportedModel(const std::optional<QString>& name) {
    if (name) {
        for (const auto& descriptor : DeviceDescriptor::supported()) {
            if (descriptor->modelName() == *name) {
                return descriptor;
            }
        }
    }
    return nullptr;
}

SettingsReadingError unsupported(const std::optional<QString>& name,
                                 const DocumentSettings::Application& application) {
    return SettingsReadingError::deviceIsNotSupported(application.displayName, application.version,
                                                      name.value_or(QStringLiteral("None")));
}

} // namespace

DocumentSettings::Checked DocumentSettings::check(const QVariantMap& settings,
                                                  const Application& application) {
    checkVersion(settings, application);
    const auto modelName = text(settings.value(Package::modelName));
    const auto model = supportedModel(modelName);
    if (!model) {
        throw unsupported(modelName, application);
    }
    const auto code = integer(settings.value(DocumentKey::imageOffsetBase));
    if (!code || *code < std::numeric_limits<qint32>::min() ||
        *code > std::numeric_limits<qint32>::max()) {
        throw DocumentFileError::noValidAnchor();
    }
    const auto anchor = OffsetBase::fromFourCharCode(qint32(*code));
    if (!anchor) {
        throw DocumentFileError::noValidAnchor();
    }
    return {model, *anchor};
}

OriginalImageDrawingOptions DocumentSettings::pictureTurn(const QVariantMap& settings) {
    OriginalImageDrawingOptions turn;
    turn.imageOrientation =
        SettingFace::Rotation::load(settings.value(DocumentKey::imageOrientation))
            .value_or(turn.imageOrientation);
    turn.flipsImageHorizontal =
        SettingFace::Switch::load(settings.value(DocumentKey::flipsImageHorizontal))
            .value_or(turn.flipsImageHorizontal);
    return turn;
}

std::optional<DocumentSettings::Placement>
DocumentSettings::placement(const QVariantMap& settings) {
    const auto model = supportedModel(text(settings.value(Package::modelName)));
    const auto canvas = model ? namedCanvas(settings, *model) : nullptr;
    if (!canvas) {
        return std::nullopt;
    }
    const Size_px size =
        sizeWithinLimits(sizeFrom(settings.value(DocumentKey::imageSize_px)), model->dpi());
    if (size.width <= 0 || size.height <= 0) {
        return std::nullopt;
    }
    const ImageRotation orientation = pictureTurn(settings).imageOrientation;
    return Placement{canvas->size_mm(),
                     ImagePlacement::displayedSize_mm(ImagePlacement::displayed(size, orientation),
                                                      model->dpi()),
                     orientation};
}

void DocumentSettings::apply(PrintDocument& document, const QVariantMap& settings,
                             const Application& application) {
    apply(document, settings, check(settings, application));
}

void DocumentSettings::apply(PrintDocument& document, const QVariantMap& settings,
                             const Checked& checked) {
    // Nothing below refuses: the document changes whole or not at all.
    const auto& descriptor = checked.model;
    document.setDeviceDescriptor(nullptr);
    document.setDeviceDescriptor(descriptor);

    const auto& allowed = descriptor->allowedOffsetBases();
    if (allowed.contains(checked.anchor)) {
        document.setImageOffsetBase(checked.anchor);
    } else if (!allowed.isEmpty()) {
        document.setImageOffsetBase(allowed.first());
    }

    // The canvas; a missing key, or one that names no canvas of the model,
    // keeps the one the model chose: without a canvas nothing prints.
    if (const auto canvas = namedCanvas(settings, *descriptor)) {
        document.setCanvas(canvas);
    }

    // The threshold options first; the options dictionary below may hold
    // them again and then wins.
    auto& threshold = document.blackConversionOptions().threshold();
    using Ranges = BlackConversionThresholdOption::ClampedValueRanges;
    auto thresholdOption = threshold.rawValue();
    const double level = realOr(settings, Package::imageBitmapConversionThreshold, 0.0);
    thresholdOption.threshold = std::isfinite(level) ? Ranges::threshold.clamped(level) : 0.0;
    thresholdOption.expansionLevel =
        Ranges::expansionLevel.clamped(integerOr(settings, Package::imageBitmapExpansionLevel, 0));
    threshold.setRawValue(thresholdOption);

    // The plain settings, each from its key or its default.
    const OriginalImageDrawingOptions defaults;
#define KESTROM_APPLY_PROPERTY(type, key, Key, Face, ...)                                          \
    document.set##Key(                                                                             \
        SettingFace::Face::load(settings.value(DocumentKey::key)).value_or(defaults.key));
    KESTROM_PRINT_DOCUMENT_PROPERTIES(KESTROM_APPLY_PROPERTY)
#undef KESTROM_APPLY_PROPERTY

    document.setBlackConversionType(text(settings.value(Package::imageBlackConversionType)) ==
                                            BlackConversionType::halftone.rawValue()
                                        ? BlackConversionType::halftone
                                        : BlackConversionType::threshold);
    if (const auto options = dictionary(settings.value(Package::imageBlackConversionOptions))) {
        document.blackConversionOptions().loadDictionaryForSave(*options);
    }

    // The file's values over the ones remembered for the model, over the
    // model's defaults.
    if (const auto saved = dictionary(settings.value(DocumentKey::currentDeviceSetting))) {
        auto setting = std::make_shared<DeviceSetting>(*descriptor);
        const QVariantMap remembered =
            LastDeviceSettings::lastDeviceSettingInfos().value(descriptor->modelName()).toMap();
        if (!remembered.isEmpty()) {
            setting->loadDictionaryForSave(remembered);
        }
        setting->loadDictionaryForSave(*saved);
        document.setCurrentDeviceSetting(setting);
        // The connection has no key of its own; without this the document
        // would reopen with whatever the model change chose.
        if (const auto identifier = text(saved->value(Package::transportTypeIdentifier))) {
            const auto transport = TransportType::fromRawValue(*identifier);
            if (transport && descriptor->transportTypes().contains(*transport)) {
                document.setTransportType(transport);
            }
        }
    }

    document.setImageOffset_mm(
        offsetWithinLimits(pointFrom(settings.value(DocumentKey::imageOffset_mm))));
    document.setImageSize_px(
        sizeWithinLimits(sizeFrom(settings.value(DocumentKey::imageSize_px)), descriptor->dpi()));
}

} // namespace kestrom
