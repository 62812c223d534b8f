#include "core/window/movie/MovieTeardown.h"

#include <QCoreApplication>
#include <QMediaPlayer>
#include <QVideoSink>

#include <algorithm>
#include <set>

namespace kestrom {

namespace {

// After the movie has loaded, a frame may still be on its way to the main
// thread; the pause is over once it has been handed over, a frame's time
// or two.
constexpr int settleMilliseconds = 150;
// A movie that neither loads nor fails by then is let go all the same,
// which may then wait for its loading.
constexpr int latestMilliseconds = 10000;

// Every teardown until deleted, its player let go or not. Main thread only.
std::set<MovieTeardown*>& pending() {
    static std::set<MovieTeardown*> teardowns;
    return teardowns;
}

} // namespace

void MovieTeardown::begin(std::unique_ptr<QMediaPlayer> player, std::unique_ptr<QVideoSink> sink) {
    new MovieTeardown(std::move(player), std::move(sink));
}

int MovieTeardown::pendingCount() {
    return int(std::count_if(pending().begin(), pending().end(), [](const MovieTeardown* teardown) {
        return teardown->m_player != nullptr;
    }));
}

MovieTeardown::MovieTeardown(std::unique_ptr<QMediaPlayer> player, std::unique_ptr<QVideoSink> sink)
    : m_player(std::move(player)), m_sink(std::move(sink)) {
    static const bool registered = [] {
        // Those still there as the application ends go before it does,
        // while their streaming threads can still reach it.
        qAddPostRoutine(finishAll);
        return true;
    }();
    Q_UNUSED(registered);
    pending().insert(this);

    m_player->pause();
    connect(m_player.get(), &QMediaPlayer::mediaStatusChanged, this,
            &MovieTeardown::settleUnlessLoading);
    connect(m_player.get(), &QMediaPlayer::errorOccurred, this, &MovieTeardown::settle);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        finish();
        deleteLater();
    });
    m_timer.start(latestMilliseconds);
    settleUnlessLoading();
}

MovieTeardown::~MovieTeardown() {
    finish();
    pending().erase(this);
}

void MovieTeardown::settleUnlessLoading() {
    if (m_player && m_player->mediaStatus() != QMediaPlayer::LoadingMedia) {
        settle();
    }
}

void MovieTeardown::settle() {
    if (m_settling) {
        return;
    }
    m_settling = true;
    m_timer.start(settleMilliseconds);
}

void MovieTeardown::finish() {
    if (!m_player) {
        return;
    }
    m_timer.stop();
    m_player->disconnect(this);
    // Without a source first, deleting the player could have its decoder's
    // streams removed after the back end's own parts are gone, which it
    // does not survive. Paused and settled, this waits for nothing.
    m_player->setSource(QUrl());
    m_player.reset();
    m_sink.reset();
}

void MovieTeardown::finishAll() {
    const std::set<MovieTeardown*> teardowns = pending();
    for (MovieTeardown* teardown : teardowns) {
        delete teardown;
    }
}

} // namespace kestrom
