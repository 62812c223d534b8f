#pragma once

#include <QProxyStyle>

namespace kestrom {

// The application's style, but the arrows that menu bars and toolbars keep
// for items that do not fit are read when first drawn rather than when the
// bar is made. Reading a picture file asks every image format plug-in
// whether it knows the file, and so loads them all: a start would wait for
// that before its first window, for an arrow it mostly does not show.
class DeferredIconStyle : public QProxyStyle {
    Q_OBJECT
public:
    // Takes over `base`, as a proxy style does.
    explicit DeferredIconStyle(QStyle* base);

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

} // namespace kestrom
