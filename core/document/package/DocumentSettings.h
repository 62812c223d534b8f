#pragma once

#include "model/descriptions/DeviceDescriptor.h"
#include "model/pictures/ImageRotation.h"
#include "model/pictures/OffsetBase.h"
#include "model/pictures/OriginalImageDrawingOptions.h"
#include "model/units/Size_mm.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <memory>
#include <optional>

namespace kestrom {

class PrintDocument;

// The settings of a saved document ("Settings.plist"): one dictionary that
// holds every setting of the job, written from a document and applied to one
// in a fixed order. Every key has a type and a default; a key that is missing
// or holds a value of another type gives its default, never an error. The
// picture's own bytes are not part of it.
class DocumentSettings {
public:
    // The application a document is opened with; the version rule orders
    // "minimumApplicationVersion" against its version.
    struct Application {
        QString displayName;
        QString version;
        // The application's information dictionary.
        static Application current();
    };

    // The version every document this application writes needs.
    static const QString minimumApplicationVersion; // "1.0"

    static QVariantMap dictionaryForSave(const PrintDocument& document);
    // The dictionary as a binary property list; throws platform::Error when
    // it cannot be serialized.
    static QByteArray settingsDataForSave(const PrintDocument& document);
    static QByteArray serialize(const QVariantMap& settings);
    // Where the picture came from, as a document with a picture says it;
    // nothing for an empty location.
    static void insertPictureLocation(QVariantMap& settings, const QUrl& location);

    // The dictionary in the bytes. Throws DocumentFileError::corruptPackage
    // (naming the package path) when they are no property list or hold
    // anything but a dictionary.
    static QVariantMap parse(const QByteArray& data, const QString& packagePath);
    // Where the picture came from: "imageOriginalFileURL" when it parses;
    // empty otherwise.
    static QUrl pictureLocation(const QVariantMap& settings);
    // Whether the settings say where a picture came from: a package saved
    // with a picture always does, one saved without never.
    static bool namesPicture(const QVariantMap& settings);

    // What every check of a document's settings found: the model it names
    // and its anchor (which the model may not allow).
    struct Checked {
        std::shared_ptr<const ambrel::DeviceDescriptor> model;
        ambrel::OffsetBase anchor = ambrel::OffsetBase::center;
    };
    // Where the settings put the picture, as applying them to a document
    // would: the canvas they name, the picture's size on it as shown
    // (turned) and its turn. Nothing when they name no supported model, no
    // canvas of it, or no size for the picture. Reads no preferences: any
    // thread may ask.
    struct Placement {
        ambrel::Size_mm canvas_mm;
        ambrel::Size_mm pictureShown_mm;
        ambrel::ImageRotation orientation;
    };
    static std::optional<Placement> placement(const QVariantMap& settings);
    // The turn and the mirror the settings give the picture, as applying
    // them does. Any thread may ask.
    static ambrel::OriginalImageDrawingOptions pictureTurn(const QVariantMap& settings);

    // The checks that can refuse the settings, touching no document: the
    // version rule, the model, the anchor. Throws SettingsReadingError or
    // DocumentFileError::noValidAnchor.
    static Checked check(const QVariantMap& settings, const Application& application);

    // Applies the dictionary to the document: model, anchor, canvas,
    // conversion options, placement, conversion type, device setting,
    // offset, size, each brought into the range the window allows. The
    // first form checks first and throws what check() throws, before any
    // value reaches the document. Registers no undo step only when the
    // caller turned registration off.
    static void apply(PrintDocument& document, const QVariantMap& settings,
                      const Application& application);
    static void apply(PrintDocument& document, const QVariantMap& settings, const Checked& checked);

    // Orders two version texts: each run of digits counts as one number, so
    // "1.10" comes after "1.9". Negative, zero or positive.
    static int compareVersions(const QString& a, const QString& b);
};

} // namespace kestrom
