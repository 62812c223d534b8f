#include "core/window/MoviePlayer.h"

#include "platform/MainThread.h"
#include "platform/ModuleLoader.h"

#include <QCoreApplication>
#include <QPointer>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace kestrom {

namespace {

// The module's loading, once per process: on a thread of its own for
// whenPrepared(), or by a first play() on the thread that asks.
struct Preparation {
    struct Waiter {
        QPointer<QObject> context;
        std::function<void()> ready;
    };

    std::mutex mutex;
    std::condition_variable finishedCondition;
    bool started = false;
    bool finished = false;
    LunvikMoviePlayerEntry entry = nullptr;
    std::function<bool()> hook;
    std::vector<Waiter> waiters;
    std::thread thread;

    ~Preparation() { join(); }

    void join() {
        if (thread.joinable() && thread.get_id() != std::this_thread::get_id()) {
            thread.join();
        }
    }
};

Preparation& preparation() {
    static Preparation p;
    return p;
}

// Loads the module; a missing module is told once, as it is tried once.
LunvikMoviePlayerEntry load(bool warmUp) {
    Preparation& p = preparation();
    std::function<bool()> hook;
    {
        std::lock_guard lock(p.mutex);
        hook = p.hook;
    }
    if (hook && !hook()) {
        return nullptr;
    }
    const auto entry = reinterpret_cast<LunvikMoviePlayerEntry>(
        platform::ModuleLoader::entry(MoviePlayer::moduleFileName(), "lunvikMoviePlayer"));
    if (entry && warmUp) {
        if (const auto warm =
                reinterpret_cast<LunvikMoviePlayerWarmUpEntry>(platform::ModuleLoader::entry(
                    MoviePlayer::moduleFileName(), "lunvikMoviePlayerWarmUp"))) {
            warm();
        }
    }
    return entry;
}

void finish(LunvikMoviePlayerEntry entry) {
    Preparation& p = preparation();
    {
        std::lock_guard lock(p.mutex);
        p.entry = entry;
        p.finished = true;
    }
    p.finishedCondition.notify_all();
}

void runWaiters() {
    Preparation& p = preparation();
    std::vector<Preparation::Waiter> waiters;
    {
        std::lock_guard lock(p.mutex);
        waiters.swap(p.waiters);
    }
    for (auto& waiter : waiters) {
        if (waiter.context) {
            waiter.ready();
        }
    }
}

void joinPreparation() {
    preparation().join();
}

// Starts loading the module on a thread of its own, once.
void prepare() {
    Preparation& p = preparation();
    {
        std::lock_guard lock(p.mutex);
        if (p.started) {
            return;
        }
        p.started = true;
    }
    p.thread = std::thread([] {
        finish(load(true));
        platform::MainThread::post(runWaiters);
    });
    // The thread may still be setting up the player as the application ends.
    qAddPostRoutine(joinPreparation);
}

} // namespace

QString MoviePlayer::moduleFileName() {
    return QStringLiteral("liblunvik-movie-player.so");
}

std::unique_ptr<MoviePlayer> MoviePlayer::play(const QUrl& source, FrameHandler frames) {
    Preparation& p = preparation();
    LunvikMoviePlayerEntry entry = nullptr;
    {
        std::unique_lock lock(p.mutex);
        if (!p.started) {
            p.started = true;
            lock.unlock();
            finish(load(false));
            lock.lock();
        }
        p.finishedCondition.wait(lock, [&p] { return p.finished; });
        entry = p.entry;
    }
    if (!entry) {
        return nullptr;
    }
    return std::unique_ptr<MoviePlayer>(entry(source, std::move(frames)));
}

bool MoviePlayer::isPrepared() {
    Preparation& p = preparation();
    std::lock_guard lock(p.mutex);
    return p.finished;
}

void MoviePlayer::whenPrepared(QObject* context, std::function<void()> ready) {
    prepare();
    Preparation& p = preparation();
    {
        std::lock_guard lock(p.mutex);
        if (!p.finished) {
            p.waiters.push_back({context, std::move(ready)});
            return;
        }
    }
    ready();
}

int MoviePlayer::lettingGoCount() {
    Preparation& p = preparation();
    {
        std::lock_guard lock(p.mutex);
        if (!p.entry) {
            // No player was ever made.
            return 0;
        }
    }
    const auto count = reinterpret_cast<LunvikMoviePlayersLettingGoEntry>(
        platform::ModuleLoader::entry(moduleFileName(), "lunvikMoviePlayersLettingGo"));
    return count ? count() : 0;
}

void MoviePlayer::setPreparationHookForTesting(std::function<bool()> hook) {
    Preparation& p = preparation();
    std::lock_guard lock(p.mutex);
    p.hook = std::move(hook);
}

} // namespace kestrom
