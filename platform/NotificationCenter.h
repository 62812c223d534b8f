#pragma once

#include "platform/Notification.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

// Delivers notifications to the observers that asked for their name and
// sender, synchronously, on the thread that posts, in the order observers
// were added. Observers may be added and removed from any thread, also from
// inside a delivery.
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    struct Registration;

    // Ends its observation when destroyed. Move-only.
    class Observer {
    public:
        Observer() = default;
        Observer(Observer&&) noexcept = default;
        Observer& operator=(Observer&& other) noexcept;
        Observer(const Observer&) = delete;
        Observer& operator=(const Observer&) = delete;
        ~Observer();
        void remove();
        bool isActive() const;

    private:
        friend class NotificationCenter;
        explicit Observer(std::shared_ptr<Registration> registration);
        std::shared_ptr<Registration> m_registration;
    };

    static NotificationCenter& defaultCenter();

    NotificationCenter();
    ~NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // An empty name means every name; a null sender means every sender.
    [[nodiscard]] Observer addObserver(const QString& name, const void* sender, Handler handler);
    void post(const Notification& notification);
    void post(const QString& name, const void* sender = nullptr, const QVariantMap& userInfo = {});

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};

} // namespace platform
