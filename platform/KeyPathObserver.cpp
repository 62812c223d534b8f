#include "platform/KeyPathObserver.h"

#include "platform/Log.h"
#include "platform/Observable.h"

namespace platform {

namespace {

// Dependent keys nest; a chain this deep can only be a cycle.
const int maximumDependencyDepth = 64;

} // namespace

std::shared_ptr<KeyPathObserver> KeyPathObserver::make(Observable* root, const QString& keyPath,
                                                       std::function<void()> will,
                                                       std::function<void()> did, int depth) {
    if (depth > maximumDependencyDepth) {
        Log::fatal(QStringLiteral("The dependent keys of \"%1\" refer to each other in a circle.")
                       .arg(keyPath));
    }
    std::shared_ptr<KeyPathObserver> observer(
        new KeyPathObserver(keyPath, std::move(will), std::move(did), depth));
    observer->attach(0, root);
    return observer;
}

KeyPathObserver::KeyPathObserver(const QString& keyPath, std::function<void()> will,
                                 std::function<void()> did, int depth)
    : m_keyPath(keyPath), m_keys(keyPath.split(u'.')), m_will(std::move(will)),
      m_did(std::move(did)), m_depth(depth) {
    m_links.resize(size_t(m_keys.size()));
}

KeyPathObserver::~KeyPathObserver() {
    detachFrom(0);
}

void KeyPathObserver::invalidate() {
    m_valid = false;
    detachFrom(0);
}

Observable* KeyPathObserver::root() const {
    if (!m_valid || m_links.empty() || !m_links[0].registration) {
        return nullptr;
    }
    return m_links[0].registration->object;
}

QVariant KeyPathObserver::value() const {
    Observable* object = root();
    return object ? object->valueForKeyPath(m_keyPath) : QVariant();
}

void KeyPathObserver::attach(int index, Observable* object) {
    if (!object || index >= int(m_links.size()) || !m_valid) {
        return;
    }
    const QString& key = m_keys[index];
    std::weak_ptr<KeyPathObserver> weak = weak_from_this();
    Link& link = m_links[size_t(index)];
    auto will = [weak] {
        if (auto self = weak.lock()) {
            self->linkWillChange();
        }
    };
    auto did = [weak, index] {
        if (auto self = weak.lock()) {
            self->linkDidChange(index);
        }
    };
    link.registration = object->addRegistration(key, will, did);
    for (const QString& path : object->keyPathsAffectingKey(key)) {
        link.dependents.push_back(make(object, path, will, did, m_depth + 1));
    }
    attach(index + 1, object->objectForKey(key));
}

void KeyPathObserver::detachFrom(int index) {
    for (size_t i = size_t(index); i < m_links.size(); ++i) {
        Link& link = m_links[i];
        if (link.registration) {
            if (Observable* object = link.registration->object) {
                object->removeRegistration(link.registration);
            }
            link.registration->active = false;
            link.registration.reset();
        }
        for (auto& dependent : link.dependents) {
            dependent->invalidate();
        }
        link.dependents.clear();
    }
}

void KeyPathObserver::linkWillChange() {
    if (m_valid && m_will) {
        m_will();
    }
}

void KeyPathObserver::linkDidChange(int index) {
    if (!m_valid) {
        return;
    }
    auto keepAlive = shared_from_this();
    if (index + 1 < int(m_links.size())) {
        // The object behind this link may have been replaced: follow the new one.
        detachFrom(index + 1);
        const auto& registration = m_links[size_t(index)].registration;
        if (registration && registration->object) {
            attach(index + 1, registration->object->objectForKey(m_keys[index]));
        }
    }
    if (m_did) {
        m_did();
    }
}

} // namespace platform
