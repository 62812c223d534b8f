#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace platform {

// A file type by its reverse-DNS identifier ("public.png"), with its file name
// extensions and MIME types, preferred first, and the types it conforms to.
// The table holds the picture types the system reads and the few general
// types they conform to.
class FileType {
public:
    static const QString data;        // "public.data"
    static const QString image;       // "public.image"
    static const QString png;         // "public.png"
    static const QString jpeg;        // "public.jpeg"
    static const QString gif;         // "com.compuserve.gif"
    static const QString bmp;         // "com.microsoft.bmp"
    static const QString tiff;        // "public.tiff"
    static const QString heic;        // "public.heic"
    static const QString heif;        // "public.heif"
    static const QString pdf;         // "com.adobe.pdf"
    static const QString illustrator; // "com.adobe.illustrator.ai-image"
    static const QString text;        // "public.text"
    static const QString plainText;   // "public.plain-text"

    const QString& identifier() const { return m_identifier; }
    const QStringList& filenameExtensions() const { return m_extensions; }
    const QStringList& mimeTypes() const { return m_mimeTypes; }
    // The types this one conforms to directly.
    const QStringList& parents() const { return m_parents; }
    std::optional<QString> preferredFilenameExtension() const;
    std::optional<QString> preferredMimeType() const;

    static const QList<FileType>& all();
    static std::optional<FileType> withIdentifier(const QString& identifier);
    // Extensions and MIME types are compared without regard to case.
    static std::optional<FileType> withFilenameExtension(const QString& extension);
    static std::optional<FileType> withMimeType(const QString& mimeType);

    // Whether the type is the other one or conforms to it through the table.
    // An identifier the table does not know conforms only to itself.
    static bool conforms(const QString& identifier, const QString& to);

private:
    FileType(QString identifier, QStringList extensions, QStringList mimeTypes,
             QStringList parents);

    QString m_identifier;
    QStringList m_extensions;
    QStringList m_mimeTypes;
    QStringList m_parents;
};

} // namespace platform
