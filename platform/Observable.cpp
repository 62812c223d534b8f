#include "platform/Observable.h"

#include "platform/KeyPathObserver.h"
#include "platform/Log.h"

#include <algorithm>
#include <utility>

namespace platform {

Observable::Observable() = default;

Observable::Observable(const Observable& other) : m_affectingKeyPaths(other.m_affectingKeyPaths) {}

Observable& Observable::operator=(const Observable& other) {
    m_affectingKeyPaths = other.m_affectingKeyPaths;
    return *this;
}

Observable::~Observable() {
    for (const auto& list : std::as_const(m_registrations)) {
        for (const auto& registration : list) {
            registration->object = nullptr;
        }
    }
}

QVariant Observable::valueForKey(const QString&) const {
    return {};
}

void Observable::setValueForKey(const QString& key, const QVariant&) {
    Log::line(QStringLiteral("No writable key \"%1\"; the value is ignored.").arg(key));
}

Observable* Observable::objectForKey(const QString&) const {
    return nullptr;
}

QStringList Observable::keyPathsAffectingKey(const QString& key) const {
    return m_affectingKeyPaths.value(key);
}

void Observable::setKeyPathsAffectingKey(const QString& key, const QStringList& keyPaths) {
    m_affectingKeyPaths.insert(key, keyPaths);
}

QVariant Observable::valueForKeyPath(const QString& keyPath) const {
    const qsizetype dot = keyPath.indexOf(u'.');
    if (dot < 0) {
        return valueForKey(keyPath);
    }
    const Observable* next = objectForKey(keyPath.left(dot));
    return next ? next->valueForKeyPath(keyPath.mid(dot + 1)) : QVariant();
}

void Observable::setValueForKeyPath(const QString& keyPath, const QVariant& value) {
    const qsizetype dot = keyPath.indexOf(u'.');
    if (dot < 0) {
        setValueForKey(keyPath, value);
        return;
    }
    if (Observable* next = objectForKey(keyPath.left(dot))) {
        next->setValueForKeyPath(keyPath.mid(dot + 1), value);
    }
}

void Observable::willChangeValueForKey(const QString& key) {
    tell(key, true);
}

void Observable::didChangeValueForKey(const QString& key) {
    tell(key, false);
}

void Observable::tell(const QString& key, bool will) {
    auto it = m_registrations.constFind(key);
    if (it == m_registrations.constEnd()) {
        return;
    }
    // A copy: callbacks may add or end observations.
    const auto registrations = *it;
    for (const auto& registration : registrations) {
        const auto& call = will ? registration->will : registration->did;
        if (registration->active && call) {
            call();
        }
    }
}

void Observable::notifyChangingValue(const QString& key, const std::function<void()>& change) {
    willChangeValueForKey(key);
    change();
    didChangeValueForKey(key);
}

Observation Observable::observe(const QString& keyPath, Options options, Callback callback) {
    struct State {
        int nesting = 0;
        QVariant oldValue;
        std::weak_ptr<KeyPathObserver> observer;
    };
    auto state = std::make_shared<State>();
    auto will = [state, options] {
        if (state->nesting++ == 0 && (options & Old)) {
            if (auto observer = state->observer.lock()) {
                state->oldValue = observer->value();
            }
        }
    };
    auto did = [state, options, callback] {
        if (state->nesting > 0 && --state->nesting > 0) {
            return;
        }
        auto observer = state->observer.lock();
        if (!observer || !observer->isValid()) {
            return;
        }
        KeyValueChange change;
        change.keyPath = observer->keyPath();
        change.oldValue = std::exchange(state->oldValue, QVariant());
        if (options & New) {
            change.newValue = observer->value();
        }
        callback(change);
    };
    auto observer = KeyPathObserver::make(this, keyPath, will, did);
    state->observer = observer;
    if (options & Initial) {
        KeyValueChange change;
        change.keyPath = keyPath;
        change.isInitial = true;
        if (options & New) {
            change.newValue = observer->value();
        }
        callback(change);
    }
    return Observation(observer);
}

int Observable::observationCount(const QString& key) const {
    return int(m_registrations.value(key).size());
}

std::shared_ptr<KeyRegistration> Observable::addRegistration(const QString& key,
                                                             std::function<void()> will,
                                                             std::function<void()> did) {
    auto registration = std::make_shared<KeyRegistration>();
    registration->object = this;
    registration->key = key;
    registration->will = std::move(will);
    registration->did = std::move(did);
    m_registrations[key].push_back(registration);
    return registration;
}

void Observable::removeRegistration(const std::shared_ptr<KeyRegistration>& registration) {
    registration->active = false;
    auto it = m_registrations.find(registration->key);
    if (it == m_registrations.end()) {
        return;
    }
    auto& list = *it;
    list.erase(std::remove(list.begin(), list.end(), registration), list.end());
    if (list.empty()) {
        m_registrations.erase(it);
    }
}

} // namespace platform
