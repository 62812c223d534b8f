#pragma once

#include "core/document/package/DocumentSettings.h"
#include "core/document/package/PackageDecodeBound.h"
#include "core/document/package/PackageFingerprint.h"
#include "model/pictures/OriginalImage.h"
#include "platform/graphics/PictureRefusal.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

namespace platform {
class Error;
}

namespace kestrom {

class PrintDocument;

// A saved print document: a folder "<name>.lunvik" holding
//   Settings.plist           the settings (DocumentSettings), a binary property list
//   ImageData                the picture file's bytes as they were loaded
//   QuickLook/Thumbnail.jpg  the raster picture as a JPEG at full size
// Picture and thumbnail are there only with a picture; a vector picture has
// no thumbnail.
//
// Reading and writing each come in two halves, so that the slow half
// (decoding and encoding the picture, file input and output) runs on a worker
// and the half that touches the document stays short on the main thread:
//   open:  load(path) on a worker, then apply(document, contents)
//   save:  snapshot(document) on the main thread, then write(snapshot, path)
// read() and write(document, path) do both halves at once.
class DocumentPackage {
public:
    static const QString fileExtension;       // "lunvik"
    static const QString settingsFileName;    // "Settings.plist"
    static const QString imageDataFileName;   // "ImageData"
    static const QString quickLookFolderName; // "QuickLook"
    static const QString thumbnailFileName;   // "Thumbnail.jpg"
    // The largest settings file read; this application writes a few kilobytes.
    static constexpr qint64 maximumSettingsFileSize = qint64(16) << 20;
    // Whether the folders on the way from the package to a member (such as
    // "QuickLook/Thumbnail.jpg") are folders of the package's own, none of
    // them a link that leads out of it (a missing one leads nowhere).
    // Members are read only so.
    static bool hasOwnFoldersTo(const QString& package, const QString& member);

    // A picture the package holds that did not open, as it was read: a
    // document opened without it writes it back unchanged when it saves
    // itself, so that nothing of it is lost before the user saves or
    // chooses another picture.
    struct UnreadPicture {
        QByteArray data;
        // The package's thumbnail of it; empty when it had none.
        QByteArray thumbnail;
        QUrl location;
    };

    // What a package holds, read and decoded.
    struct Contents {
        QString path;
        QVariantMap settings;
        // Absent when the package holds no picture, or one that did not open.
        ambrel::OriginalImage::Pointer image;
        // The package holds picture bytes that do not decode; apply() opens
        // it without a picture, and pictureNotRead() tells why.
        bool pictureIsDamaged = false;
        // Why the picture did not decode: a picture beyond the limits or one
        // the memory ran out for is told as such, not as damage.
        platform::PictureRefusal pictureRefusal = platform::PictureRefusal::noPicture;
        // The settings name a picture the package no longer holds; apply()
        // opens it without one.
        bool pictureIsMissing = false;
        // The bytes of a damaged picture, to write back.
        std::optional<UnreadPicture> unreadPicture;
        // The package as read: its metadata from before reading with the
        // digests of the bytes read, so that a change made after the read
        // is never taken for what was read. Nothing when the package changed
        // while it was read.
        std::optional<PackageFingerprint> fingerprint;
    };

    // Reads and decodes the package at the path; any thread. Throws
    // DocumentFileError::unreadableFile when the folder cannot be read and
    // DocumentFileError::corruptPackage when it is damaged: not a folder, no
    // settings, settings that are no dictionary, a member that is a symbolic
    // link or larger than any this application writes.
    //
    // With a bound, a raster picture whose header tells its size is first
    // decoded only to cover the bound for the package's settings (a JPEG
    // straight from its bytes, any other from the package's thumbnail); its
    // whole pixels are left for OriginalImage::decodeFully(). Without one, or where that gains
    // nothing, the picture is decoded whole.
    static Contents load(const QString& path, const PackageDecodeBound& quickDecodeBound = {});
    // Applies what was read to the document, registering no undo step; main
    // thread. Throws what DocumentSettings::check throws before any value
    // reaches the document: a refused package leaves it exactly as it was.
    // A picture that does not decode or is missing leaves the document
    // without a picture (see pictureNotRead()).
    static void apply(PrintDocument& document, const Contents& contents,
                      const DocumentSettings::Application& application =
                          DocumentSettings::Application::current());
    // The two halves of apply() for a document that is nobody's yet, so that
    // its window is built with the package's settings while the picture
    // still decodes: applySettings() with the settings alone, as soon as they
    // are parsed (throws what DocumentSettings::check throws, the document
    // untouched), then applyPicture() with what the same read gave.
    static void applySettings(PrintDocument& document, const QVariantMap& settings,
                              const DocumentSettings::Application& application =
                                  DocumentSettings::Application::current());
    static void applyPicture(PrintDocument& document, const Contents& contents);
    static void read(PrintDocument& document, const QString& path);
    // What the user is told of a package that opened without its picture:
    // that it could not be read, and why; nothing when the picture opened
    // or the package has none.
    static std::shared_ptr<const platform::Error> pictureNotRead(const Contents& contents);
    // The same for the package's picture that did not decode for the reason,
    // also for a whole decode that fails after apply().
    static std::shared_ptr<const platform::Error> pictureNotRead(const QString& path,
                                                                 platform::PictureRefusal why);

    // What a save writes, taken from the document; main thread. Throws when
    // the settings cannot be serialized. With an unread picture, a document
    // without a picture writes that one back as it was read.
    struct Snapshot {
        QByteArray settingsData;
        QByteArray imageData;
        // The picture the thumbnail is made of, from its upright raster
        // pixels; taken by the write, which may wait for a decode.
        ambrel::OriginalImage::Pointer thumbnailSource;
        // A thumbnail as it was read, written when there is no source.
        QByteArray thumbnailData;
    };
    static Snapshot snapshot(const PrintDocument& document,
                             const UnreadPicture* unreadPicture = nullptr);
    // Writes the package beside the path and then puts it in place by
    // renaming, so that a save that fails leaves what was at the path as it
    // was and nothing half-written behind; any thread. Throws
    // DocumentFileError::unsavableDocument. The folder a save writes into
    // is locked while it is written; one left by a save that was killed is
    // removed by the next save or open of the package (removeStaleSaves).
    // `beforeSwap`, when given, runs with the complete new package last
    // before it takes the path's place; what it throws ends the save as a
    // failure of writing does.
    using BeforeSwap = std::function<void(const QString& written)>;
    static void write(const Snapshot& snapshot, const QString& path,
                      const BeforeSwap& beforeSwap = {});
    static void write(const PrintDocument& document, const QString& path);

    // Removes the folders of saves of the package that ended without
    // finishing: unlocked, and unchanged for staleSaveSeconds. Failures are
    // ignored; any thread.
    static void removeStaleSaves(const QString& path);
    static constexpr int staleSaveSeconds = 10;

    // The picture as a JPEG of quality 0.8; empty when it cannot be encoded.
    static QByteArray thumbnailData(const QImage& image);

    // load() on a worker; the handler runs on the main thread with the
    // contents or the error.
    using LoadHandler = std::function<void(std::optional<Contents> contents,
                                           std::shared_ptr<const platform::Error> error)>;
    // Told the settings the read parsed, on the reading thread, before the
    // picture is read; not at all when there are none.
    using SettingsHandler = std::function<void(const QVariantMap& settings)>;
    // With a bound, the handler may get a picture whose whole pixels are
    // still being decoded on the worker (see load()).
    static void loadInBackground(const QString& path, LoadHandler handler,
                                 const PackageDecodeBound& quickDecodeBound = {},
                                 SettingsHandler settingsParsed = {});
    // write() on a worker; the handler runs on the main thread with the
    // error, or nothing on success.
    using WriteHandler = std::function<void(std::shared_ptr<const platform::Error> error)>;
    static void writeInBackground(Snapshot snapshot, const QString& path, BeforeSwap beforeSwap,
                                  WriteHandler handler);

private:
    // load() less the removal of stale saves, which an open on a worker
    // leaves until its document has what was read.
    static Contents readContents(const QString& path, const PackageDecodeBound& quickDecodeBound,
                                 const SettingsHandler& settingsParsed = {});
};

} // namespace kestrom
