#include "app/tavrin/TavrinDebugPartWriter.h"

#include "platform/Workspace.h"

#include <QDir>
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
    QDir(folder).removeRecursively();
    QDir(desktop).mkdir(QString::fromLatin1(folderName));
    info.bitmap.save(QDir(folder).filePath(fileName(info, dpi)), "PNG");
    platform::Workspace::revealInFileViewer(folder);
}

} // namespace lunvik
