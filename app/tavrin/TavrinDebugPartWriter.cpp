#include "app/tavrin/TavrinDebugPartWriter.h"

#include "platform/Log.h"
#include "platform/Workspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cmath>

namespace lunvik {

namespace {

QString wholeMillimetres(ambrel::Dpi dpi, qint64 px) {
    return QString::number(qint64(std::trunc(dpi.mm(px))));
}

} // namespace

QString TavrinDebugPartWriter::fileName(const TavrinBitmapInfo_px& info, ambrel::Dpi dpi) {
    return QStringLiteral("0 {%1, 0}, {%2, %3}.png")
        .arg(wholeMillimetres(dpi, info.location_px), wholeMillimetres(dpi, info.bitmap.width()),
             wholeMillimetres(dpi, info.bitmap.height()));
}

void TavrinDebugPartWriter::write(const TavrinBitmapInfo_px& info, ambrel::Dpi dpi) {
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (desktop.isEmpty() || !QDir(desktop).exists()) {
        return;
    }
    const QString folder = QDir(desktop).filePath(QString::fromLatin1(folderName));
    const QFileInfo existing(folder);
    if (existing.isSymLink() || (existing.exists() && !existing.isDir())) {
        // Not a folder this writer made: it is left alone, and so is where it
        // may lead.
        platform::Log::line(folder + QStringLiteral(" is not a folder; no debug bitmap written"));
        return;
    }
    QDir(desktop).mkdir(QString::fromLatin1(folderName));
    // Only earlier bitmaps go; removing a link never touches what it names.
    const QDir parts(folder);
    for (const QString& name : parts.entryList({QStringLiteral("0 {*}, {*}.png")},
                                               QDir::Files | QDir::System | QDir::Hidden)) {
        QFile::remove(parts.filePath(name));
    }
    info.bitmap.save(QDir(folder).filePath(fileName(info, dpi)), "PNG");
    platform::Workspace::revealInFileViewer(folder);
}

} // namespace lunvik
