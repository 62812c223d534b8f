#include "imaging/print/SplitDebugOutput.h"

#include "platform/Log.h"
#include "platform/Workspace.h"
#include "platform/compute/Device.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

#include <cmath>

namespace quenta {

namespace {

QString whole(double mm) {
    return QString::number(qint64(std::trunc(mm)));
}

QString pixelsAsMm(ambrel::Dpi dpi, qint64 px) {
    return whole(dpi.mm(px));
}

void writePng(const QString& folder, const QString& name, const QImage& bitmap) {
    if (!bitmap.isNull()) {
        bitmap.save(QDir(folder).filePath(name + QStringLiteral(".png")), "PNG");
    }
}

} // namespace

std::optional<QString> SplitDebugOutput::preparedFolder() {
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (desktop.isEmpty() || !QFileInfo(desktop).isDir()) {
        return std::nullopt;
    }
    const QString folder = QDir(desktop).filePath(QString::fromLatin1(folderName));
    const QFileInfo existing(folder);
    if (existing.isSymLink() || (existing.exists() && !existing.isDir())) {
        // Only the link itself goes, never what it points at.
        QFile::remove(folder);
    } else if (existing.isDir()) {
        // Links inside are removed as links, not entered.
        QDir(folder).removeRecursively();
    }
    QDir(desktop).mkdir(QString::fromLatin1(folderName));
    return folder;
}

QString SplitDebugOutput::partName(const SplitPart_mm& part, ambrel::Dpi dpi) {
    return QStringLiteral("{%1, %2}, {%3, %4}")
        .arg(whole(part.location_mm.x()), whole(part.location_mm.y()),
             pixelsAsMm(dpi, part.bitmap.width()), pixelsAsMm(dpi, part.bitmap.height()));
}

void SplitDebugOutput::writeDebugParts(const std::vector<SplitPart_mm>& parts, ambrel::Dpi dpi) {
    const auto folder = preparedFolder();
    if (!folder) {
        return;
    }
    platform::Log::line(QStringLiteral("{"));
    for (const SplitPart_mm& part : parts) {
        const QString name = partName(part, dpi);
        platform::Log::line(QStringLiteral("\t") + name);
        writePng(*folder, name, part.bitmap);
    }
    platform::Log::line(QStringLiteral("}"));
    platform::Workspace::revealInFileViewer(*folder);
}

QString SplitDebugOutput::bitmapName(qsizetype index, const XYBitmapInfo_px& info,
                                     ambrel::Dpi dpi) {
    return QStringLiteral("%1 {%2, %3}, {%4, %5}")
        .arg(QString::number(index), pixelsAsMm(dpi, info.location_px.x),
             pixelsAsMm(dpi, info.location_px.y), pixelsAsMm(dpi, info.bitmap.width()),
             pixelsAsMm(dpi, info.bitmap.height()));
}

void SplitDebugOutput::writeDebugBitmaps_px(const QList<XYBitmapInfo_px>& infos, ambrel::Dpi dpi) {
    const auto folder = preparedFolder();
    if (!folder) {
        return;
    }
    platform::Log::line(QStringLiteral("{"));
    const auto write = [&](std::size_t n) {
        writePng(*folder, bitmapName(qsizetype(n), infos[qsizetype(n)], dpi),
                 infos[qsizetype(n)].bitmap);
    };
    if (const auto device = platform::compute::Device::systemDefault()) {
        device->threadPool().parallelFor(size_t(infos.size()), write);
    } else {
        for (qsizetype n = 0; n < infos.size(); ++n) {
            write(size_t(n));
        }
    }
    platform::Log::line(QStringLiteral("}"));
    platform::Workspace::revealInFileViewer(*folder);
}

QString SplitDebugOutput::shortestRealText(double value) {
    QString text = QString::number(value, 'g', QLocale::FloatingPointShortest);
    if (std::isfinite(value) && !text.contains(QLatin1Char('.')) &&
        !text.contains(QLatin1Char('e'))) {
        text += QStringLiteral(".0");
    }
    return text;
}

} // namespace quenta
