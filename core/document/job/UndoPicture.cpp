#include "core/document/job/UndoPicture.h"

#include "platform/Log.h"

#include <QHash>

namespace kestrom {

namespace {

// How many kept pictures name each file.
QHash<QString, int>& keptFiles() {
    static QHash<QString, int> files;
    return files;
}

} // namespace

UndoPicture::UndoPicture(const ambrel::OriginalImage::Pointer& picture) {
    if (picture && !picture->data().isEmpty()) {
        m_data = picture->data();
        m_fileURL = picture->fileURL();
    } else {
        m_whole = picture;
    }
    if (picture && picture->fileURL().isLocalFile()) {
        m_filePath = picture->filePath();
        ++keptFiles()[m_filePath];
    }
}

UndoPicture::~UndoPicture() {
    if (m_filePath.isEmpty()) {
        return;
    }
    auto it = keptFiles().find(m_filePath);
    if (it != keptFiles().end() && --*it <= 0) {
        keptFiles().erase(it);
    }
}

bool UndoPicture::keepsFile(const QString& filePath) {
    return keptFiles().contains(filePath);
}

std::optional<ambrel::OriginalImage::Pointer> UndoPicture::restore() const {
    if (m_data.isEmpty()) {
        return m_whole;
    }
    auto picture = ambrel::OriginalImage::fromData(m_data, m_fileURL);
    if (!picture) {
        platform::Log::line(QStringLiteral("The picture of an undo step no longer decodes: ") +
                            m_fileURL.toString());
        return std::nullopt;
    }
    return picture;
}

qint64 UndoPicture::cost() const {
    if (!m_whole) {
        return m_data.size();
    }
    const auto& pixels = m_whole->cgImage();
    return m_whole->data().size() + (pixels ? qint64(pixels->sizeInBytes()) : 0);
}

} // namespace kestrom
