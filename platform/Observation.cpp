#include "platform/Observation.h"

#include "platform/KeyPathObserver.h"
#include "platform/Observable.h"

namespace platform {

Observation::Observation(std::shared_ptr<KeyPathObserver> observer)
    : m_observer(std::move(observer)) {}

Observation& Observation::operator=(Observation&& other) noexcept {
    if (this != &other) {
        invalidate();
        m_observer = std::move(other.m_observer);
    }
    return *this;
}

Observation::~Observation() {
    invalidate();
}

void Observation::invalidate() {
    if (m_observer) {
        m_observer->invalidate();
        m_observer.reset();
    }
}

bool Observation::isValid() const {
    return m_observer && m_observer->root();
}

QString Observation::keyPath() const {
    return m_observer ? m_observer->keyPath() : QString();
}

QVariant Observation::value() const {
    return m_observer ? m_observer->value() : QVariant();
}

void Observation::setValue(const QVariant& value) const {
    if (Observable* root = m_observer ? m_observer->root() : nullptr) {
        root->setValueForKeyPath(m_observer->keyPath(), value);
    }
}

} // namespace platform
