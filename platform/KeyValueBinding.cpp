#include "platform/KeyValueBinding.h"

#include "platform/Log.h"
#include "platform/Observable.h"

#include <QMetaMethod>

namespace platform {

KeyValueBinding::KeyValueBinding(QObject* target, const char* property, Options options)
    : QObject(target), m_target(target), m_propertyName(property), m_options(options) {
    const int index = target->metaObject()->indexOfProperty(property);
    if (index < 0) {
        Log::fatal(QStringLiteral("%1 has no property \"%2\" to bind.")
                       .arg(QString::fromLatin1(target->metaObject()->className()),
                            QString::fromLatin1(property)));
    }
    m_property = target->metaObject()->property(index);
}

KeyValueBinding* KeyValueBinding::bind(QObject* target, const char* property, Observable* observed,
                                       const QString& keyPath, Options options) {
    unbind(target, property);
    auto* binding = new KeyValueBinding(target, property, options);
    binding->m_observations.push_back(
        observed->observe(keyPath, [binding](const KeyValueChange&) { binding->updateTarget(); }));
    if (options.writesBack && binding->m_property.hasNotifySignal()) {
        const QMetaMethod slot = binding->metaObject()->method(
            binding->metaObject()->indexOfSlot("targetPropertyChanged()"));
        connect(target, binding->m_property.notifySignal(), binding, slot);
    }
    binding->updateTarget();
    return binding;
}

KeyValueBinding* KeyValueBinding::bindAll(QObject* target, const char* property,
                                          Observable* observed, const QStringList& keyPaths) {
    unbind(target, property);
    Options options;
    options.writesBack = false;
    auto* binding = new KeyValueBinding(target, property, options);
    for (const QString& keyPath : keyPaths) {
        binding->m_observations.push_back(observed->observe(
            keyPath, [binding](const KeyValueChange&) { binding->updateTarget(); }));
    }
    binding->updateTarget();
    return binding;
}

void KeyValueBinding::unbind(QObject* target, const char* property) {
    delete binding(target, property);
}

KeyValueBinding* KeyValueBinding::binding(QObject* target, const char* property) {
    const auto children = target->findChildren<KeyValueBinding*>(Qt::FindDirectChildrenOnly);
    for (KeyValueBinding* child : children) {
        if (child->m_propertyName == property) {
            return child;
        }
    }
    return nullptr;
}

QStringList KeyValueBinding::keyPaths() const {
    QStringList paths;
    for (const Observation& observation : m_observations) {
        paths << observation.keyPath();
    }
    return paths;
}

QVariant KeyValueBinding::currentValue() const {
    if (m_observations.size() != 1) {
        for (const Observation& observation : m_observations) {
            if (!observation.value().toBool()) {
                return false;
            }
        }
        return true;
    }
    QVariant value = m_observations.front().value();
    if (m_options.transformer == Negate) {
        return !value.toBool();
    }
    if (!value.isValid()) {
        // No value shows as the property's empty value (0, false, no text).
        return QVariant(m_property.metaType());
    }
    return value;
}

void KeyValueBinding::updateTarget() {
    if (m_updating) {
        return;
    }
    for (const Observation& observation : m_observations) {
        if (!observation.isValid()) {
            return; // the observed object is gone: leave the property as it is
        }
    }
    const QVariant value = currentValue();
    if (m_property.read(m_target) == value) {
        return;
    }
    m_updating = true;
    m_property.write(m_target, value);
    m_updating = false;
}

void KeyValueBinding::targetPropertyChanged() {
    if (m_updating || m_observations.size() != 1) {
        return;
    }
    QVariant value = m_property.read(m_target);
    if (m_options.transformer == Negate) {
        value = !value.toBool();
    }
    m_updating = true;
    m_observations.front().setValue(value);
    m_updating = false;
    // The object may have kept another value (a clamped number): show it.
    updateTarget();
}

} // namespace platform
