#pragma once

// The fixture and pictures the package tests share.

#include "core/document/tests/DocumentTestSupport.h"

#include "core/document/package/DocumentPackage.h"
#include "core/document/package/DocumentSettings.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <functional>

namespace packagetest {

using ambrel::OriginalImage;
using documenttest::DocumentTest;
using kestrom::DocumentPackage;
using kestrom::DocumentSettings;
using kestrom::PrintDocument;

inline const DocumentSettings::Application app{QStringLiteral("Lunvik"), QStringLiteral("1.9.3")};

class PackageTest : public DocumentTest {
protected:
    QString path(const QString& name) const { return m_folder.filePath(name); }

    static void writeFile(const QString& path, const QByteArray& data) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    }

    // A package of the settings alone.
    QString packageWith(const QVariant& settings, const QString& name = "Job.lunvik") {
        const QString package = path(name);
        QDir().mkpath(package);
        writeFile(package + "/Settings.plist",
                  platform::PropertyList::toData(settings, platform::PropertyList::Format::Binary));
        return package;
    }

    // A saved document's settings with some keys replaced or removed.
    QVariantMap savedSettings(const QVariantMap& changes = {}, const QStringList& removed = {}) {
        PrintDocument document;
        QVariantMap settings = DocumentSettings::dictionaryForSave(document);
        for (auto it = changes.begin(); it != changes.end(); ++it) {
            settings.insert(it.key(), it.value());
        }
        for (const QString& key : removed) {
            settings.remove(key);
        }
        return settings;
    }

    static QString damageOf(const std::function<void()>& body) {
        try {
            body();
        } catch (const platform::Error& error) {
            return error.domain() + ' ' + QString::number(error.code()) + ": " +
                   error.localizedDescription() + ' ' +
                   error.localizedRecoverySuggestion().value_or(QString());
        }
        return "no error";
    }
};

inline QImage photo(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x ^ y) & 0xff));
        }
    }
    return image;
}

inline OriginalImage::Pointer pictureOf(const QByteArray& data, const QString& location) {
    return OriginalImage::fromData(data, QUrl::fromLocalFile(location));
}

// A package of the picture, repeated three times across.
inline void writeRepeatedPicturePackage(const QString& package, const QByteArray& picture) {
    PrintDocument saved;
    saved.setOriginalImage(pictureOf(picture, "/pictures/photo.jpg"));
    saved.setImageRepeatXCount(3);
    DocumentPackage::write(saved, package);
}

} // namespace packagetest
