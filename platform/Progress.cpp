#include "platform/Progress.h"

#include "platform/CancellationError.h"

#include <algorithm>
#include <vector>

namespace platform {

Progress::Progress(qint64 totalUnitCount) : m_total(totalUnitCount) {}

Progress::~Progress() = default;

qint64 Progress::totalUnitCount() const {
    std::lock_guard lock(m_mutex);
    return m_total;
}

void Progress::setTotalUnitCount(qint64 count) {
    {
        std::lock_guard lock(m_mutex);
        m_total = count;
    }
    notify(Change::Units);
}

qint64 Progress::completedUnitCount() const {
    std::lock_guard lock(m_mutex);
    return m_completed;
}

void Progress::setCompletedUnitCount(qint64 count) {
    {
        std::lock_guard lock(m_mutex);
        m_completed = count;
    }
    notify(Change::Units);
}

void Progress::addCompletedUnits(qint64 count) {
    {
        std::lock_guard lock(m_mutex);
        m_completed += count;
    }
    notify(Change::Units);
}

double Progress::fractionCompleted() const {
    std::lock_guard lock(m_mutex);
    if (m_total <= 0 || m_completed < 0) {
        return 0.0;
    }
    return std::clamp(double(m_completed) / double(m_total), 0.0, 1.0);
}

bool Progress::isIndeterminate() const {
    std::lock_guard lock(m_mutex);
    return m_total < 0 || m_completed < 0;
}

QString Progress::localizedDescription() const {
    std::lock_guard lock(m_mutex);
    return m_description;
}

void Progress::setLocalizedDescription(const QString& text) {
    {
        std::lock_guard lock(m_mutex);
        m_description = text;
    }
    notify(Change::Description);
}

QString Progress::localizedAdditionalDescription() const {
    std::lock_guard lock(m_mutex);
    return m_additionalDescription;
}

void Progress::setLocalizedAdditionalDescription(const QString& text) {
    {
        std::lock_guard lock(m_mutex);
        m_additionalDescription = text;
    }
    notify(Change::AdditionalDescription);
}

bool Progress::isCancellable() const {
    std::lock_guard lock(m_mutex);
    return m_isCancellable;
}

void Progress::setCancellable(bool cancellable) {
    {
        std::lock_guard lock(m_mutex);
        if (m_isCancellable == cancellable) {
            return;
        }
        m_isCancellable = cancellable;
    }
    notify(Change::Cancellable);
}

void Progress::cancel() {
    {
        std::lock_guard lock(m_mutex);
        if (m_isCancelled) {
            return;
        }
        m_isCancelled = true;
    }
    m_cancelled.notify_all();
    notify(Change::Cancelled);
}

bool Progress::isCancelled() const {
    std::lock_guard lock(m_mutex);
    return m_isCancelled;
}

void Progress::throwIfCancelled() const {
    if (isCancelled()) {
        throw CancellationError();
    }
}

bool Progress::waitForCancellation(std::chrono::milliseconds duration) const {
    std::unique_lock lock(m_mutex);
    return m_cancelled.wait_for(lock, duration, [this] { return m_isCancelled; });
}

int Progress::addObserver(Observer observer) {
    std::lock_guard lock(m_mutex);
    const int token = m_nextToken++;
    m_observers.emplace(token, std::make_shared<Observer>(std::move(observer)));
    return token;
}

void Progress::removeObserver(int token) {
    std::lock_guard lock(m_mutex);
    m_observers.erase(token);
}

void Progress::notify(Change change) {
    std::vector<std::shared_ptr<Observer>> observers;
    {
        std::lock_guard lock(m_mutex);
        observers.reserve(m_observers.size());
        for (const auto& [token, observer] : m_observers) {
            observers.push_back(observer);
        }
    }
    for (const auto& observer : observers) {
        (*observer)(*this, change);
    }
}

} // namespace platform
