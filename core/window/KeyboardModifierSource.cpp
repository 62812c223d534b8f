#include "core/window/KeyboardModifierSource.h"

#include <QGuiApplication>
#include <QInputEvent>
#include <QPointer>
#include <QThread>

#include <atomic>

namespace kestrom {

namespace {

using Keys = platform::KeyboardModifiers;

// What worker threads read: they must not ask the windowing system.
std::atomic<int> lastHeld{0};

QPointer<KeyboardModifierSource>& installedSource() {
    static QPointer<KeyboardModifierSource> source;
    return source;
}

bool isMainThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

Keys::Flags held() {
    if (isMainThread()) {
        const Keys::Flags now =
            KeyboardModifierSource::fromToolkit(QGuiApplication::queryKeyboardModifiers());
        lastHeld.store(int(now));
        return now;
    }
    return Keys::Flags::fromInt(lastHeld.load());
}

} // namespace

KeyboardModifierSource::KeyboardModifierSource(QObject* parent) : QObject(parent) {}

void KeyboardModifierSource::install() {
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || installedSource()) {
        return;
    }
    auto* source = new KeyboardModifierSource(application);
    application->installEventFilter(source);
    installedSource() = source;
    Keys::setSource(&held);
}

Keys::Flags KeyboardModifierSource::fromToolkit(Qt::KeyboardModifiers modifiers) {
    Keys::Flags flags;
    flags.setFlag(Keys::shift, modifiers.testFlag(Qt::ShiftModifier));
    flags.setFlag(Keys::control, modifiers.testFlag(Qt::ControlModifier));
    flags.setFlag(Keys::option, modifiers.testFlag(Qt::AltModifier));
    flags.setFlag(Keys::command, modifiers.testFlag(Qt::MetaModifier));
    return flags;
}

namespace {

// The modifier a modifier key makes, none for other keys.
Qt::KeyboardModifier modifierOfKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
        return Qt::ShiftModifier;
    case Qt::Key_Control:
        return Qt::ControlModifier;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
        return Qt::AltModifier;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
        return Qt::MetaModifier;
    default:
        return Qt::NoModifier;
    }
}

} // namespace

bool KeyboardModifierSource::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        // Some windowing systems report the state from before the key.
        const auto* key = static_cast<QKeyEvent*>(event);
        Qt::KeyboardModifiers modifiers = key->modifiers();
        modifiers.setFlag(modifierOfKey(key->key()), event->type() == QEvent::KeyPress);
        lastHeld.store(int(fromToolkit(modifiers)));
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        lastHeld.store(int(fromToolkit(static_cast<QInputEvent*>(event)->modifiers())));
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kestrom
