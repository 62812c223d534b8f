#pragma once

#include "model/pictures/OriginalImage.h"

#include <QByteArray>
#include <QUrl>

#include <optional>

namespace kestrom {

// A picture an undo step brings back. A picture decoded from file bytes is
// kept as those bytes and decoded again when it comes back: the decoded
// pixels of a large picture cost many times its file, and a step may never
// be undone. A picture without bytes is kept as it is.
class UndoPicture {
public:
    explicit UndoPicture(const ambrel::OriginalImage::Pointer& picture);
    ~UndoPicture();
    UndoPicture(const UndoPicture&) = delete;
    UndoPicture& operator=(const UndoPicture&) = delete;

    // Whether a picture kept for undo names the file (the picture it brings
    // back names it again, so the file is still in use). Main thread only.
    static bool keepsFile(const QString& filePath);

    // The picture again (an empty pointer when there was none); the same
    // picture when it was kept whole. Nothing, reported, when its bytes no
    // longer decode.
    std::optional<ambrel::OriginalImage::Pointer> restore() const;
    // The bytes this keeps alive.
    qint64 cost() const;

private:
    ambrel::OriginalImage::Pointer m_whole;
    QByteArray m_data;
    QUrl m_fileURL;
    QString m_filePath;
};

} // namespace kestrom
