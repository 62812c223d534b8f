#pragma once

#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace platform {

// The progress of one run, and its cancellation token. A worker thread
// reports into it while the main thread observes and cancels. Observers are
// called on the thread that made the change, after the change, without any
// lock held.
class Progress {
public:
    enum class Change { Units, Description, AdditionalDescription, Cancelled, Cancellable };
    using Observer = std::function<void(const Progress&, Change)>;

    explicit Progress(qint64 totalUnitCount = -1);
    ~Progress();

    qint64 totalUnitCount() const;
    void setTotalUnitCount(qint64 count);
    qint64 completedUnitCount() const;
    void setCompletedUnitCount(qint64 count);
    // Adds to the completed units in one step, safe against concurrent adds.
    void addCompletedUnits(qint64 count);
    // completed / total, clamped to 0...1; 0 while the total is unknown.
    double fractionCompleted() const;
    bool isIndeterminate() const;

    QString localizedDescription() const;
    void setLocalizedDescription(const QString& text);
    QString localizedAdditionalDescription() const;
    void setLocalizedAdditionalDescription(const QString& text);

    // Whether a cancel can still stop the run; a run turns it off at the
    // point from which it will go on to its end whatever happens, and the
    // controls that cancel it then stand disabled. On at the start.
    bool isCancellable() const;
    void setCancellable(bool cancellable);

    void cancel();
    bool isCancelled() const;
    // Throws CancellationError when cancelled.
    void throwIfCancelled() const;
    // Waits until the time has passed or the progress is cancelled; true when
    // it was cancelled.
    bool waitForCancellation(std::chrono::milliseconds duration) const;

    int addObserver(Observer observer);
    void removeObserver(int token);

    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

private:
    void notify(Change change);

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_cancelled;
    qint64 m_total;
    qint64 m_completed = 0;
    QString m_description;
    QString m_additionalDescription;
    bool m_isCancelled = false;
    bool m_isCancellable = true;
    std::map<int, std::shared_ptr<Observer>> m_observers;
    int m_nextToken = 1;
};

} // namespace platform
