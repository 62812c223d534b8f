#include "app/simulator/TavrinJobPictureFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace lunvik {

TavrinJobPictureFolder::TavrinJobPictureFolder(QString folder) : m_folder(std::move(folder)) {
    static const QRegularExpression numbered(QStringLiteral("^job-(\\d+)\\.png$"));
    const QStringList names =
        QDir(m_folder).entryList({QStringLiteral("job-*.png")}, QDir::Files | QDir::System);
    for (const QString& name : names) {
        const auto match = numbered.match(name);
        bool ok = false;
        const int number = match.hasMatch() ? match.captured(1).toInt(&ok) : 0;
        if (ok && number >= m_next && number < std::numeric_limits<int>::max()) {
            m_next = number + 1;
        }
    }
}

QString TavrinJobPictureFolder::nextPath() {
    QString path;
    do {
        path = QDir(m_folder).filePath(QStringLiteral("job-%1.png").arg(m_next++));
    } while (QFileInfo::exists(path));
    return path;
}

} // namespace lunvik
