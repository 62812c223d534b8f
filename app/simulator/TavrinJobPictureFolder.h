#pragma once

#include <QImage>
#include <QString>

namespace lunvik {

// The folder where the simulator program puts the picture of each received
// job as "job-N.png". Numbers go on after the highest one already there and
// a file is never replaced, so the pictures of earlier runs stay.
class TavrinJobPictureFolder {
public:
    explicit TavrinJobPictureFolder(QString path);

    // The number the next picture gets, unless its file appears meanwhile.
    int nextNumber() const { return m_next; }
    // The path written, or an empty text with a message.
    QString save(const QImage& picture, QString* error = nullptr);

private:
    QString m_path;
    int m_next = 1;
};

} // namespace lunvik
