#include "core/window/ToolbarIcon.h"

#include "platform/Bundle.h"
#include "platform/Log.h"

#include <QFile>
#include <QPixmap>

namespace kestrom {

QIcon ToolbarIcon::make(const QString& name, const QColor& color) {
    const QString path = platform::Bundle::named(QStringLiteral("KestromCore"))->resourceRoot() +
                         QStringLiteral("/icons/") + name + QStringLiteral(".svg");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        platform::Log::fatal(QStringLiteral("the icon ") + path + QStringLiteral(" is missing"));
    }
    QByteArray svg = file.readAll();
    svg.replace("currentColor", color.name().toLatin1());
    QIcon icon;
    for (int side : {20, 40}) {
        QPixmap pixmap;
        const QByteArray sized = QByteArray(svg).replace(
            "width=\"20\" height=\"20\"",
            QStringLiteral("width=\"%1\" height=\"%1\"").arg(side).toLatin1());
        if (pixmap.loadFromData(sized, "SVG")) {
            icon.addPixmap(pixmap);
        }
    }
    return icon;
}

} // namespace kestrom
