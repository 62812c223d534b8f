#include "platform/NotificationCenter.h"

#include <algorithm>
#include <atomic>

namespace platform {

struct NotificationCenter::Shared {
    std::mutex mutex;
    std::vector<std::shared_ptr<Registration>> registrations;
};

struct NotificationCenter::Registration {
    QString name;
    const void* sender = nullptr;
    Handler handler;
    std::atomic<bool> active{true};
    std::weak_ptr<Shared> center;
};

NotificationCenter::Observer::Observer(std::shared_ptr<Registration> registration)
    : m_registration(std::move(registration)) {}

NotificationCenter::Observer& NotificationCenter::Observer::operator=(Observer&& other) noexcept {
    if (this != &other) {
        remove();
        m_registration = std::move(other.m_registration);
    }
    return *this;
}

NotificationCenter::Observer::~Observer() {
    remove();
}

bool NotificationCenter::Observer::isActive() const {
    return m_registration && m_registration->active;
}

void NotificationCenter::Observer::remove() {
    if (!m_registration) {
        return;
    }
    m_registration->active = false;
    if (auto shared = m_registration->center.lock()) {
        std::lock_guard lock(shared->mutex);
        auto& list = shared->registrations;
        list.erase(std::remove(list.begin(), list.end(), m_registration), list.end());
    }
    m_registration.reset();
}

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

NotificationCenter::NotificationCenter() : m_shared(std::make_shared<Shared>()) {}

NotificationCenter::~NotificationCenter() = default;

NotificationCenter::Observer NotificationCenter::addObserver(const QString& name,
                                                             const void* sender, Handler handler) {
    auto registration = std::make_shared<Registration>();
    registration->name = name;
    registration->sender = sender;
    registration->handler = std::move(handler);
    registration->center = m_shared;
    std::lock_guard lock(m_shared->mutex);
    m_shared->registrations.push_back(registration);
    return Observer(registration);
}

void NotificationCenter::post(const Notification& notification) {
    std::vector<std::shared_ptr<Registration>> matching;
    {
        std::lock_guard lock(m_shared->mutex);
        for (const auto& registration : m_shared->registrations) {
            if ((registration->name.isEmpty() || registration->name == notification.name) &&
                (!registration->sender || registration->sender == notification.sender)) {
                matching.push_back(registration);
            }
        }
    }
    for (const auto& registration : matching) {
        if (registration->active) {
            registration->handler(notification);
        }
    }
}

void NotificationCenter::post(const QString& name, const void* sender,
                              const QVariantMap& userInfo) {
    post(Notification{name, sender, userInfo});
}

} // namespace platform
