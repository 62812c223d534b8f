#include "platform/graphics/FileType.h"

namespace platform {

const QString FileType::data = QStringLiteral("public.data");
const QString FileType::image = QStringLiteral("public.image");
const QString FileType::png = QStringLiteral("public.png");
const QString FileType::jpeg = QStringLiteral("public.jpeg");
const QString FileType::gif = QStringLiteral("com.compuserve.gif");
const QString FileType::bmp = QStringLiteral("com.microsoft.bmp");
const QString FileType::tiff = QStringLiteral("public.tiff");
const QString FileType::heic = QStringLiteral("public.heic");
const QString FileType::heif = QStringLiteral("public.heif");
const QString FileType::pdf = QStringLiteral("com.adobe.pdf");
const QString FileType::illustrator = QStringLiteral("com.adobe.illustrator.ai-image");
const QString FileType::text = QStringLiteral("public.text");
const QString FileType::plainText = QStringLiteral("public.plain-text");

FileType::FileType(QString identifier, QStringList extensions, QStringList mimeTypes,
                   QStringList parents)
    : m_identifier(std::move(identifier)), m_extensions(std::move(extensions)),
      m_mimeTypes(std::move(mimeTypes)), m_parents(std::move(parents)) {}

const QList<FileType>& FileType::all() {
    static const QList<FileType> table{
        FileType(data, {}, {QStringLiteral("application/octet-stream")}, {}),
        FileType(image, {}, {}, {data}),
        FileType(png, {QStringLiteral("png")}, {QStringLiteral("image/png")}, {image}),
        FileType(jpeg, {QStringLiteral("jpeg"), QStringLiteral("jpg"), QStringLiteral("jpe")},
                 {QStringLiteral("image/jpeg")}, {image}),
        FileType(gif, {QStringLiteral("gif")}, {QStringLiteral("image/gif")}, {image}),
        FileType(bmp, {QStringLiteral("bmp"), QStringLiteral("dib")},
                 {QStringLiteral("image/bmp"), QStringLiteral("image/x-bmp"),
                  QStringLiteral("image/x-ms-bmp")},
                 {image}),
        FileType(tiff, {QStringLiteral("tiff"), QStringLiteral("tif")},
                 {QStringLiteral("image/tiff")}, {image}),
        FileType(heif, {QStringLiteral("heif"), QStringLiteral("hif")},
                 {QStringLiteral("image/heif")}, {image}),
        FileType(heic, {QStringLiteral("heic")}, {QStringLiteral("image/heic")}, {heif}),
        FileType(pdf, {QStringLiteral("pdf")}, {QStringLiteral("application/pdf")}, {data}),
        FileType(illustrator, {QStringLiteral("ai")},
                 {QStringLiteral("application/illustrator"),
                  QStringLiteral("application/vnd.adobe.illustrator")},
                 {image}),
        FileType(text, {}, {}, {data}),
        FileType(plainText, {QStringLiteral("txt"), QStringLiteral("text")},
                 {QStringLiteral("text/plain")}, {text}),
    };
    return table;
}

std::optional<QString> FileType::preferredFilenameExtension() const {
    if (m_extensions.isEmpty()) {
        return std::nullopt;
    }
    return m_extensions.first();
}

std::optional<QString> FileType::preferredMimeType() const {
    if (m_mimeTypes.isEmpty()) {
        return std::nullopt;
    }
    return m_mimeTypes.first();
}

std::optional<FileType> FileType::withIdentifier(const QString& identifier) {
    for (const FileType& type : all()) {
        if (type.m_identifier == identifier) {
            return type;
        }
    }
    return std::nullopt;
}

std::optional<FileType> FileType::withFilenameExtension(const QString& extension) {
    for (const FileType& type : all()) {
        if (type.m_extensions.contains(extension, Qt::CaseInsensitive)) {
            return type;
        }
    }
    return std::nullopt;
}

std::optional<FileType> FileType::withMimeType(const QString& mimeType) {
    for (const FileType& type : all()) {
        if (type.m_mimeTypes.contains(mimeType, Qt::CaseInsensitive)) {
            return type;
        }
    }
    return std::nullopt;
}

bool FileType::conforms(const QString& identifier, const QString& to) {
    if (identifier == to) {
        return true;
    }
    const auto type = withIdentifier(identifier);
    if (!type) {
        return false;
    }
    for (const QString& parent : type->m_parents) {
        if (conforms(parent, to)) {
            return true;
        }
    }
    return false;
}

} // namespace platform
