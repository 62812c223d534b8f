#include "core/window/ToolbarIcon.h"

#include "core/window/DeferredIconEngine.h"
#include "platform/Bundle.h"
#include "platform/Log.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPixmap>

namespace kestrom {

namespace {

QPixmap drawnSvg(QByteArray svg) {
    QBuffer buffer(&svg);
    buffer.open(QIODevice::ReadOnly);
    // Named, not guessed: guessing asks every image plug-in, loading them.
    QImageReader reader(&buffer, "svg");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

} // namespace

QIcon ToolbarIcon::make(const QString& name, const QColor& color) {
    const QString path = platform::Bundle::named(QStringLiteral("KestromCore"))->resourceRoot() +
                         QStringLiteral("/icons/") + name + QStringLiteral(".svg");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        platform::Log::fatal(QStringLiteral("the icon ") + path + QStringLiteral(" is missing"));
    }
    QByteArray svg = file.readAll();
    svg.replace("currentColor", color.name().toLatin1());
    // Drawn when first shown: a toolbar keeps some of its buttons out of
    // sight in a narrow window.
    return QIcon(new DeferredIconEngine([svg] {
        QIcon icon;
        for (int side : {20, 40}) {
            const QPixmap pixmap = drawnSvg(QByteArray(svg).replace(
                "width=\"20\" height=\"20\"",
                QStringLiteral("width=\"%1\" height=\"%1\"").arg(side).toLatin1()));
            if (!pixmap.isNull()) {
                icon.addPixmap(pixmap);
            }
        }
        return icon;
    }));
}

} // namespace kestrom
