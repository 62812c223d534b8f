#include "core/window/DeferredIconEngine.h"

#include <QIcon>
#include <QPainter>

namespace kestrom {

DeferredIconEngine::DeferredIconEngine(std::function<QIcon()> make)
    : m_shared(std::make_shared<Shared>()) {
    m_shared->make = std::move(make);
}

bool DeferredIconEngine::isMade() const {
    return m_shared->icon != nullptr;
}

const QIcon& DeferredIconEngine::icon() const {
    if (!m_shared->icon) {
        m_shared->icon = std::make_unique<QIcon>(m_shared->make());
        m_shared->make = nullptr;
    }
    return *m_shared->icon;
}

void DeferredIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
                               QIcon::State state) {
    icon().paint(painter, rect, Qt::AlignCenter, mode, state);
}

QPixmap DeferredIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    // The size asked for is in device pixels already.
    return icon().pixmap(size, 1.0, mode, state);
}

QSize DeferredIconEngine::actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    return icon().actualSize(size, mode, state);
}

QList<QSize> DeferredIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state) {
    return icon().availableSizes(mode, state);
}

QString DeferredIconEngine::key() const {
    return QStringLiteral("DeferredIconEngine");
}

QIconEngine* DeferredIconEngine::clone() const {
    return new DeferredIconEngine(*this);
}

bool DeferredIconEngine::isNull() {
    // Only icons known to have pictures are deferred.
    return isMade() && icon().isNull();
}

} // namespace kestrom
