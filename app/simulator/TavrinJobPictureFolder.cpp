#include "app/simulator/TavrinJobPictureFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace lunvik {

TavrinJobPictureFolder::TavrinJobPictureFolder(QString path) : m_path(std::move(path)) {
    static const QRegularExpression numbered(QStringLiteral("^job-([0-9]{1,9})\\.png$"));
    for (const QString& name : QDir(m_path).entryList(QDir::Files | QDir::System)) {
        const auto match = numbered.match(name);
        if (match.hasMatch()) {
            m_next = std::max(m_next, match.captured(1).toInt() + 1);
        }
    }
}

QString TavrinJobPictureFolder::save(const QImage& picture, QString* error) {
    for (;;) {
        const QString path = QDir(m_path).filePath(QStringLiteral("job-%1.png").arg(m_next));
        QFile file(path);
        // NewOnly: a file another program put there meanwhile is skipped.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
                ++m_next;
                continue;
            }
            if (error) {
                *error = QStringLiteral("cannot write ") + path + QStringLiteral(": ") +
                         file.errorString();
            }
            return {};
        }
        ++m_next;
        if (!picture.save(&file, "PNG")) {
            if (error) {
                *error = QStringLiteral("cannot write ") + path;
            }
            return {};
        }
        return path;
    }
}

} // namespace lunvik
